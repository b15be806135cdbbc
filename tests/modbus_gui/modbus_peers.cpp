#include "tests/modbus_gui/modbus_peers.h"

#include "library/modbus_lib/modbus.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace modbus_gui_test {

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::Millis;

// Length of a complete request frame starting with `frame`, or 0 while the
// bytes so far do not tell it yet.
size_t RequestLength(const std::string &frame)
{
    if (frame.size() < 2)
        return 0;
    switch (static_cast<unsigned char>(frame[1])) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
        return 8;
    case 15:
    case 16:
        return frame.size() < 7 ? 0 : 9 + static_cast<unsigned char>(frame[6]);
    case 17:
        return 4;
    case 23:
        return frame.size() < 11 ? 0 : 13 + static_cast<unsigned char>(frame[10]);
    default:
        return frame.size();
    }
}

} // namespace

std::string NextTestIp()
{
    // Well away from the addresses other test binaries pick.
    static int next = 140;
    if (next > 254)
        next = 140;
    return "127.0.0." + std::to_string(next++);
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (const int value : values)
        bytes += static_cast<char>(value & 0xFF);
    return bytes;
}

std::string WithCrc(const std::string &frame)
{
    unsigned crc = 0xFFFF;
    for (const char c : frame) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return frame + static_cast<char>(crc & 0xFF) + static_cast<char>(crc >> 8);
}

std::string Hex(const std::string &bytes)
{
    std::string text;
    char digits[4];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

ScriptedGateway::ScriptedGateway(Responder responder)
    : m_ip(NextTestIp()), m_listener(m_ip, MODBUS_PORT), m_responder(std::move(responder)),
      m_thread(&ScriptedGateway::Serve, this)
{
}

ScriptedGateway::~ScriptedGateway()
{
    m_stop = true;
    m_thread.join();
}

void ScriptedGateway::SetResponder(Responder responder)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_responder = std::move(responder);
}

std::vector<std::string> ScriptedGateway::Requests() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void ScriptedGateway::Serve()
{
    // Every wait is short, so the destructor's stop is seen within 100 ms.
    while (!m_stop) {
        testing_support::Fd connection = m_listener.Accept(Millis(100));
        if (connection.Valid()) {
            ++m_connections;
            ServeConnection(connection.Get());
        }
    }
}

void ScriptedGateway::ServeConnection(int fd)
{
    std::string pending;
    while (!m_stop) {
        pollfd entry = {fd, POLLIN, 0};
        const int ready = poll(&entry, 1, 50);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        char buffer[512];
        const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0)
            return;
        pending.append(buffer, static_cast<size_t>(count));
        for (size_t length = RequestLength(pending); length != 0 && pending.size() >= length;
             length = RequestLength(pending)) {
            const std::string request = pending.substr(0, length);
            pending.erase(0, length);
            const std::string answer = Answer(request);
            if (!answer.empty() && !testing_support::WriteAll(fd, WithCrc(answer)))
                return;
        }
    }
}

std::string ScriptedGateway::Answer(const std::string &request)
{
    Responder responder;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        responder = m_responder;
    }
    return responder ? responder(request) : std::string();
}

PymodbusServer::PymodbusServer() : m_ip(NextTestIp())
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    testing_support::Fd readEnd(pipeFds[0]);
    testing_support::Fd writeEnd(pipeFds[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, readEnd.Get());
    const std::string script = std::string(ORV_SOURCE_DIR) + "/tests/support/modbus_server.py";
    const std::string port = std::to_string(MODBUS_PORT);
    char *const argv[] = {const_cast<char *>("/usr/bin/python3"), const_cast<char *>(script.c_str()),
                          const_cast<char *>(m_ip.c_str()), const_cast<char *>(port.c_str()), nullptr};
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
        pollfd entry = {readEnd.Get(), POLLIN, 0};
        if (poll(&entry, 1, 100) <= 0)
            continue;
        char buffer[256];
        const ssize_t count = read(readEnd.Get(), buffer, sizeof buffer);
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
        std::this_thread::sleep_for(Millis(10));
    }
}

} // namespace modbus_gui_test
