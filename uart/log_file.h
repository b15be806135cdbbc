// The receive log: "wifilog-YYYYMMDD-HHMMSS.txt" in the chosen folder,
// holding exactly the received bytes (optionally a line break after each
// packet, the form of older versions).
#ifndef ORV_UART_LOG_FILE_H
#define ORV_UART_LOG_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// The log's name for a local time, every field zero-padded, so that names
// sort by time and no two times share one.
std::string LogFileName(const std::tm &local);

// One log file; Write and the switches are not locked here (the receive
// log guards them).
class LogFile {
public:
    LogFile() = default;
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;
    ~LogFile() { Close(); }

    // Creates a new log named after `local` in `folder` (the current
    // directory when empty). An existing file is never written over: a log
    // of the same second gets "-2", "-3", ... before ".txt". The path is
    // made absolute, so that it names the file wherever it is shown. On
    // failure returns false with `error` naming the file and the system's
    // reason.
    bool Create(const std::string &folder, const std::tm &local, std::string &error);
    // Writes a chunk, and a line break after it when `lineBreak`; on failure
    // returns false with `error` naming the file and the system's reason.
    // What was written before stays in the file.
    bool Write(const uint8_t *data, size_t size, bool lineBreak, std::string &error);
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
