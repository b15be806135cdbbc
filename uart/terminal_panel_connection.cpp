// Connection life cycle of the UART panel: connect behind a progress dialog,
// disconnect, new parameters, lost connections, and stopping everything when
// the panel goes.
#include "uart/terminal_panel.h"

#include "app/control_names.h"
#include "app/error_box.h"
#include "app/image_file.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "net/tcp.h"
#include "uart/connect_thread.h"
#include "uart/link_status.h"
#include "uart/panel_timestamp.h"
#include "uart/port_text.h"
#include "uart/read_uart_thread.h"
#include "uart/worker_events.h"
#include "uart/worker_lifetimes.h"

#include <cerrno>
#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

namespace {

constexpr int kProgressMaximum = 100;
constexpr int kProgressStep = 2;
// How often the status bar's byte counts follow the traffic.
constexpr int kStatusRefreshMs = 500;
// The pause before each attempt to connect again after the link dropped.
constexpr int kReconnectEveryMs = 2000;

void RecordThreadStartFailure()
{
    tcp_set_system_error(EAGAIN);
}

} // namespace

bool TerminalPanel::StartConnectThread()
{
    const std::string ip = m_ipLabel->GetLabel().utf8_string();
    const uint16_t port = PortFromText(m_portLabel->GetLabel().utf8_string());
    m_awaitedAttempt = ++m_connectAttempt;
    auto *thread = new ConnectThread(this, ip, port, m_awaitedAttempt);
    ++m_liveConnectThreads;
    m_connectThread = thread;
    if (thread->Create() == wxTHREAD_NO_ERROR && thread->Run() == wxTHREAD_NO_ERROR)
        return true;
    delete thread;
    m_awaitedAttempt = 0;
    return false;
}

void TerminalPanel::OnConnect(wxCommandEvent &)
{
    if (m_connected || m_reconnecting) {
        Disconnect();
        return;
    }
    if (m_ipLabel->GetLabel() == "not set") {
        ShowErrorBox("Connection parameters not set");
        return;
    }
    if (!StartConnectThread()) {
        RecordThreadStartFailure();
        ShowSocketError();
        return;
    }

    {
        wxProgressDialog progress("Connection to Zumbrel", "Connection in progress. Please Wait...",
                                  kProgressMaximum, this,
                                  wxPD_CAN_ABORT | wxPD_APP_MODAL | wxPD_AUTO_HIDE | wxPD_SMOOTH);
        WaitForConnectResult(progress);
    }

    switch (m_connectResult) {
    case 0:
        AbandonConnectAttempt();
        ShowErrorBox("Connection aborted by user");
        break;
    case -1:
        m_awaitedAttempt = 0;
        ShowSocketError();
        m_connectResult = 0;
        break;
    default:
        m_awaitedAttempt = 0;
        EnterConnectedState();
        break;
    }
}

void TerminalPanel::WaitForConnectResult(wxProgressDialog &progress)
{
    const unsigned long pause = 10ul * tcp_get_connect_timeout() + 100;
    for (int value = 0; value <= kProgressMaximum; value += kProgressStep) {
        wxMilliSleep(pause);
        if (m_connectResult != 0)
            return;
        const bool goOn = progress.Update(value, "");
        // The dialog's Update does not run queued events; the thread's result
        // is one.
        wxTheApp->ProcessPendingEvents();
        if (goOn)
            continue;
        if (wxMessageBox("Do you really want to cancel connection?", "End Connection?",
                         wxYES_NO | wxICON_QUESTION) == wxYES)
            return;
        progress.Resume();
    }
}

bool TerminalPanel::EnterConnectedState(bool quietly)
{
    ++m_connection;
    bool started = false;
    const int readSocket = m_socket.DuplicateForReader();
    m_rxBytesReceived = 0;
    if (readSocket >= 0) {
        m_rxGate.Open();
        auto *thread = new ReadUartThread(this, readSocket, m_connection, m_log);
        m_readThread = thread;
        started = thread->Create() == wxTHREAD_NO_ERROR && thread->Run() == wxTHREAD_NO_ERROR;
        if (!started) {
            delete thread; // its destructor closes its descriptor
            RecordThreadStartFailure();
        }
    }
    if (!started) {
        // Connected with nothing reading, the panel would show no data and
        // never learn that the link ended: the attempt failed.
        const wxString reason = wxString::FromUTF8(tcp_strerror(tcp_last_error()));
        m_rxGate.Close();
        m_socket.Close();
        m_connectResult = 0;
        ShowErrorBox(reason);
        return false;
    }

    m_statusIcon->SetBitmap(LoadImageFile("icons/ok.jpg"));
    m_connected = true;
    m_connectButton->SetBitmapLabel(*m_disconnectBitmap);
    NameControl(m_connectButton, "Disconnect");
    m_link = LinkStatus();
    m_link.state = LinkState::Connected;
    m_link.host = m_ipLabel->GetLabel().utf8_string();
    m_link.port = PortFromText(m_portLabel->GetLabel().utf8_string());
    ShowLinkStatus();
    // A connection made again by itself says so in the status bar only: a
    // box would wait for a user who may be away.
    if (!quietly)
        wxMessageBox("Connection successful", "Connected", wxOK | wxICON_EXCLAMATION);
    return true;
}

