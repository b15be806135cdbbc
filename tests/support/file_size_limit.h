// Lets this process write files up to a size only while it lives, as a full
// disk would: a write past it fails with EFBIG ("File too large") instead
// of ending the process with SIGXFSZ.
#ifndef ORV_TESTS_FILE_SIZE_LIMIT_H
#define ORV_TESTS_FILE_SIZE_LIMIT_H

#include <csignal>
#include <sys/resource.h>

namespace testing_support {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace testing_support

#endif
