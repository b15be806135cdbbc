#include "app/ip_ctrl.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "modbus/modbus_terminal_panel.h"
#include "tests/uart/uart_panel_controls.h"
#include "uart/serial_options.h"
#include "uart/terminal_panel.h"
#include "tests/app/dialog_driving.h"
#include "tests/support/gui_test.h"

#include <gtest/gtest.h>
#include <wx/combobox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <utility>

namespace {

using namespace testing_support;

wxFrame *Frame()
{
    return MainWindow::GetInstance()->m_frame;
}

class NewDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                                 wxDEFAULT_DIALOG_STYLE);
        m_dialog->SetValues(kDefaultModuleIp, kDefaultModulePort);
        PumpEvents();
    }
    void TearDown() override
    {
        if (m_dialog)
            m_dialog->Destroy();
        PumpEvents();
    }

    void Confirm() { ClickButton(m_dialog, wxID_OK); }
    wxString IpError() const { return m_dialog->m_ipError->GetLabel(); }
    wxString PortError() const { return m_dialog->m_portError->GetLabel(); }

    wxWeakRef<NewDialog> m_dialog;
};

TEST(StartUpDialog, IsOpenWithTheDefaults)
{
    NewDialog *startUp = nullptr;
    for (NewDialog *dialog : NewDialogsOf(Frame()))
        if (dialog->GetTitle() == "ORV-Terminal Conf")
            startUp = dialog;
    ASSERT_NE(startUp, nullptr);
    EXPECT_TRUE(startUp->IsShown());
    EXPECT_FALSE(startUp->IsModal());
    // Wider only if "Invalid IP" beside the IP control needs it.
    EXPECT_EQ(startUp->GetSize().y, 250);
    EXPECT_GE(startUp->GetSize().x, 380);
    EXPECT_EQ(startUp->m_ipCtrl->GetValue(), "192.168.100.10");
    EXPECT_EQ(startUp->m_portText->GetValue(), "65100");
    EXPECT_EQ(startUp->m_terminalType->GetSelection(), 0);
    EXPECT_FALSE(startUp->HasFlag(wxRESIZE_BORDER));
}

TEST_F(NewDialogTest, HoldsItsControlsAtTheirPlaces)
{
    struct Place {
        wxWindow *window;
        wxPoint at;
    };
    const Place places[] = {
        {m_dialog->m_ipCtrl->m_frameBox, {150, 55}}, {m_dialog->m_ipError, {330, 55}}, // beside, not over it
        {m_dialog->m_portText, {150, 90}},           {m_dialog->m_portError, {270, 90}},
        {m_dialog->m_terminalType, {150, 120}},      {m_dialog->m_framing, {150, 155}},
        {m_dialog->m_timeoutText, {150, 188}},       {m_dialog->m_timeoutError, {220, 190}},
        {m_dialog->FindWindow(wxID_OK), {210, 215}}, {m_dialog->FindWindow(wxID_CANCEL), {80, 215}},
    };
    for (const Place &place : places) {
        ASSERT_NE(place.window, nullptr);
        EXPECT_EQ(place.window->GetPosition(), place.at) << place.window->GetName();
    }
    EXPECT_EQ(m_dialog->FindWindow(3501), m_dialog->m_portText);
    EXPECT_EQ(m_dialog->m_portText->GetSize(), wxSize(50, 25));
    EXPECT_TRUE(m_dialog->m_terminalType->HasFlag(wxCB_READONLY));
    ASSERT_EQ(m_dialog->m_terminalType->GetCount(), 2u);
    EXPECT_EQ(m_dialog->m_terminalType->GetString(0), "UART");
    EXPECT_EQ(m_dialog->m_terminalType->GetString(1), "MODBUS");
    EXPECT_EQ(m_dialog->m_terminalType->GetValue(), "UART");
    // The framing is a Modbus connection's.
    ASSERT_EQ(m_dialog->m_framing->GetCount(), 2u);
    EXPECT_EQ(m_dialog->m_framing->GetValue(), "RTU over TCP");
    EXPECT_EQ(m_dialog->m_framing->GetString(1), "Modbus TCP");
    EXPECT_FALSE(m_dialog->m_framing->IsEnabled());
    // So is the response time-out, 500 ms unless set.
    EXPECT_EQ(m_dialog->m_timeoutText->GetValue(), "500");
    EXPECT_FALSE(m_dialog->m_timeoutText->IsEnabled());
    m_dialog->SetTerminalType(1);
    EXPECT_TRUE(m_dialog->m_framing->IsEnabled());
    EXPECT_TRUE(m_dialog->m_timeoutText->IsEnabled());
}