void TerminalPanel::OnConnected(wxCommandEvent &event)
{
    const int socket = static_cast<int>(reinterpret_cast<intptr_t>(event.GetClientData()));
    // A result that comes after its attempt was given up is not wanted.
    if (m_shutDown || event.GetInt() != m_awaitedAttempt || m_connectResult != 0) {
        tcp_close(socket);
        return;
    }
    m_socket.Adopt(socket);
    m_socketHandle = socket;
    m_connectResult = 1;
    if (m_reconnecting)
        OnReconnectResult();
}

void TerminalPanel::OnConnectionEvent(wxCommandEvent &event)
{
    if (m_shutDown)
        return;
    switch (event.GetId()) {
    case EVT_CONNECT_FAILED:
        if (event.GetInt() == m_awaitedAttempt && m_connectResult == 0) {
            m_connectResult = -1;
            if (m_reconnecting)
                OnReconnectResult();
        }
        break;
    case EVT_CONNECTION_LOST:
    case EVT_CONNECTION_CLOSED:
        OnLinkEnded(event);
        break;
    case EVT_LOG_FAILED:
        ShowLinkStatus();
        ShowErrorBox(event.GetString());
        break;
    default:
        break;
    }
}

// The end of a connection the user or new parameters already ended, or of
// an older one, is not this connection's: the receive thread may have seen
// the shutdown of a disconnect before it was asked to stop.
void TerminalPanel::OnLinkEnded(wxCommandEvent &event)
{
    if (event.GetInt() != m_connection || !m_connected)
        return;
    const bool lost = event.GetId() == EVT_CONNECTION_LOST;
    // The counts of the connection that ended stay in view.
    m_link.rxBytes = m_rxBytesReceived;
    m_link.txBytes = m_socket.Sent();
    TearDownConnection();
    m_link.state = lost ? LinkState::Lost : LinkState::ClosedByModule;
    m_link.endedAt = PanelTimestamp().utf8_string();
    m_link.reason = event.GetString().utf8_string();
    if (m_reconnectCheck->GetValue()) {
        StartReconnecting();
        return;
    }
    ShowLinkStatus();
    if (lost && m_socketHandle > 0)
        ShowErrorBox("Connection Lost");
}

void TerminalPanel::Disconnect()
{
    StopReconnecting();
    TearDownConnection();
    m_log.Close();
    m_link = LinkStatus();
    ShowLinkStatus();
}

void TerminalPanel::TearDownConnection()
{
    if (m_socketHandle != 0)
        m_socket.Shutdown();
    StopReadThread();
    m_statusIcon->SetBitmap(LoadImageFile("icons/ko.jpg"));
    m_connected = false;
    m_connectResult = 0;
    m_connectButton->SetId(ID_CONNECT);
    m_connectButton->SetBitmapLabel(*m_connectBitmap);
    NameControl(m_connectButton, ButtonName(ID_CONNECT));
}

void TerminalPanel::ShowLinkStatus()
{
    if (m_connected) {
        m_link.rxBytes = m_rxBytesReceived;
        m_link.txBytes = m_socket.Sent();
        if (!m_statusTimer.IsRunning())
            m_statusTimer.Start(kStatusRefreshMs);
    } else {
        m_statusTimer.Stop();
    }
    // Read without waiting for the receive thread, which may be held up in
    // a log write by a slow disk.
    const bool logging = m_log.IsOpen();
    m_link.logPath = logging ? m_log.Path() : std::string();
    m_link.logBytes = logging ? m_log.Size() : 0;
    wxStatusBar *bar = MainWindow::GetInstance()->m_statusBar;
    if (bar != nullptr && IsShown())
        bar->SetStatusText(wxString::FromUTF8(LinkStatusText(m_link)), 1);
}

void TerminalPanel::StartReconnecting()
{
    m_reconnecting = true;
    m_link.reconnecting = true;
    // The button stays "Disconnect": pressing it ends the attempts.
    m_connectButton->SetBitmapLabel(*m_disconnectBitmap);
    NameControl(m_connectButton, "Disconnect");
    ShowLinkStatus();
    m_reconnectTimer.StartOnce(kReconnectEveryMs);
}

void TerminalPanel::StopReconnecting()
{
    if (!m_reconnecting)
        return;
    m_reconnecting = false;
    m_link.reconnecting = false;
    m_reconnectTimer.Stop();
    AbandonConnectAttempt();
    m_connectResult = 0;
}

