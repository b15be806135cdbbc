#include "uart/connect_thread.h"

#include "net/tcp.h"
#include "uart/terminal_panel.h"
#include "uart/worker_events.h"
#include "uart/worker_lifetimes.h"

#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>

ConnectThread::ConnectThread(TerminalPanel *panel, const std::string &ip, uint16_t port, int attempt)
    : wxThread(wxTHREAD_DETACHED), m_panel(panel), m_ip(ip), m_port(port), m_attempt(attempt)
{
}

ConnectThread::~ConnectThread()
{
    if (m_panel != nullptr)
        m_panel->OnConnectThreadGone(this);
}

void ConnectThread::Abandon()
{
    Delete();
    const std::lock_guard<std::mutex> lock(m_socketLock);
    m_abandoned = true;
    // A shut-down socket ends its pending connect at once.
    if (m_socket >= 0)
        shutdown(m_socket, SHUT_RDWR);
}

wxThread::ExitCode ConnectThread::Entry()
{
    worker_lifetimes::Enter();
    const int socket = tcp_socket(AF_INET, SOCK_STREAM, 0);
    if (socket == -1) {
        Post(EVT_CONNECT_FAILED, -1);
        return nullptr;
    }
    {
        const std::lock_guard<std::mutex> lock(m_socketLock);
        if (m_abandoned) {
            tcp_close(socket);
            return nullptr;
        }
        m_socket = socket;
    }
    sockaddr_in address{};
    tcp_make_address(&address, m_ip.c_str(), m_port);
    const int result = tcp_connect(socket, &address);
    {
        const std::lock_guard<std::mutex> lock(m_socketLock);
        m_socket = -1;
    }
    if (TestDestroy()) {
        tcp_close(socket);
        return nullptr;
    }
    if (result > 0) {
        Post(EVT_CONNECTED, socket);
    } else {
        tcp_close(socket);
        Post(EVT_CONNECT_FAILED, -1);
    }
    return nullptr;
}

void ConnectThread::Post(int type, int socket)
{
    if (m_panel == nullptr)
        return;
    wxCommandEvent event(type, type);
    event.SetInt(m_attempt);
    if (type == EVT_CONNECTED)
        event.SetClientData(reinterpret_cast<void *>(static_cast<intptr_t>(socket)));
    m_panel->GetEventHandler()->AddPendingEvent(event);
}
