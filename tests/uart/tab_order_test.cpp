// Tab walks every control of the UART panel in reading order: the top row,
// the notations, the transmit column, the receive column, then the periodic
// group and the log's controls under the views; typed for real, through GTK.
#include "app/main_window.h"
#include "tests/uart/uart_panel_driver.h"

#include <algorithm>
#include <vector>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>
#include <wx/frame.h>
#include <wx/uiaction.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class TabOrderTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override { ResetPanel(); }
};

std::string Describe(const wxWindow *window)
{
    if (window == nullptr)
        return "nothing";
    return wxString(window->GetClassInfo()->GetClassName()).utf8_string() + " " + std::to_string(window->GetId()) +
           " \"" + window->GetLabel().utf8_string() + "\"";
}

// The controls Tab reaches from the first one until it comes back to it. A
// read-only combo box is two stops on GTK (its box and its button, which the
// toolkit names no control of its own): the second is left out.
std::vector<wxWindow *> WalkTab(wxWindow *first)
{
    MainWindow::GetInstance()->m_frame->Raise();
    first->SetFocus();
    EXPECT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == first; }));
    std::vector<wxWindow *> reached{first};
    wxUIActionSimulator input;
    wxWindow *now = first;
    for (int step = 0; step < 60; ++step) {
        input.Char(WXK_TAB);
        wxWindow *before = now;
        // Every stop differs from the one before (a combo box's button shows
        // as no control), so each Tab is waited for.
        WaitUntil([&] { return wxWindow::FindFocus() != before; });
        now = wxWindow::FindFocus();
        if (now == first)
            return reached;
        if (now == nullptr && dynamic_cast<wxComboBox *>(before) != nullptr)
            continue;
        reached.push_back(now);
    }
    ADD_FAILURE() << "Tab never came back to " << Describe(first);
    return reached;
}

void ExpectOrder(const std::vector<wxWindow *> &reached, const std::vector<wxWindow *> &expected)
{
    const size_t count = std::max(reached.size(), expected.size());
    for (size_t n = 0; n < count; ++n) {
        const wxWindow *got = n < reached.size() ? reached[n] : nullptr;
        const wxWindow *want = n < expected.size() ? expected[n] : nullptr;
        EXPECT_EQ(got, want) << "stop " << n << ": " << Describe(got) << " instead of " << Describe(want);
    }
}

TEST_F(TabOrderTest, TabReachesEveryControlInReadingOrder)
{
    const PanelControls ui = Controls();
    TerminalPanel *panel = Panel();
    Connected link;
    AddMessage(NotationAscii, "x");
    ClickPeriodicCheck();
    ui.periodText->ChangeValue("999");
    ui.periodUnitCombo->SetSelection(1);
    // A running sender replaces the periodic button: the new one keeps the
    // place of the old.
    ClickPeriodicButton();
    ASSERT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_STOP_PERIODICALLY);
    PumpEvents(Millis(50));
    panel->SelectMediaFile("/tmp/a.mp4", "a.mp4");

    auto id = [panel](int which) { return panel->FindWindow(which); };
    const std::vector<wxWindow *> expected = {
        id(TerminalPanel::ID_MODIFY), ui.connectButton, ui.reconnectCheck,
        ui.txTypeRadio, ui.rxTypeRadio,
        ui.txEntries[NotationAscii], ui.lineEndingCombo, id(TerminalPanel::ID_ADD_MESSAGE),
        ui.messageList, id(TerminalPanel::ID_SEND), PeriodicButton(), id(TerminalPanel::ID_CLEAR_LIST),
        ui.mediaBackwardButton, ui.mediaPlayButton, ui.mediaPauseButton, ui.mediaLoopButton,
        id(TerminalPanel::ID_EXPORT), ui.timestampCheck, ui.wrapCheck,
        id(TerminalPanel::ID_MILLISECONDS), id(TerminalPanel::ID_LINE_SPLIT), ui.rxViews[NotationAscii],
        id(TerminalPanel::ID_PERIODIC_CHECK), ui.periodText, ui.periodUnitCombo,
        ui.msgCounterCheck, ui.totalSizeText,
        id(TerminalPanel::ID_LOG_START), id(TerminalPanel::ID_LOG_STOP), id(TerminalPanel::ID_CLEAR_RX),
        id(TerminalPanel::ID_LOG_LINE_BREAKS), id(TerminalPanel::ID_LOG_FOLDER),
    };
    ExpectOrder(WalkTab(id(TerminalPanel::ID_MODIFY)), expected);
    ClickPeriodicButton();
}

} // namespace
