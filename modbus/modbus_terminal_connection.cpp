// The Modbus panel's connection, the link it shows, its choice of function
// form and what it keeps of the forms.
#include "modbus/modbus_terminal_panel.h"

#include "app/control_names.h"
#include "app/error_box.h"
#include "app/image_file.h"
#include "app/ip_address.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "app/user_config.h"
#include "modbus/framing_name.h"
#include "modbus/function_panel.h"
#include "modbus/modbus_session.h"

#include <cstdio>
#include <string>
#include <wx/bmpbuttn.h>
#include <wx/msgdlg.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {

const char kNotSet[] = "not set";
// What was typed is written this long after the last change.
constexpr int kSaveDelayMs = 500;

} // namespace

void ModbusTerminalPanel::OnConnect(wxCommandEvent &)
{
    // Connected, connecting or connecting again: the button disconnects.
    if (m_link != ModbusLink::Closed) {
        ShowDisconnected();
        return;
    }
    if (m_ipLabel->GetLabel() == kNotSet) {
        ShowErrorBox("Connection parameters not set");
        return;
    }
    // The dialog hands on only port texts it accepts; the labels hold them.
    const std::string port(m_portLabel->GetLabel().utf8_str());
    if (!ip_address::IsPortText(port)) {
        wxMessageBox("Connection failed", "Not Connected", wxOK | wxICON_ERROR);
        return;
    }
    ConnectionSettings settings;
    settings.host = m_ipLabel->GetLabel().utf8_string();
    settings.port = std::stoi(port);
    settings.framing = m_framing;
    settings.responseTimeoutMs = m_responseTimeoutMs;
    // The session connects on its worker; OnLink tells the outcome.
    m_session->Open(settings);
    ShowLink(ModbusLink::Connecting);
}

void ModbusTerminalPanel::OnLink(ModbusSessionEvent &event)
{
    const LinkReport &report = event.Link();
    if (report.connection != m_session->Connection() || m_link == ModbusLink::Closed)
        return;
    const ModbusLink before = m_link;
    ShowLink(report.state);
    if (before == ModbusLink::Connecting && report.state == ModbusLink::Up)
        wxMessageBox("Connection successful", "Connected", wxOK | wxICON_EXCLAMATION);
    if (report.state == ModbusLink::Closed) {
        if (m_functionPanel != nullptr)
            m_functionPanel->OnDisconnected();
        wxMessageBox("Connection failed", "Not Connected", wxOK | wxICON_ERROR);
    }
}

void ModbusTerminalPanel::ShowLink(ModbusLink state)
{
    m_link = state;
    m_statusIcon->SetBitmap(LoadImageFile(state == ModbusLink::Up ? "icons/ok.jpg" : "icons/ko.jpg"));
    const bool closed = state == ModbusLink::Closed;
    m_connectButton->SetBitmapLabel(closed ? m_connectBitmap : m_disconnectBitmap);
    NameControl(m_connectButton, closed ? kConnectButtonName : kDisconnectButtonName);
    m_linkLabel->SetLabel(state == ModbusLink::Down ? "Link lost: reconnecting" : "");
    Layout();
}

void ModbusTerminalPanel::ShowDisconnected()
{
    m_session->Close();
    ShowLink(ModbusLink::Closed);
    if (m_functionPanel != nullptr)
        m_functionPanel->OnDisconnected();
}

void ModbusTerminalPanel::SetConnectionParameters(const wxString &ip, const wxString &port, int framing,
                                                  int responseTimeoutMs)
{
    m_ipLabel->SetLabel(ip);
    m_portLabel->SetLabel(port);
    m_framing = framing == MB_FRAMING_TCP ? MB_FRAMING_TCP : MB_FRAMING_RTU;
    m_framingLabel->SetLabel(FramingName(m_framing));
    m_responseTimeoutMs = responseTimeoutMs > 0 ? responseTimeoutMs : kDefaultResponseTimeoutMs;
    Layout();
    Refresh();
    // The next connect goes to the new parameters.
    Shutdown();
}

