#include "uart/read_uart_thread.h"

#include "uart/link_transport.h"
#include "uart/uart_link.h"
#include "uart/worker_events.h"
#include "uart/worker_lifetimes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

namespace {

constexpr size_t kReceiveSize = 512;
constexpr std::chrono::milliseconds kChangePause(100);

} // namespace

ReadUartThread::ReadUartThread(UartLink *link, std::shared_ptr<LinkChannel> channel, int connection)
    : wxThread(wxTHREAD_DETACHED), m_link(link), m_channel(std::move(channel)), m_connection(connection)
{
}

ReadUartThread::~ReadUartThread()
{
    m_link->OnReadThreadGone(this);
}

wxThread::ExitCode ReadUartThread::Entry()
{
    worker_lifetimes::Enter();
    // A message-keeping transport's message is read whole: one packet.
    std::vector<uint8_t> storage(std::max(kReceiveSize, m_channel->MessageLimit()));
    uint8_t *const buffer = storage.data();
    // At most one change event per pause, so that a flood of refused
    // datagrams does not flood the GUI thread too; the status bar's own
    // refresh shows the last change in any case.
    std::chrono::steady_clock::time_point nextChange;
    m_channel->WatchChanges([this, &nextChange] {
        const auto now = std::chrono::steady_clock::now();
        if (now < nextChange)
            return;
        nextChange = now + kChangePause;
        Post(EVT_LINK_CHANGED, std::string());
    });
    for (;;) {
        const ssize_t received = m_channel->Read(buffer, storage.size());
        // The reason of a failure, before anything else can change it.
        const int failure = errno;
        if (TestDestroy())
            break;
        if (received <= 0) {
            // Shut down, the channel fails the next send instead of losing
            // its bytes, and the module sees this end close. A link that is
            // stopping this thread (seen above) shuts it itself; one that
            // stopped it just after the test above drops the event: the
            // connection it names is no longer the one it holds.
            m_channel->Shutdown();
            if (received < 0)
                Post(EVT_CONNECTION_LOST, m_channel->ReadFailureText(failure));
            else
                Post(EVT_CONNECTION_CLOSED, std::string());
            break;
        }
        Log(buffer, static_cast<size_t>(received));
        // Waits while too many chunks are still to be shown; a closed inbox
        // means the link is stopping this thread.
        if (!m_link->Inbox().Reserve())
            break;
        m_link->HandOverChunk(ReceiveInbox::MakeChunk(buffer, static_cast<size_t>(received)));
        if (TestDestroy())
            break;
    }
    return nullptr;
}

void ReadUartThread::Log(const uint8_t *data, size_t size)
{
    std::string error;
    if (!m_link->Log().Write(data, size, error))
        Post(EVT_LOG_FAILED, error);
}

void ReadUartThread::Post(wxEventType type, const std::string &text)
{
    wxCommandEvent event(type, static_cast<int>(type));
    event.SetInt(m_connection);
    event.SetString(wxString::FromUTF8(text));
    m_link->Post(event);
}