// The Modbus time-out must be 10 ms to 60 s; a UART connection has none and
// takes the dialog whatever the field holds.
TEST_F(NewDialogTest, ModbusTimeoutIsCheckedAndReachesThePanel)
{
    m_dialog->SetTerminalType(1);
    for (const char *bad : {"", "9", "60001"}) {
        m_dialog->m_timeoutText->ChangeValue(bad);
        Confirm();
        EXPECT_TRUE(m_dialog->IsShown()) << bad;
        EXPECT_EQ(m_dialog->m_timeoutError->GetLabel(), "Invalid Time-out") << bad;
    }
    m_dialog->SetValues("127.0.0.9", "65100");
    m_dialog->m_timeoutText->ChangeValue("2500");
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
    EXPECT_EQ(MainWindow::GetInstance()->m_modbusPanel->ResponseTimeoutMs(), 2500);

    m_dialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                             wxDEFAULT_DIALOG_STYLE);
    m_dialog->SetValues("127.0.0.9", "65100");
    m_dialog->m_timeoutText->ChangeValue("");
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown()) << "a UART connection";
    EXPECT_EQ(MainWindow::GetInstance()->m_modbusPanel->ResponseTimeoutMs(), 500);
}

TEST_F(NewDialogTest, GoodValuesCloseTheDialogForGood)
{
    Confirm();
    ASSERT_TRUE(m_dialog);
    EXPECT_FALSE(m_dialog->IsShown());
    EXPECT_EQ(IpError(), "");
    EXPECT_EQ(PortError(), "");
    PumpEvents();
    EXPECT_FALSE(m_dialog) << "destroyed";
}

TEST_F(NewDialogTest, ConfirmedValuesReachThePanelOfTheChosenType)
{
    ModbusTerminalPanel *modbus = MainWindow::GetInstance()->m_modbusPanel;
    TerminalPanel *uart = MainWindow::GetInstance()->m_terminalPanel;
    ASSERT_NE(modbus, nullptr);
    ASSERT_NE(uart, nullptr);
    SetFields(*m_dialog->m_ipCtrl, "10", "0", "0", "1");
    m_dialog->m_portText->ChangeValue("0");
    m_dialog->SetTerminalType(1);
    m_dialog->SetFraming(1);
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
    EXPECT_TRUE(modbus->IsShown());
    EXPECT_EQ(modbus->Framing(), MB_FRAMING_TCP);
    EXPECT_NE(wxWindow::FindWindowByLabel("Modbus TCP", modbus), nullptr);
    EXPECT_FALSE(uart->IsShown());
    EXPECT_EQ(Frame()->GetStatusBar()->GetStatusText(1), "") << "the link field is the UART terminal's";
    EXPECT_EQ(modbus->Ip(), "10.0.0.1");
    EXPECT_EQ(modbus->Port(), "0");
    const uart_testing::PanelControls ui = uart_testing::ControlsOf(uart);
    EXPECT_EQ(ui.ipLabel->GetLabel(), "10.0.0.1");
    EXPECT_EQ(ui.portLabel->GetLabel(), "0");

    // The hidden panel takes the parameters too; leading zeros never reach it.
    auto *uartDialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                                     wxDEFAULT_DIALOG_STYLE);
    uartDialog->SetValues("010.000.7.08", "502");
    ClickButton(uartDialog, wxID_OK);
    EXPECT_FALSE(uartDialog->IsShown());
    EXPECT_FALSE(modbus->IsShown());
    EXPECT_TRUE(uart->IsShown());
    EXPECT_EQ(modbus->Framing(), MB_FRAMING_RTU);
    EXPECT_EQ(Frame()->GetStatusBar()->GetStatusText(1), "Not connected");
    EXPECT_EQ(modbus->Ip(), "10.0.7.8");
    EXPECT_EQ(modbus->Port(), "502");
    EXPECT_EQ(ui.ipLabel->GetLabel(), "10.0.7.8");
    EXPECT_EQ(ui.portLabel->GetLabel(), "502");
}

