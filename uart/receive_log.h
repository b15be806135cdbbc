// The UART link's receive log, shared by the GUI thread, which starts and
// ends it, and the read thread of each connection, which writes to it: a
// log goes on over a dropped and retaken link. The GUI thread never waits
// for a write: a log file is switched by swapping the pointer a write
// takes, under a lock held for nothing longer, and the file a write still
// uses closes when that write is done. The state the status bar shows is
// read without any lock.
#ifndef ORV_UART_RECEIVE_LOG_H
#define ORV_UART_RECEIVE_LOG_H

#include "uart/log_file.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class ReceiveLog {
public:
    // GUI thread: starts a new log file in `folder` (the current directory
    // when empty), ending an open one first. On failure no log runs and
    // `error` names the file and the reason.
    bool Open(const std::string &folder, std::string &error);
    // GUI thread: ends the log, if one runs.
    void Close();
    // Any thread: a line break after each packet from now on.
    void SetLineBreaks(bool on) { m_lineBreaks = on; }

    // Read thread: writes a received chunk, when a log runs. On a failed
    // write the log ends and `error` says why (false).
    bool Write(const uint8_t *data, size_t size, std::string &error);

    // GUI thread, without waiting for a write: whether a log runs, its full
    // path and the bytes written to it.
    bool IsOpen() const { return m_open; }
    const std::string &Path() const { return m_path; }
    uint64_t Size() const { return m_size; }

private:
    // Guards m_file alone.
    std::mutex m_switchLock;
    std::shared_ptr<LogFile> m_file;
    std::atomic<bool> m_lineBreaks{false};
    // What the GUI thread reads: the path is set and cleared by it alone.
    std::atomic<bool> m_open{false};
    std::string m_path;
    std::atomic<uint64_t> m_size{0};
};

#endif
