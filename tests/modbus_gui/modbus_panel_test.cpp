#include "app/main_window.h"
#include "app/ip_ctrl.h"
#include "app/new_dialog.h"
#include "tests/modbus_gui/modbus_peers.h"
#include "tests/modbus_gui/panel_driver.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/bmpbuttn.h>
#include <wx/combobox.h>
#include <wx/image.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstring>

namespace {

using namespace modbus_gui_test;
using testing_support::ModalRecorder;
using testing_support::WaitUntil;

bool ShowsImage(const wxBitmap &bitmap, const char *path)
{
    const wxImage shown = bitmap.ConvertToImage();
    const wxImage file(path, wxBITMAP_TYPE_JPEG);
    return shown.IsOk() && file.IsOk() && shown.GetSize() == file.GetSize() &&
           std::memcmp(shown.GetData(), file.GetData(), static_cast<size_t>(file.GetWidth() * file.GetHeight() * 3)) ==
               0;
}

// What a picture button says: its tooltip, and the same as its accessible
// name.
std::string Said(wxWindow *button)
{
    const std::string tip = button->GetToolTipText().utf8_string();
    auto *widget = static_cast<GtkWidget *>(button->GetHandle());
    EXPECT_STREQ(atk_object_get_name(gtk_widget_get_accessible(widget)), tip.c_str()) << button->GetId();
    return tip;
}

wxStaticText *PanelText(const wxString &text)
{
    for (wxWindow *child : Panel()->GetChildren())
        if (auto *label = dynamic_cast<wxStaticText *>(child); label != nullptr && label->GetLabel() == text)
            return label;
    return nullptr;
}

class ModbusPanelTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // Leaves the panel disconnected, the way every test starts.
        Panel()->SetConnectionParameters("not set", "not set");
    }
};

TEST_F(ModbusPanelTest, LaysOutTitleHeadingsAndFunctionButtons)
{
    ModbusTerminalPanel *panel = Panel();
    EXPECT_EQ(panel->GetParent(), MainWindow::GetInstance()->m_frame);
    EXPECT_EQ(panel->GetName(), "ModbusORVTerminalPanel");
    EXPECT_NE(PanelText("Terminal Selected: MODBUS"), nullptr);

    wxStaticText *title = PanelText("MODBUS ORV-Terminal");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetPosition(), wxPoint(30, 70));
    EXPECT_EQ(title->GetSize().GetWidth(), 800);
    EXPECT_TRUE(title->GetFont().GetWeight() == wxFONTWEIGHT_BOLD);

    const struct {
        const char *text;
        int x, y;
    } headings[] = {{"Bit access", 30, 100}, {"16-Bit access", 30, 260}, {"Diagnostic", 30, 450}};
    for (const auto &heading : headings) {
        wxStaticText *label = PanelText(heading.text);
        ASSERT_NE(label, nullptr) << heading.text;
        EXPECT_EQ(label->GetPosition(), wxPoint(heading.x, heading.y)) << heading.text;
        EXPECT_EQ(label->GetSize().GetWidth(), 160) << heading.text;
    }

    const struct {
        int code;
        const char *label;
        int y;
    } buttons[] = {{1, "1: Read Coils", 135},
                   {2, "2: Read Discrete Inputs", 160},
                   {5, "5: Write Single Coil", 205},
                   {15, "15: Write Multiple Coils", 230},
                   {4, "4: Read Input Register", 300},
                   {3, "3: Read Holding Registers", 325},
                   {6, "6: Write Single Register", 370},
                   {16, "16: Write Multi Registers", 395},
                   {23, "23: Read/Write Multi Registers", 420},
                   {17, "17: Report Slave ID", 470}};
    // One width for the column: 160, or the widest label's need on GTK.
    const int width = FunctionButton(1)->GetSize().GetWidth();
    EXPECT_GE(width, 160);
    for (const auto &expected : buttons) {
        wxButton *button = FunctionButton(expected.code);
        ASSERT_NE(button, nullptr) << expected.label;
        EXPECT_EQ(button->GetLabel(), expected.label);
        EXPECT_EQ(button->GetPosition(), wxPoint(50, expected.y)) << expected.label;
        EXPECT_EQ(button->GetSize().GetWidth(), width) << expected.label;
        EXPECT_GE(button->GetSize().GetWidth(), button->GetBestSize().GetWidth()) << expected.label;
        EXPECT_EQ(button->GetBackgroundColour(), wxColour(255, 255, 255, 255)) << expected.label;
    }
}

