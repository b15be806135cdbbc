// A file written whole or not at all: the bytes go to a temporary file
// beside it, which replaces the file only once everything is on disk. A
// failure leaves an earlier file of that name as it was.
#ifndef ORV_CHART_ATOMIC_FILE_H
#define ORV_CHART_ATOMIC_FILE_H

#include <cstddef>
#include <string>

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    // Removes the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Each returns false with `error` naming the file and the cause.
    bool Open(std::string &error);
    bool Write(const void *data, size_t size, std::string &error);
    bool Commit(std::string &error);

private:
    bool Fail(const std::string &what, int cause, std::string &error);

    std::string m_path;
    std::string m_temporary;
    int m_fd = -1;
};

// Open, write and commit in one.
bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string &error);

#endif
