// The receive thread of a UART connection: reads the module's bytes in
// chunks of up to 512, writes them to the log file when logging is on and
// hands each chunk to the panel's inbox. It tells the panel how the
// connection ended (EVT_CONNECTION_CLOSED, EVT_CONNECTION_LOST) and when the
// log could not be written (EVT_LOG_FAILED).
#ifndef ORV_UART_READ_UART_THREAD_H
#define ORV_UART_READ_UART_THREAD_H

#include "uart/log_file.h"

#include <mutex>
#include <string>
#include <wx/event.h>
#include <wx/thread.h>

class TerminalPanel;

class ReadUartThread : public wxThread {
public:
    // Reads `socket` (its own descriptor, closed when the thread ends) for
    // the panel's connection number `connection`.
    ReadUartThread(TerminalPanel *panel, int socket, int connection);
    ~ReadUartThread() override;

    // Starts a new log file, closing an open one first. On failure logging
    // stays off and `error` names the file and the reason.
    bool OpenLog(std::string &error);
    void CloseLog();
    // The open log's path and size; an empty path when no log runs.
    void LogState(std::string &path, uint64_t &size);

protected:
    ExitCode Entry() override;

private:
    void Log(const uint8_t *data, size_t size);
    void HandOver(const uint8_t *data, size_t size);
    // Posts an event of this connection to the panel.
    void Post(wxEventType type, const std::string &text);

    TerminalPanel *const m_panel;
    int m_socket;
    const int m_connection;
    // Switching the log (GUI thread) and writing a chunk to it (this thread)
    // never overlap.
    std::mutex m_logLock;
    LogFile m_logFile;
    bool m_logging = false;
};

#endif
