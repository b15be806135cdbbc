#include "app/new_dialog.h"

#include "app/ip_address.h"
#include "app/ip_ctrl.h"
#include "app/main_window.h"
#include "app/shared_fonts.h"
#include "app/show_over_parent.h"
#include "app/toolkit_fit.h"
#include "library/modbus_lib/modbus.h"
#include "modbus/framing_name.h"
#include "modbus/response_timeout.h"

#include <string>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/intl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

NewDialog::NewDialog(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &position,
                     const wxSize &size, long style)
    : wxDialog(parent, id, title, position, size, style)
{
    auto *heading = new wxStaticText(this, wxID_ANY, "UART Connection Parameters", wxPoint(10, 20));
    heading->SetFont(shared_fonts::Bold10());
    // GTK takes the new font only at its next style update, so the label's
    // own best size still fits the old one and the bold text would wrap away.
    heading->SetSize(heading->GetTextExtent(heading->GetLabel()));

    new wxStaticText(this, wxID_ANY, "IP", wxPoint(10, 58), wxSize(50, 25));
    m_ipCtrl = std::make_unique<wxIPCtrl>(this, wxPoint(150, 55), kDefaultModuleIp);
    m_ipError = new wxStaticText(this, wxID_ANY, "", wxPoint(250, 55));

    new wxStaticText(this, wxID_ANY, "Port", wxPoint(10, 90), wxSize(50, 25));
    m_portText = new wxTextCtrl(this, ID_PORT, kDefaultModulePort, wxPoint(150, 90), wxSize(50, 25), 0,
                                wxTextValidator(wxFILTER_NUMERIC));
    m_portText->SetMaxLength(5);
    m_portError = new wxStaticText(this, wxID_ANY, "", wxPoint(270, 90));

    new wxStaticText(this, wxID_ANY, "Terminal Type", wxPoint(10, 120), wxSize(120, -1));
    const wxString types[] = {"UART", "MODBUS"};
    m_terminalType = new wxComboBox(this, wxID_ANY, types[0], wxPoint(150, 120), wxSize(170, -1), 2, types,
                                    wxCB_READONLY);
    m_terminalType->SetSelection(0);
    Connect(m_terminalType->GetId(), wxEVT_COMBOBOX, wxCommandEventHandler(NewDialog::OnTerminalTypeChosen));

    new wxStaticText(this, wxID_ANY, "Framing", wxPoint(10, 155), wxSize(120, -1));
    const wxString framings[] = {FramingName(MB_FRAMING_RTU), FramingName(MB_FRAMING_TCP)};
    m_framing = new wxComboBox(this, wxID_ANY, framings[0], wxPoint(150, 155), wxSize(170, -1), 2, framings,
                               wxCB_READONLY);
    m_framing->SetSelection(0);
    m_framing->Disable();

    // How long a Modbus request waits for its answer: a slow device needs more.
    // The row fits above the buttons within the dialog's design height.
    new wxStaticText(this, wxID_ANY, "Time-out [ms]", wxPoint(10, 190), wxSize(120, -1));
    m_timeoutText = new wxTextCtrl(this, wxID_ANY, std::to_string(kDefaultResponseTimeoutMs), wxPoint(150, 188),
                                   wxSize(60, -1), 0, wxTextValidator(wxFILTER_DIGITS));
    m_timeoutText->SetMaxLength(5);
    m_timeoutText->Disable();
    m_timeoutError = new wxStaticText(this, wxID_ANY, "", wxPoint(220, 190));

    new wxButton(this, wxID_OK, wxGetTranslation("OK"), wxPoint(210, 215), wxSize(120, -1));
    new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel"), wxPoint(80, 215), wxSize(120, -1));

    // Every request opens a fresh dialog, so one that is done goes: Cancel
    // (which Escape presses too) and the close box destroy it, where the
    // standard handling of a modeless dialog would only hide it.
    Connect(wxID_OK, wxEVT_BUTTON, wxCommandEventHandler(NewDialog::OnOk));
    Connect(wxID_CANCEL, wxEVT_BUTTON, wxCommandEventHandler(NewDialog::OnCancel));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(NewDialog::OnClose));
    toolkit_fit::FitConnectionDialog(*this);
    ShowOverParent(*this);
}

// Out of line, where wxIPCtrl is complete.
NewDialog::~NewDialog() = default;

void NewDialog::SetValues(const wxString &ip, const wxString &port)
{
    m_ipCtrl->SetValue(ip);
    m_portText->SetValue(port);
}

void NewDialog::SetTerminalType(int terminalType)
{
    m_terminalType->SetSelection(terminalType);
    m_framing->Enable(terminalType == 1);
    m_timeoutText->Enable(terminalType == 1);
}

void NewDialog::SetResponseTimeout(int milliseconds)
{
    m_timeoutText->ChangeValue(std::to_string(milliseconds));
}

void NewDialog::SetFraming(int framing)
{
    m_framing->SetSelection(framing == MB_FRAMING_TCP ? 1 : 0);
}

void NewDialog::OnTerminalTypeChosen(wxCommandEvent &event)
{
    // The framing and the time-out are a Modbus connection's.
    m_framing->Enable(m_terminalType->GetSelection() == 1);
    m_timeoutText->Enable(m_terminalType->GetSelection() == 1);
    event.Skip();
}

void NewDialog::OnOk(wxCommandEvent &)
{
    Confirm();
}

void NewDialog::OnCancel(wxCommandEvent &)
{
    Hide();
    Destroy();
}

void NewDialog::OnClose(wxCloseEvent &)
{
    Hide();
    Destroy();
}

bool NewDialog::Confirm()
{
    // A hidden dialog has been confirmed or cancelled already and only waits
    // to be deleted.
    if (!IsShown())
        return false;

    // Both labels are brought up to date on every click.
    const bool ipValid = m_ipCtrl->Validate();
    m_ipError->SetLabel(ipValid ? "" : kInvalidIpText);
    if (!ip_address::IsPortText(m_portText->GetValue().utf8_string())) {
        m_portError->SetLabel(kInvalidPortText);
        return false;
    }
    m_portError->SetLabel("");
    const int terminalType = m_terminalType->GetSelection();
    const std::optional<int> timeout = ResponseTimeoutOfText(m_timeoutText->GetValue().utf8_string());
    // Only a Modbus connection has the time-out: a UART one ignores it.
    const bool timeoutValid = terminalType != 1 || timeout.has_value();
    m_timeoutError->SetLabel(timeoutValid ? "" : kInvalidTimeoutText);
    if (!ipValid || !timeoutValid)
        return false;

    Hide();
    MainWindow::GetInstance()->ApplyConnection(m_ipCtrl->GetValue(), m_portText->GetValue(), terminalType,
                                               m_framing->GetSelection(), timeout.value_or(kDefaultResponseTimeoutMs));
    Destroy();
    return true;
}
