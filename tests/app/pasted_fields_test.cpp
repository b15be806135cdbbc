// Text pasted into the connection dialog's IP fields and port field, past
// their numeric filter: anything but plain digits within range keeps the
// dialog open with its error label; a paste longer than a field is refused
// whole; good values reach the panels.
#include "app/ip_ctrl.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "tests/app/dialog_driving.h"
#include "tests/support/clipboard_paste.h"
#include "tests/support/gui_test.h"
#include "tests/uart/uart_panel_controls.h"
#include "uart/terminal_panel.h"

#include <gtest/gtest.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

namespace {

using namespace testing_support;

class PastedFieldsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(380, 250), wxDEFAULT_DIALOG_STYLE);
        m_dialog->SetValues(kDefaultModuleIp, kDefaultModulePort);
        PumpEvents();
    }
    void TearDown() override
    {
        if (m_dialog)
            m_dialog->Destroy();
        PumpEvents();
    }

    // Empties every field and pastes the texts in; a text longer than its
    // field is refused whole.
    void Paste(const std::array<const char *, 4> &ip, const char *port)
    {
        for (size_t i = 0; i < ip.size(); ++i)
            PasteWhole(m_dialog->m_ipCtrl->m_fields[i], ip[i], 3);
        PasteWhole(m_dialog->m_portText, port, 5);
    }
    static void PasteWhole(wxTextCtrl *field, const char *text, size_t room)
    {
        const wxString pasted = wxString::FromUTF8(text);
        field->Clear();
        PasteInto(field, pasted);
        EXPECT_EQ(field->GetValue(), pasted.length() <= room ? pasted : wxString()) << text;
    }
    wxString IpError() const { return m_dialog->m_ipError->GetLabel(); }
    wxString PortError() const { return m_dialog->m_portError->GetLabel(); }

    wxWeakRef<NewDialog> m_dialog;
};

TEST_F(PastedFieldsTest, OnlyPlainDigitsInRangePass)
{
    ModalRecorder boxes;
    const struct {
        std::array<const char *, 4> ip;
        const char *port;
        bool ipGood, portGood;
    } cases[] = {
        {{"+10", "0", "0", "1"}, "+5", false, false},
        {{"-1", "0", "0", "1"}, "-1", false, false},
        {{"10", "", "0", "1"}, "", false, false},
        {{"1e2", "0", "0", "\t1"}, "1e3", false, false},
        {{"\xd9\xa3", "0", "0", "1"}, "\xd9\xa3", false, false},
        {{"10", "0", "0", "1,5"}, "80.5", false, false},
        // Too long for the field: refused, so the field stays empty.
        {{"99999999999999999999", "0", "0", "1"}, "99999999999999999999", false, false},
        {{"10", "0", "0", "1"}, "65536", true, false},
        {{"10", "0", "0", "1"}, "00080", true, true},
    };
    for (const auto &typed : cases) {
        Paste(typed.ip, typed.port);
        ClickButton(m_dialog, wxID_OK);
        const std::string what = std::string(typed.ip[0]) + "." + typed.ip[1] + "." + typed.ip[2] + "." +
                                 typed.ip[3] + ":" + typed.port;
        EXPECT_EQ(IpError(), typed.ipGood ? "" : "Invalid IP") << what;
        EXPECT_EQ(PortError(), typed.portGood ? "" : "Invalid Port") << what;
        EXPECT_EQ(m_dialog->IsShown(), !(typed.ipGood && typed.portGood)) << what;
    }
    EXPECT_EQ(boxes.Messages(), "");
    TerminalPanel *uart = MainWindow::GetInstance()->m_terminalPanel;
    const uart_testing::PanelControls ui = uart_testing::ControlsOf(uart);
    EXPECT_EQ(ui.ipLabel->GetLabel(), "10.0.0.1");
    EXPECT_EQ(ui.portLabel->GetLabel(), "80") << "the port the terminal connects to";
    uart->SetConnectionParameters(std::nullopt);
}

} // namespace
