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
#include "uart/serial_options.h"
#include "uart/worker_events.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/control.h>
#include <wx/dcclient.h>
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

// The widest the top row's IP and port labels grow: a serial device's path
// and its line settings run longer than an address and a port, and the row
// must keep its reconnect option at the least frame width.
constexpr int kMostIpLabelWidth = 120;
constexpr int kMostPortLabelWidth = 150;

// Shows `text` whole, or shortened in its middle to `mostWidth` with the
// whole text as the label's tooltip.
void ShowWithin(wxStaticText *label, const wxString &text, int mostWidth)
{
    const wxString shown = wxControl::Ellipsize(text, wxClientDC(label), wxELLIPSIZE_MIDDLE, mostWidth);
    label->SetLabel(shown);
    label->SetToolTip(shown == text ? wxString() : text);
}

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
        EnterConnectedState(m_parameters->mode == LinkMode::TcpServer || m_parameters->mode == LinkMode::Udp);
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
    RestartRuleStream();
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
        if (m_link.Peer() != m_rulePeer)
            RestartRuleStream();
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
    if (SequenceRunning())
        EndSequence(lost ? "the connection was lost" : "the module closed the connection");
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
    RestartRuleStream();
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
    // A serial link shows its device and its line ("115200 8N1") there.
    const bool serial = parameters && parameters->mode == LinkMode::Serial;
    ShowWithin(m_ipLabel,
               !parameters ? wxString("not set")
               : serial    ? wxString::FromUTF8(parameters->device)
                           : wxString::FromUTF8(parameters->host),
               kMostIpLabelWidth);
    ShowWithin(m_portLabel,
               !parameters ? wxString("not set")
               : serial    ? wxString::FromUTF8(SerialSummary(parameters->serial))
                           : wxString::Format("%u", parameters->port),
               kMostPortLabelWidth);
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
        dialog->SetSerial(m_parameters->device, m_parameters->serial);
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
