// The UART link's part in its workers' events: results of connect attempts,
// ends of connections, failed senders and streaming progress. What is not
// current any more goes no further than here.
#include "uart/uart_link.h"

#include "uart/panel_timestamp.h"
#include "uart/worker_events.h"

#include <memory>

UartLink::Inbound::Inbound(UartLink &link) : m_link(link)
{
    for (const wxEventType type : {EVT_CONNECTED, EVT_CONNECT_FAILED, EVT_UART_DATA, EVT_CONNECTION_LOST,
                                   EVT_CONNECTION_CLOSED, EVT_LINK_CHANGED, EVT_LOG_FAILED, EVT_PERIODIC_SEND_FAILED,
                                   EVT_PERIODIC_DONE, EVT_FILE_FAILED, EVT_FILE_PROGRESS})
        Connect(wxID_ANY, type, wxCommandEventHandler(UartLink::Inbound::OnEvent));
}

bool UartLink::Inbound::HasQueuedEvents()
{
    const wxCriticalSectionLocker lock(m_pendingEventsLock);
    return m_pendingEvents != nullptr && !m_pendingEvents->IsEmpty();
}

void UartLink::Inbound::OnEvent(wxCommandEvent &event)
{
    m_link.OnWorkerEvent(event);
}

void UartLink::OnWorkerEvent(wxCommandEvent &event)
{
    bool current = !m_shutDown;
    switch (event.GetId()) {
    case EVT_CONNECTED:
    case EVT_CONNECT_FAILED:
        current = OnConnectResult(event) && current;
        break;
    case EVT_CONNECTION_LOST:
    case EVT_CONNECTION_CLOSED:
        current = current && OnLinkEnded(event);
        break;
    case EVT_PERIODIC_SEND_FAILED:
        current = current && OnPeriodicSendFailed(event);
        break;
    case EVT_FILE_FAILED:
        current = current && OnFileFailed(event);
        break;
    case EVT_FILE_PROGRESS:
        OnFileProgress(event);
        break;
    case EVT_LINK_CHANGED:
        current = current && event.GetInt() == m_connectionNumber && m_connected;
        break;
    default: // received data, log failures, periodic counts: the sink's alone
        break;
    }
    if (current)
        m_sink->ProcessEvent(event);
}

// The attempt's channel is taken here in any case: adopted, or closed when
// it comes after its attempt was given up (or the link is shut down).
bool UartLink::OnConnectResult(wxCommandEvent &event)
{
    std::unique_ptr<LinkChannel> channel(static_cast<LinkChannel *>(event.GetClientData()));
    event.SetClientData(nullptr);
    if (m_shutDown || event.GetInt() != m_awaitedAttempt || m_connectResult != ConnectResult::Pending)
        return false;
    if (channel) {
        m_connection.Adopt(std::move(channel));
        m_connectResult = ConnectResult::Connected;
    } else {
        m_connectResult = ConnectResult::Failed;
        m_connectError = event.GetString().utf8_string();
    }
    if (!m_reconnecting)
        return true;
    // A link taken up again goes on at once, without the user.
    m_awaitedAttempt = 0;
    if (m_connectResult == ConnectResult::Connected) {
        std::string error;
        m_reconnecting = false;
        if (BeginSession(error))
            return true;
        m_reconnecting = true;
    }
    m_connectResult = ConnectResult::Pending;
    if (!StartAttempt(kReconnectEveryMs)) {
        m_reconnecting = false;
        m_presence.Gone();
        m_dropped = true;
    }
    return true;
}

// The end of a connection the user or new parameters already ended, or of
// an older one, is not this connection's: the read thread may have seen the
// shutdown of a disconnect before it was asked to stop.
bool UartLink::OnLinkEnded(wxCommandEvent &event)
{
    if (event.GetInt() != m_connectionNumber || !m_connected)
        return false;
    // The counts of the connection that ended stay in view.
    m_status.rxBytes = m_inbox.BytesReceived();
    m_status.txBytes = m_connection.Sent();
    TearDownConnection();
    // A device stays locked to this program while it is open: it is freed
    // at once, for the next attempt and for other programs.
    if (m_endpoint.mode == LinkMode::Serial)
        m_connection.Close();
    m_status.state = event.GetId() == EVT_CONNECTION_LOST ? LinkState::Lost : LinkState::ClosedByModule;
    m_status.endedAt = PanelTimestamp().utf8_string();
    m_status.reason = event.GetString().utf8_string();
    if (m_reconnect) {
        StartReconnecting();
        return true;
    }
    m_presence.Gone();
    m_dropped = true;
    return true;
}

// A failure of a run the user stopped meanwhile is not reported.
bool UartLink::OnPeriodicSendFailed(wxCommandEvent &event)
{
    if (event.GetInt() != m_periodicRun)
        return false;
    StopPeriodic();
    return true;
}

// A failure of a stream the user ended meanwhile is not reported.
bool UartLink::OnFileFailed(wxCommandEvent &event)
{
    if (event.GetInt() != m_mediaStream)
        return false;
    StopMedia();
    return true;
}

void UartLink::OnFileProgress(wxCommandEvent &event)
{
    // Cleared before the count is read: a count stored after this read posts
    // a new event. The event passed on has that count.
    m_fileProgressPosted = false;
    m_mediaBytesReported = m_fileProgressBytes;
    event.SetClientData(reinterpret_cast<void *>(static_cast<uintptr_t>(m_mediaBytesReported)));
}