// A UART connection has its link rows where a Modbus one has the framing
// and the time-out; each mode's field is checked and reaches the panel.
TEST_F(NewDialogTest, UartLinkRowsAreCheckedAndReachThePanel)
{
    EXPECT_TRUE(m_dialog->m_linkMode->IsShown());
    EXPECT_EQ(m_dialog->m_linkMode->GetValue(), "TCP client");
    EXPECT_EQ(m_dialog->m_linkMode->GetPosition(), wxPoint(150, 155));
    EXPECT_FALSE(m_dialog->m_framing->IsShown());
    EXPECT_FALSE(m_dialog->m_linkFieldLabel->IsShown()) << "a client needs no field";
    m_dialog->SetTerminalType(1);
    EXPECT_TRUE(m_dialog->m_framing->IsShown());
    EXPECT_TRUE(m_dialog->m_timeoutText->IsShown());
    EXPECT_FALSE(m_dialog->m_linkMode->IsShown());
    m_dialog->SetTerminalType(0);

    TerminalPanel *uart = MainWindow::GetInstance()->m_terminalPanel;
    m_dialog->SetLink(LinkMode::TcpServer, "", 0);
    EXPECT_TRUE(m_dialog->m_listenAddressText->IsShown());
    EXPECT_EQ(m_dialog->m_linkFieldLabel->GetLabel(), "Listen address");
    m_dialog->SetValues(kAnyModuleAddress, "5000");
    m_dialog->m_listenAddressText->ChangeValue("127.0.0");
    Confirm();
    EXPECT_TRUE(m_dialog->IsShown());
    EXPECT_EQ(m_dialog->m_linkFieldError->GetLabel(), "Invalid Address");
    EXPECT_EQ(IpError(), "") << "a server takes any module";
    m_dialog->m_listenAddressText->ChangeValue("127.0.0.1");
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
    ASSERT_TRUE(uart->ConnectionParameters());
    const LinkEndpoint server = *uart->ConnectionParameters();
    EXPECT_EQ(server.mode, LinkMode::TcpServer);
    EXPECT_EQ(server.host + " " + std::to_string(server.port) + " " + server.listenAddress, "0.0.0.0 5000 127.0.0.1");

    m_dialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                             wxDEFAULT_DIALOG_STYLE);
    m_dialog->SetValues("127.0.0.9", "5000");
    m_dialog->SetLink(LinkMode::Udp, "", 0);
    EXPECT_EQ(m_dialog->m_linkFieldLabel->GetLabel(), "Local port");
    EXPECT_FALSE(m_dialog->m_listenAddressText->IsShown());
    m_dialog->m_localPortText->ChangeValue("0");
    Confirm();
    EXPECT_EQ(m_dialog->m_linkFieldError->GetLabel(), "Invalid Port");
    m_dialog->m_localPortText->ChangeValue("5001");
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
    EXPECT_EQ(uart->ConnectionParameters()->mode, LinkMode::Udp);
    EXPECT_EQ(uart->ConnectionParameters()->ReceivePort(), 5001);
}

