#include "app/new_dialog.h"

#include "app/ip_address.h"
#include "app/ip_ctrl.h"
#include "app/main_window.h"
#include "app/shared_fonts.h"
#include "app/show_over_parent.h"
#include "app/startup_target.h"
#include "app/toolkit_fit.h"
#include "library/modbus_lib/modbus.h"
#include "modbus/framing_name.h"
#include "modbus/response_timeout.h"

#include <algorithm>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/intl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

namespace {

constexpr int kButtonsY = 215;
constexpr int kDialogMargin = 10;

} // namespace

NewDialog::NewDialog(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &position,
                     const wxSize &size, long style)
    : wxDialog(parent, id, title, position, size, style)
{
    auto *heading = new wxStaticText(this, wxID_ANY, "UART Connection Parameters", wxPoint(10, 20));
    heading->SetFont(shared_fonts::Bold10());
    // GTK takes the new font only at its next style update, so the label's
    // own best size still fits the old one and the bold text would wrap away.
    heading->SetSize(heading->GetTextExtent(heading->GetLabel()));

    m_ipCaption = new wxStaticText(this, wxID_ANY, "IP", wxPoint(10, 58), wxSize(50, 25));
    m_ipCtrl = std::make_unique<wxIPCtrl>(this, wxPoint(150, 55), kDefaultModuleIp);
    m_ipError = new wxStaticText(this, wxID_ANY, "", wxPoint(250, 55));

    m_portCaption = new wxStaticText(this, wxID_ANY, "Port", wxPoint(10, 90), wxSize(50, 25));
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

    m_framingLabel = new wxStaticText(this, wxID_ANY, "Framing", wxPoint(10, 155), wxSize(120, -1));
    const wxString framings[] = {FramingName(MB_FRAMING_RTU), FramingName(MB_FRAMING_TCP)};
    m_framing = new wxComboBox(this, wxID_ANY, framings[0], wxPoint(150, 155), wxSize(170, -1), 2, framings,
                               wxCB_READONLY);
    m_framing->SetSelection(0);
    m_framing->Disable();

    // How long a Modbus request waits for its answer: a slow device needs more.
    // The row fits above the buttons within the dialog's design height.
    m_timeoutLabel = new wxStaticText(this, wxID_ANY, "Time-out [ms]", wxPoint(10, 190), wxSize(120, -1));
    m_timeoutText = new wxTextCtrl(this, wxID_ANY, std::to_string(kDefaultResponseTimeoutMs), wxPoint(150, 188),
                                   wxSize(60, -1), 0, wxTextValidator(wxFILTER_DIGITS));
    m_timeoutText->SetMaxLength(5);
    m_timeoutText->Disable();
    m_timeoutError = new wxStaticText(this, wxID_ANY, "", wxPoint(220, 190));

    // A UART link's mode in the framing's row, and the field the mode needs
    // in the time-out's: the dialog keeps its size (but for a serial link,
    // whose line takes one row more).
    m_linkLabel = new wxStaticText(this, wxID_ANY, "Link", wxPoint(10, 155), wxSize(120, -1));
    const wxString modes[] = {"TCP client", "TCP server", "UDP", "Serial port"};
    m_linkMode = new wxComboBox(this, wxID_ANY, modes[0], wxPoint(150, 155), wxSize(170, -1), 4, modes, wxCB_READONLY);
    m_linkMode->SetSelection(0);
    Connect(m_linkMode->GetId(), wxEVT_COMBOBOX, wxCommandEventHandler(NewDialog::OnLinkModeChosen));
    m_linkFieldLabel = new wxStaticText(this, wxID_ANY, "Listen address", wxPoint(10, 190), wxSize(120, -1));
    m_listenAddressText = new wxTextCtrl(this, wxID_ANY, "", wxPoint(150, 188), wxSize(110, -1), 0,
                                         wxTextValidator(wxFILTER_NUMERIC));
    m_listenAddressText->SetMaxLength(15);
    m_listenAddressText->SetHint("all");
    m_localPortText = new wxTextCtrl(this, wxID_ANY, "", wxPoint(150, 188), wxSize(60, -1), 0,
                                     wxTextValidator(wxFILTER_DIGITS));
    m_localPortText->SetMaxLength(5);
    m_localPortText->SetHint("same");
    m_linkFieldError = new wxStaticText(this, wxID_ANY, "", wxPoint(270, 190));
    m_serialRows = std::make_unique<SerialLinkRows>(this, 55, 90, 188);
    // The device and its rate are read where the IP and the port are.
    m_serialRows->device->MoveBeforeInTabOrder(m_terminalType);
    m_serialRows->baud->MoveAfterInTabOrder(m_serialRows->device);

    m_okButton = new wxButton(this, wxID_OK, wxGetTranslation("OK"), wxPoint(210, kButtonsY), wxSize(120, -1));
    m_cancelButton =
        new wxButton(this, wxID_CANCEL, wxGetTranslation("Cancel"), wxPoint(80, kButtonsY), wxSize(120, -1));

    // Every request opens a fresh dialog, so one that is done goes: Cancel
    // (which Escape presses too) and the close box destroy it, where the
    // standard handling of a modeless dialog would only hide it.
    Connect(wxID_OK, wxEVT_BUTTON, wxCommandEventHandler(NewDialog::OnOk));
    Connect(wxID_CANCEL, wxEVT_BUTTON, wxCommandEventHandler(NewDialog::OnCancel));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(NewDialog::OnClose));
    toolkit_fit::FitConnectionDialog(*this);
    // The serial rows take the room of the network ones and one row more:
    // the buttons move down under them, the dialog grows by as much.
    // Sizes before the dialog is first shown are the window's: the toolkit
    // knows its client area only then.
    const wxRect serialBox = m_serialRows->Arrange();
    m_serialButtonsY = std::max(kButtonsY, serialBox.GetBottom() + 1 + kDialogMargin);
    m_serialGrowth = wxSize(std::max(0, serialBox.GetRight() + 1 + kDialogMargin - GetSize().x),
                            m_serialButtonsY - kButtonsY);
    ShowRows();
    ShowOverParent(*this);
}

