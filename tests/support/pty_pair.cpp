#include "tests/support/pty_pair.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace testing_support {

namespace {

std::string TempDir()
{
    char dir[] = "/tmp/serial_test_XXXXXX";
    return mkdtemp(dir) != nullptr ? dir : "";
}

} // namespace

PtyPair::PtyPair() : m_dir(TempDir())
{
    Start();
}

PtyPair::~PtyPair()
{
    End();
    std::system(("rm -rf " + m_dir).c_str());
}

void PtyPair::Start()
{
    int errors[2];
    if (m_dir.empty() || m_pid > 0 || pipe2(errors, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    const std::string a = "pty,raw,echo=0,link=" + A(), b = "pty,raw,echo=0,link=" + B();
    const char *argv[] = {"socat", "-d", "-d", a.c_str(), b.c_str(), nullptr};
    if (posix_spawnp(&m_pid, "socat", &actions, nullptr, const_cast<char **>(argv), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(errors[1]);
    m_errors.Reset(errors[0]);
}

bool PtyPair::Ready()
{
    return m_pid > 0 && ReadUntilSaid(m_errors.Get(), "starting data transfer loop");
}

void PtyPair::End()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

} // namespace testing_support
