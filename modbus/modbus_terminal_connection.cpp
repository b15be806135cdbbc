// The Modbus panel's connection life cycle and its choice of function form.
#include "modbus/modbus_terminal_panel.h"

#include "app/control_names.h"
#include "app/error_box.h"
#include "app/image_file.h"
#include "app/ip_address.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "modbus/framing_name.h"
#include "modbus/function_panel.h"
#include "modbus/poll_worker.h"
#include "modbus/traffic_recorder.h"

#include <wx/bmpbuttn.h>
#include <wx/msgdlg.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <string>

namespace {

const char kNotSet[] = "not set";
// How often an idle connection is looked at for a gateway that ended it.
constexpr int kLinkCheckMs = 300;

} // namespace

void ModbusTerminalPanel::OnConnect(wxCommandEvent &event)
{
    if (m_connected) {
        Disconnect(event);
        return;
    }
    if (m_ipLabel->GetLabel() == kNotSet) {
        ShowErrorBox("Connection parameters not set");
        return;
    }

    // The connect blocks the window until the system answers (or its
    // time-out ends the wait).
    if (m_modbus == nullptr) {
        m_modbus = NewContext();
        if (m_modbus != nullptr)
            mb_set_trace(m_modbus, TrafficRecorder::Trace, m_traffic.get());
        // A form left on screen by a disconnect sends on the new context.
        if (m_functionPanel != nullptr)
            m_functionPanel->SetContext(m_modbus);
    }
    if (m_modbus == nullptr || mb_connect(m_modbus) == -1) {
        wxMessageBox("Connection failed", "Not Connected", wxOK | wxICON_ERROR);
        return;
    }

    m_statusIcon->SetBitmap(LoadImageFile("icons/ok.jpg"));
    m_connected = true;
    m_connectButton->SetBitmapLabel(m_disconnectBitmap);
    NameControl(m_connectButton, kDisconnectButtonName);
    m_linkTimer.Start(kLinkCheckMs);
    wxMessageBox("Connection successful", "Connected", wxOK | wxICON_EXCLAMATION);
}

mb_context *ModbusTerminalPanel::NewContext() const
{
    // The dialog hands on only port texts it accepts; the labels hold them.
    const std::string port(m_portLabel->GetLabel().utf8_str());
    if (!ip_address::IsPortText(port))
        return nullptr;
    mb_context *ctx = mb_new_tcp(m_ipLabel->GetLabel().utf8_str(), std::stoi(port));
    if (ctx != nullptr)
        mb_set_framing(ctx, m_framing);
    return ctx;
}

void ModbusTerminalPanel::Disconnect(wxCommandEvent &)
{
    ShowDisconnected();
}

void ModbusTerminalPanel::OnLinkLost(wxCommandEvent &)
{
    if (m_connected)
        ShowDisconnected();
}

void ModbusTerminalPanel::OnLinkTimer(wxTimerEvent &)
{
    // Only looks: what the socket holds is left to the next request. A poll
    // worker has the context, and tells of a lost connection itself.
    if (m_connected && !Polling() && !mb_link_up(m_modbus))
        ShowDisconnected();
}

void ModbusTerminalPanel::SetConnectionParameters(const wxString &ip, const wxString &port, int framing)
{
    m_ipLabel->SetLabel(ip);
    m_portLabel->SetLabel(port);
    m_framing = framing == MB_FRAMING_TCP ? MB_FRAMING_TCP : MB_FRAMING_RTU;
    m_framingLabel->SetLabel(FramingName(m_framing));
    Layout();
    Refresh();
    if (m_connected)
        ShowDisconnected();
    // The next connect goes to the new parameters, on a context of their own.
    Shutdown();
}