// Out of line, where wxIPCtrl is complete.
NewDialog::~NewDialog() = default;

void NewDialog::SetValues(const wxString &ip, const wxString &port)
{
    // A server's "any module", which the control's address rule refuses.
    if (ip == kAnyModuleAddress) {
        for (wxTextCtrl *field : m_ipCtrl->m_fields)
            field->ChangeValue("0");
    } else {
        m_ipCtrl->SetValue(ip);
    }
    m_portText->SetValue(port);
}

void NewDialog::SetTerminalType(int terminalType)
{
    m_terminalType->SetSelection(terminalType);
    m_framing->Enable(terminalType == 1);
    m_timeoutText->Enable(terminalType == 1);
    ShowRows();
}

void NewDialog::SetLink(LinkMode mode, const std::string &listenAddress, uint16_t localPort)
{
    m_linkMode->SetSelection(static_cast<int>(mode));
    m_listenAddressText->ChangeValue(wxString::FromUTF8(listenAddress));
    m_localPortText->ChangeValue(localPort != 0 ? wxString::Format("%u", localPort) : wxString());
    ShowRows();
}

void NewDialog::SetSerial(const std::string &device, const SerialSettings &settings)
{
    m_serialRows->Set(device, settings);
}

void NewDialog::ShowRows()
{
    const bool uart = m_terminalType->GetSelection() != 1;
    const auto mode = static_cast<LinkMode>(m_linkMode->GetSelection());
    for (wxWindow *modbusRow : {static_cast<wxWindow *>(m_framingLabel), static_cast<wxWindow *>(m_framing),
                                static_cast<wxWindow *>(m_timeoutLabel), static_cast<wxWindow *>(m_timeoutText),
                                static_cast<wxWindow *>(m_timeoutError)})
        modbusRow->Show(!uart);
    m_linkLabel->Show(uart);
    m_linkMode->Show(uart);
    m_linkFieldLabel->SetLabel(mode == LinkMode::Udp ? "Local port" : "Listen address");
    m_linkFieldLabel->Show(uart && (mode == LinkMode::TcpServer || mode == LinkMode::Udp));
    m_listenAddressText->Show(uart && mode == LinkMode::TcpServer);
    m_localPortText->Show(uart && mode == LinkMode::Udp);
    m_linkFieldError->SetLabel("");
    m_linkFieldError->Show(m_linkFieldLabel->IsShown());
    const bool serial = uart && mode == LinkMode::Serial;
    ShowNetworkRows(!serial);
    m_serialRows->Show(serial);
    // Before the construction's end the buttons and the sizes are to come.
    if (m_serialButtonsY == 0 || serial == m_serialLayout)
        return;
    m_serialLayout = serial;
    const int buttonsY = serial ? m_serialButtonsY : kButtonsY;
    m_okButton->Move(m_okButton->GetPosition().x, buttonsY);
    m_cancelButton->Move(m_cancelButton->GetPosition().x, buttonsY);
    SetSize(serial ? GetSize() + m_serialGrowth : GetSize() - m_serialGrowth);
}

