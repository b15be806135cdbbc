#include "tests/modbus/modbus_server_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

// Reads the child's output until the ready line or the deadline.
uint16_t await_listening(int fd, std::string &output, Clock::time_point deadline)
{
    while (Clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry = {fd, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left.count()) + 1) <= 0)
            continue;
        char chunk[256];
        const ssize_t count = read(fd, chunk, sizeof(chunk));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return 0;
        output.append(chunk, static_cast<size_t>(count));
        const size_t start = output.find("LISTENING ");
        if (start != std::string::npos && output.find('\n', start) != std::string::npos)
            return static_cast<uint16_t>(std::atoi(output.c_str() + start + 10));
    }
    return 0;
}

} // namespace

ModbusServerProcess::ModbusServerProcess(const std::string &ip, const std::string &framing, const std::string &layout)
{
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        dup2(pipe_fds[1], STDERR_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        execl("/usr/bin/python3", "python3", ORV_MODBUS_SERVER_SCRIPT, ip.c_str(), "0", framing.c_str(),
              layout.empty() ? static_cast<char *>(nullptr) : layout.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    // The read end stays open while the server runs, so that a late line
    // of its own never meets a closed pipe.
    m_output_fd = pipe_fds[0];
    if (m_pid > 0)
        m_port = await_listening(m_output_fd, m_output, Clock::now() + std::chrono::seconds(20));
}

ModbusServerProcess::~ModbusServerProcess()
{
    Stop();
    if (m_output_fd >= 0)
        close(m_output_fd);
}

void ModbusServerProcess::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    // Bounded: a server that ignores the request to end is killed.
    for (int tries = 0; tries < 200; ++tries) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
}

} // namespace testing_support
