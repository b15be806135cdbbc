// The UART link's life cycle: connect attempts, the session of a
// connection, disconnecting, taking a dropped link up again, and stopping
// everything at the end.
#include "uart/uart_link.h"

#include "uart/connect_thread.h"
#include "uart/error_text.h"
#include "uart/panel_timestamp.h"
#include "uart/read_uart_thread.h"
#include "uart/serial_options.h"
#include "uart/worker_lifetimes.h"

#include <cerrno>

namespace {

// Received chunks on their way to the screen at most (see ReceiveInbox).
constexpr size_t kRxChunksInFlight = 1024;

} // namespace

UartLink::UartLink(wxEvtHandler *sink) : m_sink(sink), m_inbound(*this), m_inbox(kRxChunksInFlight) {}

UartLink::~UartLink()
{
    Shutdown();
}

void UartLink::Post(const wxCommandEvent &event)
{
    m_inbound.QueueEvent(event.Clone());
}

bool UartLink::StartConnect(const LinkEndpoint &endpoint)
{
    // A listener or a UDP socket that ended by itself still holds its port,
    // which the new attempt may want again.
    if (!m_connected && m_endpoint.mode != LinkMode::TcpClient)
        m_connection.Close();
    m_endpoint = endpoint;
    m_connectResult = ConnectResult::Pending;
    return StartAttempt(0);
}

bool UartLink::StartAttempt(int delayMs)
{
    m_awaitedAttempt = ++m_connectAttempt;
    auto *thread = new ConnectThread(this, MakeLinkOpener(m_endpoint), m_awaitedAttempt, delayMs);
    ++m_liveConnectThreads;
    m_connectThread = thread;
    if (thread->Create() == wxTHREAD_NO_ERROR && thread->Run() == wxTHREAD_NO_ERROR)
        return true;
    delete thread;
    m_awaitedAttempt = 0;
    m_connectError = SystemErrorText(EAGAIN);
    return false;
}

UartLink::ConnectResult UartLink::TakeResult()
{
    const ConnectResult result = m_connectResult;
    if (result == ConnectResult::Failed) {
        m_awaitedAttempt = 0;
        m_connectResult = ConnectResult::Pending;
    }
    return result;
}

void UartLink::AbandonConnect()
{
    m_awaitedAttempt = 0;
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (ConnectThread *thread = m_connectThread)
        thread->Abandon();
}

bool UartLink::BeginSession(std::string &error)
{
    m_awaitedAttempt = 0;
    ++m_connectionNumber;
    m_inbox.Open();
    auto *thread = new ReadUartThread(this, m_connection.Channel(), m_connectionNumber);
    m_readThread = thread;
    if (thread->Create() != wxTHREAD_NO_ERROR || thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        // Connected with nothing reading, the link would show no data and
        // never learn that it ended: the attempt failed.
        error = SystemErrorText(EAGAIN);
        m_inbox.Close();
        m_connection.Close();
        m_connectResult = ConnectResult::Pending;
        return false;
    }
    m_connected = true;
    m_dropped = false;
    m_status = LinkStatus();
    m_status.state = LinkState::Connected;
    const bool serial = m_endpoint.mode == LinkMode::Serial;
    m_status.host = serial ? m_endpoint.device : m_endpoint.host;
    m_status.port = m_endpoint.port;
    m_status.lineSettings = serial ? SerialSummary(m_endpoint.serial) : std::string();
    m_status.mode = m_endpoint.mode;
    m_status.localPort = m_endpoint.ReceivePort();
    m_presence.Up();
    return true;
}

void UartLink::Disconnect()
{
    StopReconnecting();
    // Before the shutdown: a sender whose send it fails must report it, not
    // wait for a return.
    m_presence.Gone();
    TearDownConnection();
    // A listener or a UDP socket frees its port at once: the user may give
    // it to another program.
    if (m_endpoint.mode != LinkMode::TcpClient)
        m_connection.Close();
    m_log.Close();
    m_dropped = false;
    m_status = LinkStatus();
}