void ModbusTerminalPanel::ShowDisconnected()
{
    m_linkTimer.Stop();
    ReclaimContext();
    m_statusIcon->SetBitmap(LoadImageFile("icons/ko.jpg"));
    m_connected = false;
    if (m_modbus != nullptr)
        mb_close(m_modbus);
    m_connectButton->SetBitmapLabel(m_connectBitmap);
    NameControl(m_connectButton, kConnectButtonName);
}

void ModbusTerminalPanel::Shutdown()
{
    m_linkTimer.Stop();
    ReclaimContext();
    // The form holds the context: it goes first, so that nothing on screen can
    // send on a released context.
    CloseForm();
    m_connected = false;
    if (m_modbus != nullptr) {
        mb_close(m_modbus);
        mb_free(m_modbus);
        m_modbus = nullptr;
    }
}

void ModbusTerminalPanel::CloseForm()
{
    StopPolling();
    if (m_functionPanel != nullptr) {
        m_functionPanel->Destroy();
        m_functionPanel = nullptr;
    }
}

void ModbusTerminalPanel::OnModifyParameters(wxCommandEvent &)
{
    const bool known = m_ipLabel->GetLabel() != kNotSet;
    auto *dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(380, 250), wxDEFAULT_DIALOG_STYLE);
    dialog->SetValues(known ? m_ipLabel->GetLabel() : wxString(kDefaultModuleIp),
                      known ? m_portLabel->GetLabel() : wxString(kDefaultModulePort));
    // Opened from this panel, it offers this terminal and its framing: OK
    // without changes keeps the Modbus terminal.
    dialog->SetTerminalType(1);
    dialog->SetFraming(m_framing);
}

void ModbusTerminalPanel::OnFunctionChosen(wxCommandEvent &event)
{
    if (!m_connected) {
        ShowErrorBox("You have to connect first.");
        return;
    }
    CloseForm();
    m_functionPanel = new FunctionPanel(this, ID_FUNCTION_FORM, wxEmptyString, wxPoint(m_formLeft, m_formTop),
                                        wxSize(500, 480), wxTAB_TRAVERSAL, event.GetId(), m_modbus);
    m_functionPanel->SetTraffic(m_traffic.get());
    m_functionPanel->SetFocusIgnoringChildren();
}

bool ModbusTerminalPanel::StartPolling(const ReadRequest &request, int periodMs)
{
    if (!m_connected || m_modbus == nullptr || Polling())
        return false;
    auto run = std::make_shared<PollRun>(this, ++m_pollRuns);
    if (!StartPollWorker(m_modbus, request, periodMs, run, m_traffic))
        return false;
    m_pollRun = run;
    m_pollStarted = true;
    return true;
}

void ModbusTerminalPanel::StopPolling()
{
    // The context stays the worker's until it says it has ended.
    if (m_pollRun != nullptr)
        m_pollRun->Stop();
}

void ModbusTerminalPanel::OnPollAnswer(wxCommandEvent &event)
{
    if (m_pollRun == nullptr || event.GetInt() != m_pollRun->Number())
        return;
    PollReport report;
    if (m_pollRun->Take(report) && m_functionPanel != nullptr)
        m_functionPanel->ShowPollReport(report);
}

void ModbusTerminalPanel::OnPollEnded(wxCommandEvent &event)
{
    if (m_pollRun == nullptr || event.GetInt() != m_pollRun->Number())
        return;
    m_pollRun.reset();
    if (m_functionPanel != nullptr)
        m_functionPanel->OnPollEnded();
    if (event.GetExtraLong() != 0 && m_connected)
        ShowDisconnected();
}

void ModbusTerminalPanel::ReclaimContext()
{
    if (m_pollRun == nullptr)
        return;
    m_pollRun->Stop();
    m_pollRun->Detach();
    if (m_pollRun->Retire()) {
        m_modbus = nullptr;
        if (m_functionPanel != nullptr)
            m_functionPanel->SetContext(nullptr);
    }
    m_pollRun.reset();
    if (m_functionPanel != nullptr)
        m_functionPanel->OnPollEnded();
}