TEST_F(ModbusPanelTest, DisconnectedPanelNeedsParametersAndAConnection)
{
    ModalRecorder boxes;
    Click(ConnectButton());
    Click(FunctionButton(3));
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].message, "Connection parameters not set");
    EXPECT_EQ(boxes.Boxes()[1].message, "You have to connect first.");
    for (const testing_support::ShownBox &box : boxes.Boxes()) {
        EXPECT_EQ(box.caption, "Error");
        EXPECT_TRUE(box.style & wxICON_ERROR);
    }
    EXPECT_FALSE(Panel()->IsConnected());
    EXPECT_EQ(FormCount(), 0);
    EXPECT_EQ(Said(ConnectButton()), "Connect");
    EXPECT_EQ(Said(PanelChild(ModbusTerminalPanel::ID_MODIFY)), "Change connection parameters");
}

TEST_F(ModbusPanelTest, ConnectsToTheTypedPortAndTogglesSilently)
{
    // Two gateways on one address: the one at the Modbus port must not get
    // the connection meant for the port typed.
    ModbusPortGateway atModbusPort;
    testing_support::FakeGateway gateway(atModbusPort.Ip());
    const testing_support::ShownBox box = ConnectTo(gateway.Ip(), std::to_string(gateway.Port()));
    EXPECT_EQ(box.message, "Connection successful");
    EXPECT_EQ(box.caption, "Connected");
    EXPECT_TRUE(box.style & wxICON_EXCLAMATION);

    ModbusTerminalPanel *panel = Panel();
    EXPECT_TRUE(panel->IsConnected());
    EXPECT_EQ(panel->Port(), std::to_string(gateway.Port()));
    EXPECT_TRUE(WaitUntil([&] { return gateway.Connections() == 1; }));
    EXPECT_EQ(atModbusPort.Connections(), 0U);
    EXPECT_TRUE(ShowsImage(StatusIcon()->GetBitmap(), "icons/ok.jpg"));
    EXPECT_TRUE(ShowsImage(ConnectButton()->GetBitmapLabel(), "icons/disconnectbtn.jpg"));
    EXPECT_EQ(Said(ConnectButton()), "Disconnect");

    ModalRecorder boxes;
    Click(ConnectButton());
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
    EXPECT_EQ(Said(ConnectButton()), "Connect");
    EXPECT_FALSE(panel->IsConnected());
    EXPECT_EQ(panel->Link(), ModbusLink::Closed);
    EXPECT_TRUE(ShowsImage(StatusIcon()->GetBitmap(), "icons/ko.jpg"));
    EXPECT_TRUE(ShowsImage(ConnectButton()->GetBitmapLabel(), "icons/connectbtn.jpg"));

    EXPECT_TRUE(ConnectAgain());
    EXPECT_TRUE(WaitUntil([&] { return gateway.Connections() == 2; }));
}

TEST_F(ModbusPanelTest, RefusedConnectionLeavesThePanelDisconnected)
{
    // Nothing listens on this address.
    const testing_support::ShownBox box = ConnectTo(NextTestIp());
    EXPECT_EQ(box.message, "Connection failed");
    EXPECT_EQ(box.caption, "Not Connected");
    EXPECT_TRUE(box.style & wxICON_ERROR);
    EXPECT_FALSE(Panel()->IsConnected());
    EXPECT_EQ(Panel()->Link(), ModbusLink::Closed);
    EXPECT_TRUE(ShowsImage(StatusIcon()->GetBitmap(), "icons/ko.jpg"));
    EXPECT_EQ(Said(ConnectButton()), "Connect");
}

TEST_F(ModbusPanelTest, AnotherFunctionReplacesTheShownForm)
{
    ModbusPortGateway gateway;
    // Shown in the frame, as a user sees it.
    MainWindow::GetInstance()->ApplyConnection(gateway.Ip(), std::to_string(MODBUS_PORT), 1);
    ASSERT_TRUE(ConnectAgain());
    ASSERT_NE(OpenForm(3), nullptr);
    FunctionPanel *form = OpenForm(1);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(FormCount(), 1);
    EXPECT_EQ(Panel()->Form(), form);
    // 40 px right of the buttons, as at their drawn width of 160, and under
    // the title; it takes the panel's room right and below.
    EXPECT_EQ(form->GetPosition(), wxPoint(FunctionButton(1)->GetRect().GetRight() + 1 + 40, 100));
    EXPECT_GE(form->GetPosition().x, 250);
    EXPECT_EQ(form->GetRect().GetBottomRight(), wxRect(Panel()->GetClientSize()).GetBottomRight());
    EXPECT_NE(wxWindow::FindWindowByLabel("Function 1: Read Coils", form), nullptr);
    MainWindow::GetInstance()->ApplyConnection("127.0.0.8", "65100", 0);
}

