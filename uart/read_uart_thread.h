// The receive thread of a UART connection: reads the module's bytes in
// chunks of up to 512, writes them to the panel's receive log (when one
// runs) and hands each chunk to the panel's inbox. It tells the panel how the
// connection ended (EVT_CONNECTION_CLOSED, EVT_CONNECTION_LOST) and when the
// log could not be written (EVT_LOG_FAILED).
#ifndef ORV_UART_READ_UART_THREAD_H
#define ORV_UART_READ_UART_THREAD_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <wx/event.h>
#include <wx/thread.h>

class ReceiveLog;
class TerminalPanel;

class ReadUartThread : public wxThread {
public:
    // Reads `socket` (its own descriptor, closed when the thread ends) for
    // the panel's connection number `connection`, into `log`.
    ReadUartThread(TerminalPanel *panel, int socket, int connection, ReceiveLog &log);
    ~ReadUartThread() override;

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
    ReceiveLog &m_log;
};

#endif