void TerminalPanel::OnReconnectTimer(wxTimerEvent &)
{
    if (!m_reconnecting || m_shutDown || m_connected)
        return;
    // The user turned the option off meanwhile: the link stays down.
    if (!m_reconnectCheck->GetValue()) {
        StopReconnecting();
        TearDownConnection();
        m_log.Close();
        ShowLinkStatus();
        return;
    }
    m_connectResult = 0;
    if (!StartConnectThread())
        m_reconnectTimer.StartOnce(kReconnectEveryMs);
}

// The attempt's result has been taken by OnConnected or the failure event.
void TerminalPanel::OnReconnectResult()
{
    m_awaitedAttempt = 0;
    if (m_connectResult == 1) {
        m_reconnecting = false;
        if (EnterConnectedState(true))
            return;
        m_reconnecting = true;
    }
    m_connectResult = 0;
    m_link.reconnecting = true;
    ShowLinkStatus();
    m_reconnectTimer.StartOnce(kReconnectEveryMs);
}

void TerminalPanel::OnStatusTimer(wxTimerEvent &)
{
    ShowLinkStatus();
}

void TerminalPanel::StopReadThread()
{
    m_rxGate.Close();
    {
        const std::lock_guard<std::mutex> lock(m_threadLock);
        if (ReadUartThread *thread = m_readThread)
            thread->Delete();
    }
    // No limit: the thread ends once its blocking call returns. The shutdown
    // ended its receive (or the connection has ended already), the closed
    // gate its hand-over; a log write returns when the disk answers. Giving
    // up before would leave it to report into a panel that may then go.
    WaitForThreads([this] { return m_readThread == nullptr; });
}

void TerminalPanel::WaitForThreads(const std::function<bool()> &gone)
{
    for (;;) {
        {
            // The destructors clear their pointers under this lock, so a
            // thread seen gone here has left the panel for good.
            const std::lock_guard<std::mutex> lock(m_threadLock);
            if (gone())
                return;
        }
        wxThread::Sleep(1);
    }
}

void TerminalPanel::AbandonConnectAttempt()
{
    m_awaitedAttempt = 0;
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (ConnectThread *thread = m_connectThread)
        thread->Abandon();
}

void TerminalPanel::OnReadThreadGone(ReadUartThread *thread)
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_readThread == thread)
        m_readThread = nullptr;
}

void TerminalPanel::OnConnectThreadGone(ConnectThread *thread)
{
    const std::lock_guard<std::mutex> lock(m_threadLock);
    if (m_connectThread == thread)
        m_connectThread = nullptr;
    --m_liveConnectThreads;
}

void TerminalPanel::SetConnectionParameters(const wxString &ip, const wxString &port)
{
    // A log records one module.
    m_log.Close();
    // Attempts to reach the old module end with its parameters.
    if (m_reconnecting) {
        StopReconnecting();
        TearDownConnection();
        m_link = LinkStatus();
        ShowLinkStatus();
    }
    m_ipLabel->SetLabel(ip);
    m_portLabel->SetLabel(port);
    Layout();
    Refresh();
    if (m_connected)
        Disconnect();
}

void TerminalPanel::OnModifyParameters(wxCommandEvent &)
{
    auto *dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(380, 250), wxDEFAULT_DIALOG_STYLE);
    if (m_ipLabel->GetLabel() != "not set")
        dialog->SetValues(m_ipLabel->GetLabel(), m_portLabel->GetLabel());
    else
        dialog->SetValues(kDefaultModuleIp, kDefaultModulePort);
}

void TerminalPanel::ShowSocketError()
{
    const char *text = tcp_strerror(tcp_last_error());
    wxString message = wxString::FromUTF8(text);
    if (message.empty())
        message = wxString(text, wxConvLibc);
    ShowErrorBox(message);
}

int TerminalPanel::SendBytes(const char *data, uint16_t *length)
{
    return m_socket.Send(data, length);
}

void TerminalPanel::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_reconnectTimer.Stop();
    m_statusTimer.Stop();
    AbandonConnectAttempt();
    m_socket.Close();
    StopPeriodicThread();
    StopFileThread();
    StopReadThread();
    m_log.Close();
    // No limit: an abandoned attempt's socket is shut down, so its connect
    // ends at once, and at the latest after the connect time-out.
    WaitForThreads([this] { return m_liveConnectThreads == 0; });
    // Each thread still runs the toolkit's clean-up after it has left the
    // panel; the program must not end under it.
    worker_lifetimes::WaitForAll();
    DropStagedChunks();
    // Chunks and results still queued for the panel are dropped by their
    // handlers now, so that no received block is leaked.
    while (HasQueuedEvents())
        ProcessPendingEvents();
}

bool TerminalPanel::HasQueuedEvents()
{
    const wxCriticalSectionLocker lock(m_pendingEventsLock);
    return m_pendingEvents != nullptr && !m_pendingEvents->IsEmpty();
}