void UartLink::Retarget()
{
    m_log.Close();
    if (m_connected || m_reconnecting)
        Disconnect();
    m_dropped = false;
}

void UartLink::TearDownConnection()
{
    m_connection.Shutdown();
    StopReadThread();
    m_connected = false;
    m_connectResult = ConnectResult::Pending;
}

void UartLink::SetReconnect(bool on)
{
    m_reconnect = on;
    m_presence.SetRideOut(on);
    if (on && m_dropped && !m_shutDown) {
        m_dropped = false;
        StartReconnecting();
    } else if (!on && m_reconnecting) {
        // The link stays down as the module left it.
        StopReconnecting();
        m_presence.Gone();
        TearDownConnection();
        m_log.Close();
        m_dropped = true;
    }
}

void UartLink::StartReconnecting()
{
    m_presence.Down();
    m_reconnecting = StartAttempt(kReconnectEveryMs);
    if (m_reconnecting)
        return;
    // No thread for the attempts: the link stays down.
    m_presence.Gone();
    m_dropped = true;
}

void UartLink::StopReconnecting()
{
    if (!m_reconnecting)
        return;
    m_reconnecting = false;
    AbandonConnect();
    m_connectResult = ConnectResult::Pending;
}

LinkStatus UartLink::Status() const
{
    LinkStatus status = m_status;
    if (m_connected) {
        status.rxBytes = m_inbox.BytesReceived();
        status.txBytes = m_connection.Sent();
        status.peer = m_connection.Peer();
        const LinkChannel::Refusals refused = m_connection.Refused();
        status.refused = refused.lastRefused;
        status.dropped = refused.dropped;
    }
    status.reconnecting = m_reconnecting;
    // Read without waiting for the read thread, which may be held up in a
    // log write by a slow disk.
    if (m_log.IsOpen()) {
        status.logPath = m_log.Path();
        status.logBytes = m_log.Size();
    }
    return status;
}

bool UartLink::StartLog(const std::string &folder, std::string &error)
{
    return !m_connected || m_log.Open(folder, error);
}

void UartLink::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_reconnecting = false;
    m_connected = false;
    AbandonConnect();
    m_presence.Gone();
    m_connection.Close();
    StopPeriodicThread();
    StopFileThread();
    StopReadThread();
    m_log.Close();
    // No limit: an abandoned attempt's pause and open end at once, and at
    // the latest after the transport's connect time-out.
    WaitForThreads([this] { return m_liveConnectThreads == 0; });
    // Each thread still runs the toolkit's clean-up after it has left the
    // link; the program must not end under it.
    worker_lifetimes::WaitForAll();
    std::deque<ReceiveInbox::Chunk> left;
    m_inbox.TakeAll(left);
    m_inbox.Release(left.size());
    // Results still queued are dropped by their handler now, so that no
    // channel they carry is leaked.
    while (m_inbound.HasQueuedEvents())
        m_inbound.ProcessPendingEvents();
}

void UartLink::StopReadThread()
{
    m_inbox.Close();
    {
        const std::lock_guard<std::mutex> lock(m_threadLock);
        if (ReadUartThread *thread = m_readThread)
            thread->Delete();
    }
    // No limit: the thread ends once its blocking call returns. The shutdown
    // ended its read (or the connection has ended already), the closed inbox
    // its hand-over; a log write returns when the disk answers. Giving up
    // before would leave it to report into a link that may then go.
    WaitForThreads([this] { return m_readThread == nullptr; });
}

void UartLink::WaitForThreads(const std::function<bool()> &gone)
{
    for (;;) {
        {
            // The destructors clear their pointers under this lock, so a
            // thread seen gone here has left the link for good.
            const std::lock_guard<std::mutex> lock(m_threadLock);
            if (gone())
                return;
        }
        wxThread::Sleep(1);
    }
}

void UartLink::OnReadThreadGone(ReadUartThread *thread)
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_readThread == thread)
        m_readThread = nullptr;
}

void UartLink::OnConnectThreadGone(ConnectThread *thread)
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_connectThread == thread)
        m_connectThread = nullptr;
    --m_liveConnectThreads;
}