// The form keeps its fields across a disconnect, sends nothing meanwhile
// and works again after Connect; new parameters, which take a context of
// their own, close it.
TEST_F(ModbusPanelTest, DisconnectKeepsTheFormAndNewParametersCloseIt)
{
    ModbusPortGateway gateway;
    gateway.AnswerWith(WriteEcho);
    ModbusTerminalPanel *panel = Panel();

    ConnectTo(gateway.Ip());
    FunctionPanel *form = OpenForm(6);
    form->AddressField()->ChangeValue("0");
    form->ValueField()->ChangeValue("42");
    Click(ConnectButton());
    EXPECT_FALSE(panel->IsConnected());
    ASSERT_EQ(ShownForm(), form);
    Send(form);
    EXPECT_EQ(Result(form), "Failed: not connected");
    ASSERT_TRUE(ConnectAgain());
    Send(form);
    EXPECT_EQ(Result(form), "Sended");
    EXPECT_EQ(gateway.RequestsSeen(), std::vector<std::string>{"01 06 00 00 00 2A"});

    ModalRecorder boxes;
    panel->SetConnectionParameters("127.0.0.2", "600");
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
    EXPECT_FALSE(panel->IsConnected());
    EXPECT_EQ(FormCount(), 0);
    EXPECT_EQ(panel->Form(), nullptr);
    EXPECT_EQ(panel->Ip(), "127.0.0.2");
    EXPECT_EQ(panel->Port(), "600");

    ConnectTo(gateway.Ip());
    OpenForm(1);
    panel->Shutdown();
    panel->Shutdown();
    EXPECT_EQ(panel->Link(), ModbusLink::Closed);
    EXPECT_EQ(panel->Session().State(), ModbusLink::Closed);
    EXPECT_EQ(FormCount(), 0);
}

// A gateway that resets the connection while no request runs: the panel
// takes it up again by itself, without a box, and the form works on.
TEST_F(ModbusPanelTest, TakesUpAgainAConnectionTheGatewayEnded)
{
    ModbusPortGateway gateway;
    gateway.AnswerWith([](const testing_support::Bytes &request) { return ReadReply(request, {0x00, 0x07}); });
    ModbusTerminalPanel *panel = Panel();
    ConnectTo(gateway.Ip());
    FunctionPanel *form = OpenForm(3);
    form->AddressField()->ChangeValue("5");
    Send(form);
    ASSERT_EQ(Result(form), "Read 1 registers");

    ModalRecorder boxes;
    gateway.DropConnection(true);
    ASSERT_TRUE(WaitUntil([&] { return gateway.Connections() == 2 && panel->IsConnected(); }));
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.Messages();
    ASSERT_EQ(ShownForm(), form);
    Send(form);
    EXPECT_EQ(Result(form), "Read 1 registers");
    EXPECT_EQ(gateway.RequestsSeen(), std::vector<std::string>(2, "01 03 00 05 00 01"));
}

// A gateway gone for good: the panel shows the link lost while the session
// tries again, the button still disconnects, and the gateway back at its
// address is taken up again. (It must come back at the same address: the
// Modbus port of an address of its own.)
TEST_F(ModbusPanelTest, ShowsTheLinkLostUntilTheGatewayIsBack)
{
    const std::string ip = NextTestIp();
    auto gateway = std::make_unique<testing_support::FakeGateway>(ip, MODBUS_PORT);
    ModbusTerminalPanel *panel = Panel();
    ConnectTo(ip);
    gateway.reset();
    ASSERT_TRUE(WaitUntil([&] { return panel->Link() == ModbusLink::Down; }));
    EXPECT_NE(PanelText("Link lost: reconnecting"), nullptr);
    EXPECT_TRUE(ShowsImage(StatusIcon()->GetBitmap(), "icons/ko.jpg"));
    EXPECT_EQ(Said(ConnectButton()), "Disconnect");
    // Forms open meanwhile; their requests fail until the link is back.
    FunctionPanel *form = OpenForm(3);
    ASSERT_NE(form, nullptr);
    form->AddressField()->ChangeValue("0");
    Send(form);
    EXPECT_EQ(Result(form), "Failed: not connected");

    gateway = std::make_unique<testing_support::FakeGateway>(ip, MODBUS_PORT);
    ASSERT_TRUE(WaitUntil([&] { return panel->IsConnected(); }));
    EXPECT_EQ(PanelText("Link lost: reconnecting"), nullptr);
    EXPECT_TRUE(ShowsImage(StatusIcon()->GetBitmap(), "icons/ok.jpg"));
    // And Disconnect while the link is down ends the tries.
    gateway.reset();
    ASSERT_TRUE(WaitUntil([&] { return panel->Link() == ModbusLink::Down; }));
    Click(ConnectButton());
    EXPECT_EQ(panel->Link(), ModbusLink::Closed);
    EXPECT_EQ(Said(ConnectButton()), "Connect");
}

