#include "chart/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The permissions a new file gets: 0666 less the process's umask, read
// without changing it (umask() would, for every thread).
mode_t NewFileMode()
{
    mode_t mask = 022;
    if (FILE *status = std::fopen("/proc/self/status", "r")) {
        char line[128];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value);
                break;
            }
        }
        std::fclose(status);
    }
    return 0666 & ~mask;
}

} // namespace

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path)) {}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
    }
}

bool AtomicFile::Fail(const std::string &what, int cause, std::string &error)
{
    error = "Cannot " + what + " \"" + m_path + "\": " + std::strerror(cause);
    return false;
}

bool AtomicFile::Open(std::string &error)
{
    std::vector<char> name(m_path.begin(), m_path.end());
    const char suffix[] = ".XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0)
        return Fail("write", errno, error);
    m_temporary = name.data();
    if (::fchmod(m_fd, NewFileMode()) != 0)
        return Fail("write", errno, error);
    return true;
}

bool AtomicFile::Write(const void *data, size_t size, std::string &error)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::write(m_fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail("write", written < 0 ? errno : EIO, error);
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool AtomicFile::Commit(std::string &error)
{
    if (::fsync(m_fd) != 0)
        return Fail("write", errno, error);
    const int closed = ::close(m_fd);
    const int cause = errno;
    m_fd = -1;
    if (closed != 0 || ::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        const int failure = closed != 0 ? cause : errno;
        ::unlink(m_temporary.c_str());
        return Fail("write", failure, error);
    }
    return true;
}

bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string &error)
{
    AtomicFile file(path);
    return file.Open(error) && file.Write(bytes.data(), bytes.size(), error) && file.Commit(error);
}
