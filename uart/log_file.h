// The receive log: "wifilog-%d%d%d-%d%d%d.txt" in the current directory,
// holding the raw received bytes with a line break after each chunk.
#ifndef ORV_UART_LOG_FILE_H
#define ORV_UART_LOG_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// The log's name for a local time: year, month (1-12), day, hour, minute and
// second in plain decimal, no zero padding.
std::string LogFileName(const std::tm &local);

// One log file; Write and the switches are not locked here (the receive
// thread guards them).
class LogFile {
public:
    LogFile() = default;
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;
    ~LogFile() { Close(); }

    // Creates a new log named after `local` in the current directory. The name
    // has no zero padding, so different times can share it (1:11:05 and
    // 11:01:05 both end in "-1115"): an existing file is never emptied, the
    // new log then gets "-2", "-3", ... before ".txt". On failure returns false
    // with `error` naming the file and the system's reason.
    bool Create(const std::tm &local, std::string &error);
    // Writes a chunk and its line break; on failure returns false with
    // `error` naming the file and the system's reason. What was written
    // before stays in the file.
    bool Write(const uint8_t *data, size_t size, std::string &error);
    void Close();

    bool IsOpen() const { return m_file != nullptr; }
    const std::string &Path() const { return m_path; }
    // Bytes written to the open log, line breaks included.
    uint64_t Size() const { return m_size; }

private:
    std::FILE *m_file = nullptr;
    std::string m_path;
    uint64_t m_size = 0;
};

#endif
