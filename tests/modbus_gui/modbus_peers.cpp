#include "tests/modbus_gui/modbus_peers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

#ifndef ORV_TEST_NETWORK
#define ORV_TEST_NETWORK "127.0.0."
#endif

namespace modbus_gui_test {

using testing_support::Bytes;
using Clock = std::chrono::steady_clock;

std::string NextTestIp()
{
    // Well away from the addresses other test binaries pick; each process
    // starts at its own place, so that two runs at once (a developer's and
    // a build's) seldom meet at the same address and port.
    static int next = 140 + static_cast<int>(getpid() % 115);
    if (next > 254)
        next = 140;
    return ORV_TEST_NETWORK + std::to_string(next++);
}

void ModbusPortGateway::AnswerWith(Make make)
{
    SetDefault(testing_support::Reaction::Compute(
        [make](const Bytes &request) { return testing_support::WithCrc(make(request)); }));
}

Bytes ReadReply(const Bytes &request, const Bytes &data)
{
    Bytes answer(3 + data.size());
    answer[0] = request[0];
    answer[1] = request[1];
    answer[2] = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), answer.begin() + 3);
    return answer;
}

Bytes WriteEcho(const Bytes &request)
{
    return Bytes(request.begin(), request.begin() + 6);
}

std::vector<std::string> ModbusPortGateway::RequestsSeen() const
{
    std::vector<std::string> seen;
    for (const Bytes &frame : Requests()) {
        const Bytes body(frame.begin(), frame.end() - 2);
        EXPECT_EQ(testing_support::WithCrc(body), frame) << "bad CRC in " << testing_support::ToHex(frame);
        seen.push_back(testing_support::ToHex(body));
    }
    return seen;
}

PymodbusServer::PymodbusServer(const char *framing, bool gaps) : m_ip(NextTestIp())
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    m_output.Reset(pipeFds[0]);
    testing_support::Fd writeEnd(pipeFds[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, m_output.Get());
    const std::string script = std::string(ORV_SOURCE_DIR) + "/tests/support/modbus_server.py";
    const std::string port = std::to_string(MODBUS_PORT);
    char *const argv[] = {const_cast<char *>("/usr/bin/python3"), const_cast<char *>(script.c_str()),
                          const_cast<char *>(m_ip.c_str()), const_cast<char *>(port.c_str()),
                          const_cast<char *>(framing), gaps ? const_cast<char *>("gaps") : nullptr, nullptr};
    const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.Reset();
    if (spawned != 0) {
        m_pid = -1;
        return;
    }

    // The server says when it listens; python and pymodbus start in well
    // under a second, so ten seconds only guard against a hang.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    std::string said;
    while (said.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd entry = {m_output.Get(), POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0)
            continue;
        char buffer[256];
        const ssize_t count = read(m_output.Get(), buffer, sizeof buffer);
        if (count <= 0)
            break;
        said.append(buffer, static_cast<size_t>(count));
    }
    m_ready = said.rfind("LISTENING", 0) == 0;
}

PymodbusServer::~PymodbusServer()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (waitpid(m_pid, nullptr, WNOHANG) == 0) {
        if (Clock::now() >= deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace modbus_gui_test