void ModbusTerminalPanel::Shutdown()
{
    if (m_link != ModbusLink::Closed)
        ShowDisconnected();
    CloseForm();
    if (m_saveTimer.IsRunning()) {
        m_saveTimer.Stop();
        SaveForms();
    }
}

void ModbusTerminalPanel::CloseForm()
{
    if (m_functionPanel == nullptr)
        return;
    m_forms[m_functionPanel->FunctionCode()] = m_functionPanel->Values();
    // Its jobs end with it.
    m_functionPanel->Destroy();
    m_functionPanel = nullptr;
}

void ModbusTerminalPanel::OnModifyParameters(wxCommandEvent &)
{
    const bool known = m_ipLabel->GetLabel() != kNotSet;
    auto *dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(380, 250), wxDEFAULT_DIALOG_STYLE);
    dialog->SetValues(known ? m_ipLabel->GetLabel() : wxString(kDefaultModuleIp),
                      known ? m_portLabel->GetLabel() : wxString(kDefaultModulePort));
    // Opened from this panel, it offers this terminal and its settings: OK
    // without changes keeps the Modbus terminal.
    dialog->SetTerminalType(1);
    dialog->SetFraming(m_framing);
    dialog->SetResponseTimeout(m_responseTimeoutMs);
}

void ModbusTerminalPanel::OnFunctionChosen(wxCommandEvent &event)
{
    if (m_link == ModbusLink::Closed || m_link == ModbusLink::Connecting) {
        ShowErrorBox("You have to connect first.");
        return;
    }
    CloseForm();
    const wxRect area = FormArea();
    m_functionPanel = new FunctionPanel(this, ID_FUNCTION_FORM, wxEmptyString, area.GetPosition(), area.GetSize(),
                                        wxTAB_TRAVERSAL, event.GetId(), this);
    const auto kept = m_forms.find(m_functionPanel->FunctionCode());
    if (kept != m_forms.end())
        m_functionPanel->Restore(kept->second);
    m_functionPanel->SetFocusIgnoringChildren();
}

bool ModbusTerminalPanel::Connected() const
{
    return m_link == ModbusLink::Up || m_link == ModbusLink::Down;
}

JobId ModbusTerminalPanel::Run(const ModbusRequest &request, int periodMs, wxEvtHandler *form)
{
    SessionJob job;
    job.request = request;
    job.periodic = periodMs > 0;
    job.periodMs = periodMs;
    job.handler = form;
    return m_session->Submit(job);
}

void ModbusTerminalPanel::Stop(JobId job)
{
    m_session->Remove(job);
}

void ModbusTerminalPanel::FormEdited()
{
    m_saveTimer.StartOnce(kSaveDelayMs);
}

void ModbusTerminalPanel::OnSaveTimer(wxTimerEvent &)
{
    SaveForms();
}

void ModbusTerminalPanel::SaveForms()
{
    // A settings file that cannot be written costs the next start what was
    // typed, not this session its work.
    if (!user_config::Update(FormMemoryEntries(Forms())))
        std::fprintf(stderr, "orv-terminal: the settings could not be saved to %s\n",
                     user_config::FilePath().utf8_string().c_str());
}

void ModbusTerminalPanel::RestoreForms(const FormMemory &memory)
{
    m_forms = memory;
    if (m_functionPanel == nullptr)
        return;
    const auto kept = m_forms.find(m_functionPanel->FunctionCode());
    if (kept != m_forms.end())
        m_functionPanel->Restore(kept->second);
}

FormMemory ModbusTerminalPanel::Forms() const
{
    FormMemory forms = m_forms;
    if (m_functionPanel != nullptr)
        forms[m_functionPanel->FunctionCode()] = m_functionPanel->Values();
    return forms;
}
