#include "uart/read_uart_thread.h"

#include "net/tcp.h"
#include "uart/receive_log.h"
#include "uart/terminal_panel.h"
#include "uart/worker_events.h"
#include "uart/worker_lifetimes.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <sys/socket.h>

namespace {

constexpr int kReceiveSize = 512;
// What the system may hold for the panel beyond the chunks on their way to
// the screen. Left to itself it grows the buffer up to tens of megabytes on
// a fast stream, and the screen falls that far behind the module; this is
// still many times what a module's serial line delivers in a round trip.
constexpr int kSystemReceiveBuffer = 128 * 1024;

} // namespace

ReadUartThread::ReadUartThread(TerminalPanel *panel, int socket, int connection, ReceiveLog &log)
    : wxThread(wxTHREAD_DETACHED), m_panel(panel), m_socket(socket), m_connection(connection), m_log(log)
{
}

ReadUartThread::~ReadUartThread()
{
    if (m_socket >= 0)
        tcp_close(m_socket);
    m_panel->OnReadThreadGone(this);
}

wxThread::ExitCode ReadUartThread::Entry()
{
    worker_lifetimes::Enter();
    setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &kSystemReceiveBuffer, sizeof(kSystemReceiveBuffer));
    uint8_t buffer[kReceiveSize];
    for (;;) {
        const int received = tcp_recv(m_socket, reinterpret_cast<char *>(buffer), kReceiveSize);
        // The reason of a failure, before anything else can change it (the
        // socket layer's last error is shared by every thread).
        const int failure = errno;
        if (received <= 0)
            m_socket = -1; // the socket layer has closed it
        if (TestDestroy())
            break;
        if (received <= 0) {
            // Only this thread's descriptor is closed; the panel's would still
            // take a send and lose its bytes. A panel that is stopping this
            // thread (seen above) shuts the connection itself, and waits for
            // the thread before it takes a new one. A panel that stopped it
            // just after the test above drops the event: the connection it
            // names is no longer the one it holds.
            m_panel->ShutdownEndedConnection();
            if (received < 0)
                Post(EVT_CONNECTION_LOST, SystemErrorText(failure));
            else
                Post(EVT_CONNECTION_CLOSED, std::string());
            break;
        }
        Log(buffer, static_cast<size_t>(received));
        // Waits while the panel has too many chunks still to show; a closed
        // gate means the panel is stopping this thread.
        if (!m_panel->m_rxGate.Acquire())
            break;
        HandOver(buffer, static_cast<size_t>(received));
        if (TestDestroy())
            break;
    }
    return nullptr;
}

void ReadUartThread::Log(const uint8_t *data, size_t size)
{
    std::string error;
    if (!m_log.Write(data, size, error))
        Post(EVT_LOG_FAILED, error);
}

void ReadUartThread::Post(wxEventType type, const std::string &text)
{
    wxCommandEvent event(type, static_cast<int>(type));
    event.SetInt(m_connection);
    event.SetString(wxString::FromUTF8(text));
    m_panel->GetEventHandler()->AddPendingEvent(event);
}

void ReadUartThread::HandOver(const uint8_t *data, size_t size)
{
    auto *block = new uint8_t[2 + size];
    block[0] = static_cast<uint8_t>(size >> 8);
    block[1] = static_cast<uint8_t>(size & 0xff);
    std::copy(data, data + size, block + 2);
    m_panel->HandOverChunk(std::unique_ptr<uint8_t[]>(block));
}
