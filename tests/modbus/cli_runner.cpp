#include "tests/modbus/cli_runner.h"

#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

CliRun RunOrvModbus(const std::vector<std::string> &args, bool interrupt)
{
    int out[2];
    int err[2];
    if (pipe(out) != 0)
        return {};
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        std::vector<char *> argv = {const_cast<char *>(ORV_MODBUS_CLI)};
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        execv(ORV_MODBUS_CLI, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    CliRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    pollfd entries[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string *sinks[2] = {&run.out, &run.err};
    int open = 2;
    bool interrupted = false;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (interrupt && !interrupted && run.out.find('\n') != std::string::npos) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (poll(entries, 2, 20) <= 0)
            continue;
        for (int index = 0; index < 2; ++index) {
            if (entries[index].fd < 0 || entries[index].revents == 0)
                continue;
            char chunk[4096];
            const ssize_t count = read(entries[index].fd, chunk, sizeof(chunk));
            if (count > 0) {
                sinks[index]->append(chunk, static_cast<size_t>(count));
            } else {
                close(entries[index].fd);
                entries[index].fd = -1;
                --open;
            }
        }
    }
    kill(pid, SIGKILL); // only if it overran: it has ended when its pipes closed
    int status = 0;
    waitpid(pid, &status, 0);
    for (const pollfd &entry : entries)
        if (entry.fd >= 0)
            close(entry.fd);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace testing_support
