// One connection attempt of the UART panel, run beside the GUI thread: opens
// a socket, connects it with the socket layer's time-out and posts the
// result (EVT_CONNECTED with the socket, or EVT_CONNECT_FAILED).
#ifndef ORV_UART_CONNECT_THREAD_H
#define ORV_UART_CONNECT_THREAD_H

#include <cstdint>
#include <mutex>
#include <string>
#include <wx/thread.h>

class TerminalPanel;

class ConnectThread : public wxThread {
public:
    // `attempt` travels in the result events, so a late result of an attempt
    // the panel gave up is never taken for a newer one. `panel` may be null.
    ConnectThread(TerminalPanel *panel, const std::string &ip, uint16_t port, int attempt);
    ~ConnectThread() override;

    // GUI thread: gives the attempt up. A pending connect ends at once, the
    // socket is closed and nothing is posted.
    void Abandon();

protected:
    ExitCode Entry() override;

private:
    void Post(int type, int socket);

    TerminalPanel *const m_panel;
    const std::string m_ip;
    const uint16_t m_port;
    const int m_attempt;
    std::mutex m_socketLock;
    int m_socket = -1;
    bool m_abandoned = false;
};

#endif