// A serial link's rows take the place of the IP and port and one row more;
// what they hold reaches the panel, and back into the next dialog.
TEST_F(NewDialogTest, SerialRowsStandForTheNetworkOnesAndRoundTrip)
{
    const wxSize networkSize = m_dialog->GetClientSize();
    SerialLinkRows &rows = *m_dialog->m_serialRows;
    EXPECT_FALSE(rows.device->IsShown());
    m_dialog->SetLink(LinkMode::Serial, "", 0);
    EXPECT_EQ(m_dialog->m_linkMode->GetValue(), "Serial port");
    EXPECT_TRUE(rows.device->IsShown());
    EXPECT_TRUE(rows.flow->IsShown());
    EXPECT_FALSE(m_dialog->m_ipCtrl->m_frameBox->IsShown());
    EXPECT_FALSE(m_dialog->m_portText->IsShown());
    EXPECT_FALSE(m_dialog->m_linkFieldLabel->IsShown());
    EXPECT_EQ(rows.baud->GetValue() + " " + rows.dataBits->GetValue() + rows.parity->GetValue() +
                  rows.stopBits->GetValue() + " " + rows.flow->GetValue(),
              "115200 8None1 None");
    EXPECT_TRUE(rows.baud->FindString("921600") != wxNOT_FOUND && rows.baud->FindString("4000000") != wxNOT_FOUND);
    // The buttons under the lowest row, the dialog taller by as much.
    const int buttonsY = m_dialog->FindWindow(wxID_OK)->GetPosition().y;
    EXPECT_GT(buttonsY, rows.flow->GetPosition().y + rows.flow->GetSize().y);
    EXPECT_EQ(m_dialog->GetClientSize().y - networkSize.y, buttonsY - 215);

    rows.device->SetValue(" ");
    rows.baud->SetValue("0");
    Confirm();
    EXPECT_TRUE(m_dialog->IsShown());
    EXPECT_EQ(rows.deviceError->GetLabel(), "Invalid Device");
    EXPECT_EQ(rows.baudError->GetLabel(), "Invalid Baud Rate");
    rows.device->SetValue("/tmp/ttyUSB7");
    rows.baud->SetValue("250000");
    rows.dataBits->SetSelection(2);
    rows.parity->SetSelection(4);
    rows.stopBits->SetSelection(1);
    rows.flow->SetSelection(2);
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
    TerminalPanel *uart = MainWindow::GetInstance()->m_terminalPanel;
    ASSERT_TRUE(uart->ConnectionParameters());
    const LinkEndpoint serial = *uart->ConnectionParameters();
    EXPECT_EQ(serial.mode, LinkMode::Serial);
    EXPECT_EQ(serial.device, "/tmp/ttyUSB7");
    const uart_testing::PanelControls ui = uart_testing::ControlsOf(uart);
    EXPECT_EQ(ui.ipLabel->GetLabel(), "/tmp/ttyUSB7");
    EXPECT_EQ(ui.portLabel->GetLabel(), "250000 7S2 XON/XOFF");

    m_dialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                             wxDEFAULT_DIALOG_STYLE);
    m_dialog->SetLink(serial.mode, serial.listenAddress, serial.localPort);
    m_dialog->SetSerial(serial.device, serial.serial);
    Confirm();
    ASSERT_FALSE(m_dialog->IsShown());
    EXPECT_EQ(uart->ConnectionParameters()->device, serial.device);
    EXPECT_EQ(SerialSummary(uart->ConnectionParameters()->serial), "250000 7S2 XON/XOFF");

    // Back to a network link: its rows and the design's size again.
    m_dialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                             wxDEFAULT_DIALOG_STYLE);
    m_dialog->SetLink(LinkMode::Serial, "", 0);
    m_dialog->SetLink(LinkMode::TcpClient, "", 0);
    EXPECT_TRUE(m_dialog->m_portText->IsShown());
    EXPECT_FALSE(m_dialog->m_serialRows->device->IsShown());
    EXPECT_EQ(m_dialog->FindWindow(wxID_OK)->GetPosition(), wxPoint(210, 215));
    EXPECT_EQ(m_dialog->GetClientSize(), networkSize);
}

TEST_F(NewDialogTest, BothFieldsBadShowBothLabelsUntilCorrected)
{
    SetFields(*m_dialog->m_ipCtrl, "0", "1", "2", "3");
    m_dialog->m_portText->ChangeValue("");
    Confirm();
    EXPECT_TRUE(m_dialog->IsShown());
    EXPECT_EQ(IpError(), "Invalid IP");
    EXPECT_EQ(PortError(), "Invalid Port");

    // Port still empty: its label stays, the corrected IP's label goes.
    SetFields(*m_dialog->m_ipCtrl, "10", "1", "2", "3");
    Confirm();
    EXPECT_TRUE(m_dialog->IsShown());
    EXPECT_EQ(IpError(), "");
    EXPECT_EQ(PortError(), "Invalid Port");

    // Port fixed, IP broken again: only the IP label.
    m_dialog->m_portText->ChangeValue("80");
    SetFields(*m_dialog->m_ipCtrl, "10", "", "2", "3");
    Confirm();
    EXPECT_TRUE(m_dialog->IsShown());
    EXPECT_EQ(IpError(), "Invalid IP");
    EXPECT_EQ(PortError(), "");

    SetFields(*m_dialog->m_ipCtrl, "10", "0", "2", "3");
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
    EXPECT_EQ(IpError(), "");
    EXPECT_EQ(PortError(), "");
}

