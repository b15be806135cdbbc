// The UART panel's receive log, shared by the GUI thread, which opens and
// closes it, and the receive thread of each connection, which writes to it:
// a log goes on over a dropped and retaken link. The state the status bar
// shows is read without the writer's lock, so that a disk that stalls a
// write never stalls the window.
#ifndef ORV_UART_RECEIVE_LOG_H
#define ORV_UART_RECEIVE_LOG_H

#include "uart/log_file.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class ReceiveLog {
public:
    // GUI thread: starts a new log file in `folder` (the current directory
    // when empty), closing an open one first. On failure no log runs and
    // `error` names the file and the reason.
    bool Open(const std::string &folder, std::string &error);
    // GUI thread: ends the log, if one runs.
    void Close();
    // Any thread: a line break after each packet from now on.
    void SetLineBreaks(bool on) { m_lineBreaks = on; }

    // Receive thread: writes a received chunk, when a log runs. On a failed
    // write the log ends and `error` says why (false).
    bool Write(const uint8_t *data, size_t size, std::string &error);

    // GUI thread, without waiting for a write: whether a log runs, its full
    // path and the bytes written to it.
    bool IsOpen() const { return m_open; }
    const std::string &Path() const { return m_path; }
    uint64_t Size() const { return m_size; }

private:
    // Switching the log and writing a chunk to it never overlap.
    std::mutex m_writeLock;
    LogFile m_file;
    std::atomic<bool> m_lineBreaks{false};
    // What the GUI thread reads: the path is set and cleared by it alone.
    std::atomic<bool> m_open{false};
    std::string m_path;
    std::atomic<uint64_t> m_size{0};
};

#endif