NewDialog *NewestShownDialog()
{
    NewDialog *newest = nullptr;
    for (wxWindow *window : wxTopLevelWindows)
        if (auto *dialog = dynamic_cast<NewDialog *>(window); dialog != nullptr && dialog->IsShown())
            newest = dialog;
    return newest;
}

// Modify offers the panel's parameters, on MODBUS with the connection's
// framing; OK as offered keeps the Modbus terminal.
TEST_F(ModbusPanelTest, ModifyOffersTheShownParametersOrTheDefaults)
{
    struct Shown {
        wxString ip, port;
        int framing;
    };
    for (const Shown &shown :
         {Shown{"not set", "not set", MB_FRAMING_RTU}, Shown{"127.0.0.9", "502", MB_FRAMING_TCP}}) {
        Panel()->SetConnectionParameters(shown.ip, shown.port, shown.framing);
        Click(PanelChild(ModbusTerminalPanel::ID_MODIFY));
        NewDialog *dialog = NewestShownDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->GetTitle(), "UART Conf");
        EXPECT_EQ(dialog->GetParent(), MainWindow::GetInstance()->m_frame);
        const bool unset = shown.ip == "not set";
        EXPECT_EQ(dialog->m_ipCtrl->GetValue(), unset ? "192.168.100.10" : "127.0.0.9");
        EXPECT_EQ(dialog->m_portText->GetValue(), unset ? "65100" : "502");
        EXPECT_EQ(dialog->m_terminalType->GetStringSelection(), "MODBUS");
        EXPECT_EQ(dialog->m_framing->GetSelection(), shown.framing);
        EXPECT_TRUE(dialog->m_framing->IsEnabled());
        dialog->Destroy();
        testing_support::PumpEvents();
    }

    MainWindow::GetInstance()->ApplyConnection("127.0.0.9", "502", 1, MB_FRAMING_TCP);
    ASSERT_TRUE(Panel()->IsShown());
    Click(PanelChild(ModbusTerminalPanel::ID_MODIFY));
    NewDialog *dialog = NewestShownDialog();
    ASSERT_NE(dialog, nullptr);
    Click(dialog->FindWindow(wxID_OK));
    EXPECT_TRUE(Panel()->IsShown());
    EXPECT_EQ(Panel()->Ip(), "127.0.0.9");
    EXPECT_EQ(FramingLabel()->GetLabel(), "Modbus TCP");
    MainWindow::GetInstance()->ApplyConnection("127.0.0.8", "65100", 0);
}

// A user confirms MODBUS in the connection dialog: the Modbus panel shows the
// parameters, and UART hides it again.
TEST_F(ModbusPanelTest, ConfirmingModbusShowsThePanel)
{
    auto *dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(380, 250), wxDEFAULT_DIALOG_STYLE);
    dialog->SetValues("127.0.0.7", "502");
    dialog->m_terminalType->SetSelection(1);
    Click(dialog->FindWindow(wxID_OK));
    EXPECT_TRUE(Panel()->IsShown());
    EXPECT_EQ(Panel()->Ip(), "127.0.0.7");
    EXPECT_EQ(Panel()->Port(), "502");

    MainWindow::GetInstance()->ApplyConnection("127.0.0.8", "65100", 0);
    EXPECT_FALSE(Panel()->IsShown());
    EXPECT_EQ(Panel()->Ip(), "127.0.0.8");
    dialog->Destroy();
}

} // namespace
