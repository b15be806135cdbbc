// The UART panel's view of the link's life cycle: connecting behind a
// progress dialog, disconnecting, new connection parameters, the reconnect
// option, and what the panel shows when the link drops and comes back.
#include "uart/terminal_panel.h"

#include "app/control_names.h"
#include "app/error_box.h"
#include "app/image_file.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "net/tcp.h"
#include "uart/link_status.h"
#include "uart/panel_timestamp.h"
#include "uart/worker_events.h"

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

// A reason from the system, in UTF-8 or else in the C library's encoding.
wxString ReasonText(const std::string &reason)
{
    const wxString text = wxString::FromUTF8(reason);
    return text.empty() ? wxString(reason.c_str(), wxConvLibc) : text;
}

} // namespace

void TerminalPanel::OnConnect(wxCommandEvent &)
{
    if (m_link.Connected() || m_link.Reconnecting()) {
        Disconnect();
        return;
    }
    if (!m_parameters) {
        ShowErrorBox("Connection parameters not set");
        return;
    }
    if (!m_link.StartConnect(*m_parameters)) {
        ShowErrorBox(ReasonText(m_link.ConnectError()));
        return;
    }

    {
        wxProgressDialog progress("Connection to Zumbrel", "Connection in progress. Please Wait...",
                                  kProgressMaximum, this,
                                  wxPD_CAN_ABORT | wxPD_APP_MODAL | wxPD_AUTO_HIDE | wxPD_SMOOTH);
        WaitForConnectResult(progress);
    }

    switch (m_link.TakeResult()) {
    case UartLink::ConnectResult::Pending:
        m_link.AbandonConnect();
        ShowErrorBox("Connection aborted by user");
        break;
    case UartLink::ConnectResult::Failed:
        ShowErrorBox(ReasonText(m_link.ConnectError()));
        break;
    case UartLink::ConnectResult::Connected:
        // A server that listens and a UDP port that is bound have no module
        // yet to speak of: the status bar says where they stand.
        EnterConnectedState(m_parameters->mode != LinkMode::TcpClient);
        break;
    }
}

void TerminalPanel::WaitForConnectResult(wxProgressDialog &progress)
{
    const unsigned long pause = 10ul * tcp_get_connect_timeout() + 100;
    for (int value = 0; value <= kProgressMaximum; value += kProgressStep) {
        wxMilliSleep(pause);
        if (m_link.Result() != UartLink::ConnectResult::Pending)
            return;
        const bool goOn = progress.Update(value, "");
        // The dialog's Update does not run queued events; the attempt's
        // result is one.
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
    std::string error;
    if (!m_link.BeginSession(error)) {
        ShowErrorBox(ReasonText(error));
        return false;
    }
    m_streamPlot.Restart();
    ShowConnectionLook();
    ShowLinkStatus();
    // A connection made again by itself says so in the status bar only: a
    // box would wait for a user who may be away.
    if (!quietly)
        wxMessageBox("Connection successful", "Connected", wxOK | wxICON_EXCLAMATION);
    return true;
}

void TerminalPanel::Disconnect()
{
    m_link.Disconnect();
    ShowConnectionLook();
    ShowLinkStatus();
}

// While the link is taken up again the button stays "Disconnect": pressing
// it ends the attempts.
void TerminalPanel::ShowConnectionLook()
{
    const bool connected = m_link.Connected();
    m_statusIcon->SetBitmap(LoadImageFile(connected ? "icons/ok.jpg" : "icons/ko.jpg"));
    const bool busy = connected || m_link.Reconnecting();
    m_connectButton->SetBitmapLabel(busy ? *m_disconnectBitmap : *m_connectBitmap);
    NameControl(m_connectButton, busy ? wxString("Disconnect") : ButtonName(ID_CONNECT));
}

void TerminalPanel::OnConnectionEvent(wxCommandEvent &event)
{
    if (m_shutDown)
        return;
    switch (event.GetId()) {
    case EVT_CONNECTED:
        // The user's own attempts go on in OnConnect; this one the link made
        // by itself.
        if (m_link.Connected())
            OnLinkReturned();
        break;
    case EVT_CONNECT_FAILED:
        ShowLinkStatus();
        break;
    case EVT_CONNECTION_LOST:
    case EVT_CONNECTION_CLOSED:
        OnLinkEnded(event);
        break;
    case EVT_LINK_CHANGED:
        ShowLinkStatus();
        break;
    case EVT_LOG_FAILED:
        ShowLinkStatus();
        ShowErrorBox(event.GetString());
        break;
    default:
        break;
    }
}

void TerminalPanel::OnLinkEnded(wxCommandEvent &event)
{
    const bool lost = event.GetId() == EVT_CONNECTION_LOST;
    ShowConnectionLook();
    ShowLinkStatus();
    if (m_link.Reconnecting()) {
        AppendLinkLine(false, lost ? "Connection lost: " + event.GetString() : wxString("Closed by the module"));
        return;
    }
    if (lost)
        ShowErrorBox("Connection Lost");
}

void TerminalPanel::OnLinkReturned()
{
    m_streamPlot.Restart();
    ShowConnectionLook();
    ShowLinkStatus();
    AppendLinkLine(true, "Connected again to " + wxString::FromUTF8(m_link.Peer()));
}

// Ticked after a drop, the option takes the link up again; unticked while it
// does, the link stays down as the module left it.
void TerminalPanel::OnReconnectOption(wxCommandEvent &)
{
    m_link.SetReconnect(m_reconnectCheck->GetValue());
    ShowConnectionLook();
    ShowLinkStatus();
}

void TerminalPanel::ShowLinkStatus()
{
    if (m_link.Connected()) {
        if (!m_statusTimer.IsRunning())
            m_statusTimer.Start(kStatusRefreshMs);
    } else {
        m_statusTimer.Stop();
    }
    wxStatusBar *bar = MainWindow::GetInstance()->m_statusBar;
    if (bar != nullptr && IsShown())
        bar->SetStatusText(wxString::FromUTF8(LinkStatusText(m_link.Status())), 1);
}

void TerminalPanel::OnStatusTimer(wxTimerEvent &)
{
    ShowLinkStatus();
}

void TerminalPanel::SetConnectionParameters(const std::optional<LinkEndpoint> &parameters)
{
    const bool wasBusy = m_link.Connected() || m_link.Reconnecting();
    m_link.Retarget();
    m_parameters = parameters;
    m_ipLabel->SetLabel(parameters ? wxString::FromUTF8(parameters->host) : wxString("not set"));
    m_portLabel->SetLabel(parameters ? wxString::Format("%u", parameters->port) : wxString("not set"));
    Layout();
    Refresh();
    if (!wasBusy)
        return;
    ShowConnectionLook();
    ShowLinkStatus();
}

void TerminalPanel::OnModifyParameters(wxCommandEvent &)
{
    auto *dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(380, 250), wxDEFAULT_DIALOG_STYLE);
    if (m_parameters) {
        dialog->SetValues(wxString::FromUTF8(m_parameters->host), wxString::Format("%u", m_parameters->port));
        dialog->SetLink(m_parameters->mode, m_parameters->listenAddress, m_parameters->localPort);
    } else
        dialog->SetValues(kDefaultModuleIp, kDefaultModulePort);
}

void TerminalPanel::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_statusTimer.Stop();
    m_link.Shutdown();
    DropStagedChunks();
}