void NewDialog::ShowNetworkRows(bool shown)
{
    std::vector<wxWindow *> rows = {m_ipCaption, m_ipError, m_portCaption, m_portText, m_portError,
                                    m_ipCtrl->m_frameBox, m_ipCtrl->m_leftPad, m_ipCtrl->m_rightPad};
    rows.insert(rows.end(), m_ipCtrl->m_fields.begin(), m_ipCtrl->m_fields.end());
    rows.insert(rows.end(), m_ipCtrl->m_dots.begin(), m_ipCtrl->m_dots.end());
    for (wxWindow *row : rows)
        if (row != nullptr)
            row->Show(shown);
}

void NewDialog::OnLinkModeChosen(wxCommandEvent &event)
{
    ShowRows();
    event.Skip();
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
    ShowRows();
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

    const int terminalType = m_terminalType->GetSelection();
    LinkEndpoint link;
    link.mode = terminalType == 1 ? LinkMode::TcpClient : static_cast<LinkMode>(m_linkMode->GetSelection());
    if (link.mode == LinkMode::Serial)
        return ConfirmSerial(link);
    // Both labels are brought up to date on every click. A server may take
    // any module.
    const bool ipValid = m_ipCtrl->Validate() ||
                         (link.mode == LinkMode::TcpServer && m_ipCtrl->GetValue() == kAnyModuleAddress);
    m_ipError->SetLabel(ipValid ? "" : kInvalidIpText);
    if (!ip_address::IsPortText(m_portText->GetValue().utf8_string())) {
        m_portError->SetLabel(kInvalidPortText);
        return false;
    }
    m_portError->SetLabel("");
    const std::optional<int> timeout = ResponseTimeoutOfText(m_timeoutText->GetValue().utf8_string());
    // Only a Modbus connection has the time-out: a UART one ignores it.
    const bool timeoutValid = terminalType != 1 || timeout.has_value();
    m_timeoutError->SetLabel(timeoutValid ? "" : kInvalidTimeoutText);
    const bool linkValid = ReadLinkFields(link);
    if (!ipValid || !timeoutValid || !linkValid)
        return false;

    Hide();
    MainWindow::GetInstance()->ApplyConnection(m_ipCtrl->GetValue(), m_portText->GetValue(), terminalType,
                                               m_framing->GetSelection(), timeout.value_or(kDefaultResponseTimeoutMs),
                                               link);
    Destroy();
    return true;
}

// The IP and the port, hidden, go on as they are to the Modbus panel and the
// settings: a valid pair, or the defaults.
bool NewDialog::ConfirmSerial(LinkEndpoint &link)
{
    if (!m_serialRows->Read(link))
        return false;
    const wxString ip = m_ipCtrl->GetValue();
    const wxString port = m_portText->GetValue();
    const bool networkValid = startup_target::IsHost(ip.utf8_string()) && ip_address::IsPortText(port.utf8_string());
    Hide();
    MainWindow::GetInstance()->ApplyConnection(networkValid ? ip : wxString(kDefaultModuleIp),
                                               networkValid ? port : wxString(kDefaultModulePort), 0,
                                               m_framing->GetSelection(), kDefaultResponseTimeoutMs, link);
    Destroy();
    return true;
}

bool NewDialog::ReadLinkFields(LinkEndpoint &link)
{
    m_linkFieldError->SetLabel("");
    if (link.mode == LinkMode::TcpServer) {
        const std::string address = m_listenAddressText->GetValue().utf8_string();
        // Empty and "0.0.0.0" both mean every local address.
        if (!address.empty() && address != kAnyModuleAddress && !startup_target::IsHost(address)) {
            m_linkFieldError->SetLabel(kInvalidAddressText);
            return false;
        }
        link.listenAddress = address == kAnyModuleAddress ? std::string() : address;
    } else if (link.mode == LinkMode::Udp) {
        const std::string port = m_localPortText->GetValue().utf8_string();
        if (!port.empty() && (!ip_address::IsPortText(port) || std::stoul(port) == 0)) {
            m_linkFieldError->SetLabel(kInvalidPortText);
            return false;
        }
        link.localPort = port.empty() ? 0 : static_cast<uint16_t>(std::stoul(port));
    }
    return true;
}