TEST_F(NewDialogTest, PortMustBeANumberUpTo65535)
{
    for (const char *bad : {"65536", "6e4"}) {
        m_dialog->m_portText->ChangeValue(bad);
        Confirm();
        EXPECT_TRUE(m_dialog->IsShown()) << bad;
        EXPECT_EQ(PortError(), "Invalid Port") << bad;
        EXPECT_EQ(IpError(), "") << bad;
    }
    m_dialog->m_portText->ChangeValue("0");
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
    EXPECT_EQ(PortError(), "");
    EXPECT_EQ(m_dialog->m_portText->GetValue(), "0");
}

TEST_F(NewDialogTest, TypedPortKeepsDigitsUpToFive)
{
    wxTextCtrl *port = m_dialog->m_portText;
    ASSERT_TRUE(FocusForTyping(port));
    port->SelectAll();
    wxUIActionSimulator sim;
    sim.Text("6x5y1007");
    PumpEvents();
    EXPECT_EQ(port->GetValue(), "65100");
}

// Every request opens a fresh dialog: one closed in any way is destroyed,
// and no panel changes.
TEST_F(NewDialogTest, CancelEscapeAndCloseBoxDestroyTheDialog)
{
    TerminalPanel *uart = MainWindow::GetInstance()->m_terminalPanel;
    wxStaticText *ipLabel = uart_testing::ControlsOf(uart).ipLabel;
    const wxString ip = ipLabel->GetLabel();
    const size_t before = NewDialogsOf(Frame()).size();
    ClickButton(m_dialog, wxID_CANCEL);
    EXPECT_FALSE(m_dialog->IsShown());
    PumpEvents();
    EXPECT_FALSE(m_dialog);

    m_dialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                             wxDEFAULT_DIALOG_STYLE);
    ASSERT_TRUE(FocusForTyping(m_dialog->m_portText));
    wxUIActionSimulator().Char(WXK_ESCAPE);
    EXPECT_TRUE(WaitUntil([this] { return !m_dialog; }));

    m_dialog = new NewDialog(Frame(), wxID_ANY, "UART Conf", wxDefaultPosition, wxSize(380, 250),
                             wxDEFAULT_DIALOG_STYLE);
    PumpEvents();
    m_dialog->Close();
    PumpEvents();
    EXPECT_FALSE(m_dialog);
    EXPECT_EQ(NewDialogsOf(Frame()).size(), before - 1);
    EXPECT_EQ(ipLabel->GetLabel(), ip);
}

// A dialog on its way out takes no click and raises no box.
TEST_F(NewDialogTest, AClosedDialogNeverActsAgain)
{
    ClickButton(m_dialog, wxID_CANCEL);
    ASSERT_TRUE(m_dialog) << "deleted later, in idle time";
    ASSERT_FALSE(m_dialog->IsShown());
    m_dialog->m_portText->ChangeValue("");
    m_dialog->m_ipCtrl->m_fields[1]->ChangeValue("300");
    ModalRecorder boxes;
    Confirm();
    LeaveField(m_dialog->m_ipCtrl->m_fields[1]);
    EXPECT_FALSE(m_dialog->IsShown());
    EXPECT_EQ(PortError(), "") << "a hidden dialog took a click";
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
}

TEST_F(NewDialogTest, BadIpGivenToSetValuesFallsBackToAValidAddress)
{
    ModalRecorder boxes;
    m_dialog->SetValues("not set", "502");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].message, "Invalid IP = not set");
    EXPECT_EQ(m_dialog->m_ipCtrl->GetValue(), "223.255.255.255");
    EXPECT_EQ(m_dialog->m_portText->GetValue(), "502");
    Confirm();
    EXPECT_FALSE(m_dialog->IsShown());
}

TEST_F(NewDialogTest, RealClickOnOkConfirms)
{
    m_dialog->m_terminalType->SetSelection(1);
    wxWindow *ok = m_dialog->FindWindow(wxID_OK);
    m_dialog->Raise();
    PumpEvents();
    wxUIActionSimulator sim;
    sim.MouseMove(ok->GetScreenRect().GetPosition() + wxPoint(10, 10));
    PumpEvents();
    sim.MouseClick();
    EXPECT_TRUE(WaitUntil([this] { return !m_dialog; })) << "confirmed and destroyed";
}

} // namespace
