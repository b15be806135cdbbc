#include "app/main_window.h"
#include "tests/uart/uart_panel_driver.h"

#include <algorithm>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/dataobj.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class TerminalPanelTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
};

wxStaticText *FindText(const wxString &label)
{
    for (wxWindow *child : Panel()->GetChildren())
        if (auto *text = dynamic_cast<wxStaticText *>(child); text != nullptr && text->GetLabel() == label)
            return text;
    return nullptr;
}

// True when the entry's validator refuses the typed character.
bool Refuses(wxTextCtrl *entry, int key)
{
    wxKeyEvent typed(wxEVT_CHAR);
    typed.m_keyCode = key;
    typed.m_uniChar = static_cast<wxChar>(key);
    typed.SetEventObject(entry);
    typed.SetId(entry->GetId());
    return entry->GetEventHandler()->ProcessEvent(typed);
}

TEST_F(TerminalPanelTest, StartsDisconnectedWithParametersNotSetAndGroupsOff)
{
    const PanelControls ui = Controls();
    TerminalPanel *panel = Panel();
    EXPECT_EQ(panel->GetName(), "ORVTerminalPanel");
    EXPECT_EQ(panel->GetParent(), MainWindow::GetInstance()->m_frame);
    EXPECT_EQ(ui.ipLabel->GetLabel(), "not set");
    EXPECT_EQ(ui.portLabel->GetLabel(), "not set");
    EXPECT_TRUE(ShowsImage(ui.statusIcon->GetBitmap(), "icons/ko.jpg"));
    EXPECT_TRUE(ShowsImage(ui.connectButton->GetBitmapLabel(), "icons/connectbtn.jpg"));
    EXPECT_FALSE(Link().Connected());
    EXPECT_FALSE(Link().Reconnecting());
    EXPECT_FALSE(Link().Connecting());
    EXPECT_FALSE(Link().Reading());
    for (wxWindow *control : std::initializer_list<wxWindow *>{PeriodicButton(), ui.periodText,
                                                               ui.periodUnitCombo, ui.msgCounterCheck,
                                                               ui.totalSizeLabel, ui.totalSizeText,
                                                               ui.paddingLabel})
        EXPECT_FALSE(control->IsEnabled()) << control->GetClassInfo()->GetClassName();
    for (wxWindow *control : std::initializer_list<wxWindow *>{ui.mediaLabel, ui.mediaBackwardButton,
                                                               ui.mediaPlayButton, ui.mediaPauseButton,
                                                               ui.mediaLoopButton})
        EXPECT_FALSE(control->IsShown());
    EXPECT_EQ(ui.periodUnitCombo->GetValue(), "ms");
    EXPECT_EQ(ui.periodUnitCombo->GetCount(), 2u);
    EXPECT_EQ(ui.mediaLabel->GetLabel(), "Selected media stream:");
    EXPECT_EQ(ui.timestampCheck->GetLabel(), "Write Timestamp");
    EXPECT_EQ(ui.wrapCheck->GetLabel(), "Wrap packets");
    EXPECT_EQ(ui.rxTypeRadio->GetString(3), "Decimal");
    EXPECT_EQ(ui.rxTypeRadio->GetString(4), "Hex + ASCII");
    EXPECT_EQ(ui.txTypeRadio->GetCount(), 4u);
}

TEST_F(TerminalPanelTest, PlacesEveryControlWithItsIdAndSize)
{
    const PanelControls ui = Controls();
    TerminalPanel *panel = Panel();
    struct Place {
        wxWindow *window;
        wxPoint at;
        wxSize size;
    };
    const int any = -1;
    const Place places[] = {
        {ui.txTypeRadio, {30, 110}, {320, any}},
        {ui.rxTypeRadio, {any, 110}, {any, any}},
        {ui.txHints[0], {30, 160}, {any, any}},
        {ui.txHints[3], {30, 160}, {any, any}},
        // The ASCII entry shares its row with the choice of line ending.
        {ui.txEntries[0], {30, 180}, {185, 40}},
        {ui.lineEndingCombo, {220, 180}, {80, any}},
        {ui.txEntries[2], {30, 180}, {270, 40}},
        {panel->FindWindow(TerminalPanel::ID_ADD_MESSAGE), {305, 180}, {88, 25}},
        {ui.messageList, {30, 220}, {270, 260}},
        {panel->FindWindow(TerminalPanel::ID_SEND), {305, 220}, {88, 25}},
        {PeriodicButton(), {305, 250}, {88, 25}},
        {panel->FindWindow(TerminalPanel::ID_CLEAR_LIST), {305, 280}, {88, 25}},
        // Where GTK needs more room than drawn, sizes and places follow the
        // content (app/toolkit_fit.h); the relations are checked below.
        {ui.mediaLabel, {305, 330}, {120, any}},
        {ui.mediaBackwardButton, {305, any}, {24, 24}},
        {ui.mediaPlayButton, {334, any}, {24, 24}},
        {ui.mediaPauseButton, {363, any}, {24, 24}},
        {ui.mediaLoopButton, {392, any}, {24, 24}},
        {ui.timestampCheck, {450, any}, {any, any}},
        {ui.wrapCheck, {any, any}, {any, any}},
        {panel->FindWindow(TerminalPanel::ID_EXPORT), {682, 155}, {88, 25}},
        {ui.rxViews[0], {450, any}, {320, any}},
        {ui.rxViews[3], {450, any}, {320, any}},
        {panel->FindWindow(TerminalPanel::ID_PERIODIC_CHECK), {30, 490}, {any, any}},
        {ui.periodText, {any, 485}, {64, 20}},
        {ui.periodUnitCombo, {any, 485}, {any, 20}},
        {ui.totalSizeLabel, {any, 515}, {any, any}},
        {ui.totalSizeText, {any, 510}, {52, any}},
        {ui.paddingLabel, {any, 515}, {120, any}},
        {ui.msgCounterCheck, {any, 490}, {any, any}},
        {panel->FindWindow(TerminalPanel::ID_CLEAR_RX), {662, 485}, {88, 25}},
        {panel->FindWindow(TerminalPanel::ID_LOG_STOP), {569, 485}, {88, 25}},
        {panel->FindWindow(TerminalPanel::ID_LOG_START), {476, 485}, {88, 25}},
        {panel->FindWindow(TerminalPanel::ID_LOG_LINE_BREAKS), {500, 515}, {any, any}},
        {panel->FindWindow(TerminalPanel::ID_LOG_FOLDER), {682, 510}, {88, 25}},
        {FindText("ORV-Terminal"), {30, 70}, {800, any}},
    };
    for (const Place &place : places) {
        ASSERT_NE(place.window, nullptr) << place.at.x << "," << place.at.y;
        if (place.at.x != any) {
            EXPECT_EQ(place.window->GetPosition().x, place.at.x) << place.window->GetClassInfo()->GetClassName();
        }
        if (place.at.y != any) {
            EXPECT_EQ(place.window->GetPosition().y, place.at.y) << place.window->GetClassInfo()->GetClassName();
        }
        if (place.size.x != any) {
            EXPECT_EQ(place.window->GetSize().x, place.size.x) << place.at.x << "," << place.at.y;
        }
        if (place.size.y != any) {
            EXPECT_EQ(place.window->GetSize().y, place.size.y) << place.at.x << "," << place.at.y;
        }
    }
    for (int n = 0; n < kNotationCount; ++n) {
        EXPECT_EQ(ui.rxViews[n]->GetId(), n);
        EXPECT_EQ(ui.txEntries[n]->GetId(), TerminalPanel::ID_TX_ENTRY);
        EXPECT_EQ(ui.rxViews[n]->GetBackgroundColour(), *wxBLACK);
        EXPECT_TRUE(ui.rxViews[n]->HasFlag(wxTE_READONLY));
        EXPECT_TRUE(ui.rxViews[n]->IsMultiLine());
    }
    EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_EQ(ui.txTypeRadio->GetId(), TerminalPanel::ID_TRANSMISSION_TYPE);
    EXPECT_EQ(ui.rxTypeRadio->GetId(), TerminalPanel::ID_READ_TYPE);
    EXPECT_EQ(ui.mediaPlayButton->GetToolTipText(), "Play");

    // What moved keeps its order and alignment: the media buttons under the
    // caption; the check boxes in one row over the views, which end where
    // drawn; the periodic row in order, the total-size row under its field.
    const auto right = [](const wxWindow *w) { return w->GetPosition().x + w->GetSize().x; };
    const auto bottom = [](const wxWindow *w) { return w->GetPosition().y + w->GetSize().y; };
    EXPECT_EQ(ui.mediaBackwardButton->GetPosition().y, std::max(360, bottom(ui.mediaLabel)));
    EXPECT_EQ(ui.wrapCheck->GetPosition().y, ui.timestampCheck->GetPosition().y);
    EXPECT_GE(ui.wrapCheck->GetPosition().x, std::max(560, right(ui.timestampCheck)));
    // The reading options in a row under them, each under its partner.
    const wxWindow *milliseconds = panel->FindWindow(TerminalPanel::ID_MILLISECONDS);
    const wxWindow *lineSplit = panel->FindWindow(TerminalPanel::ID_LINE_SPLIT);
    EXPECT_EQ(milliseconds->GetPosition().x, ui.timestampCheck->GetPosition().x);
    EXPECT_EQ(lineSplit->GetPosition().x, ui.wrapCheck->GetPosition().x);
    EXPECT_GE(milliseconds->GetPosition().y, bottom(ui.timestampCheck));
    EXPECT_EQ(lineSplit->GetPosition().y, milliseconds->GetPosition().y);
    EXPECT_EQ(std::max(bottom(milliseconds), bottom(lineSplit)), ui.rxViews[0]->GetPosition().y);
    // The read type choice grows to the left for its fifth view, clear of
    // the transmission type's.
    EXPECT_EQ(right(ui.rxTypeRadio), 770);
    EXPECT_GE(ui.rxTypeRadio->GetPosition().x, right(ui.txTypeRadio) + 5);
    EXPECT_LE(ui.rxTypeRadio->GetPosition().x, 450);
    EXPECT_EQ(bottom(ui.rxViews[0]), 480);
    EXPECT_EQ(ui.rxBackdrop->GetRect(), ui.rxViews[0]->GetRect()) << "the backdrop lies behind the views";
    const wxWindow *periodicCheck = panel->FindWindow(TerminalPanel::ID_PERIODIC_CHECK);
    EXPECT_GE(ui.periodText->GetPosition().x, std::max(175, right(periodicCheck)));
    EXPECT_GE(ui.periodUnitCombo->GetPosition().x, right(ui.periodText));
    EXPECT_GE(ui.msgCounterCheck->GetPosition().x, right(ui.periodUnitCombo));
    EXPECT_EQ(ui.totalSizeLabel->GetPosition().x, ui.periodText->GetPosition().x);
    EXPECT_GE(ui.totalSizeText->GetPosition().x, right(ui.totalSizeLabel));
    EXPECT_GE(ui.paddingLabel->GetPosition().x, right(ui.totalSizeText));
}

TEST_F(TerminalPanelTest, TransmissionTypeShowsItsEntryAndHintAndKeepsTexts)
{
    const PanelControls ui = Controls();
    ui.txEntries[NotationAscii]->ChangeValue("hello");
    SelectTransmissionType(NotationHex);
    for (int n = 0; n < kNotationCount; ++n) {
        EXPECT_EQ(ui.txEntries[n]->IsShown(), n == NotationHex);
        EXPECT_EQ(ui.txHints[n]->IsShown(), n == NotationHex);
    }
    EXPECT_EQ(ui.txHints[NotationHex]->GetLabel(), "Insert group of hex (max 2 digits) separated by blank");
    EXPECT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == ui.txEntries[NotationHex]; }));
    SelectTransmissionType(NotationAscii);
    EXPECT_EQ(ui.txEntries[NotationAscii]->GetValue(), "hello");
    EXPECT_EQ(ui.txHints[NotationAscii]->GetLabel(), "Insert ASCII characters");
    ui.txEntries[NotationAscii]->Clear();
}

TEST_F(TerminalPanelTest, ReadTypeShowsExactlyItsViewAndGivesTheFocusBack)
{
    const PanelControls ui = Controls();
    SelectTransmissionType(NotationBinary);
    for (int chosen : {NotationDecimal, NotationHex, NotationAscii}) {
        SelectReadType(chosen);
        for (int n = 0; n < kNotationCount; ++n)
            EXPECT_EQ(ui.rxViews[n]->IsShown(), n == chosen);
        EXPECT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == ui.txEntries[NotationBinary]; }));
    }
}

TEST_F(TerminalPanelTest, EntryFiltersAndLimits)
{
    const PanelControls ui = Controls();
    wxTextCtrl *hex = ui.txEntries[NotationHex];
    wxTextCtrl *binary = ui.txEntries[NotationBinary];
    wxTextCtrl *decimal = ui.txEntries[NotationDecimal];
    for (int key : {'0', '1', ' '})
        for (wxTextCtrl *entry : {hex, binary, decimal})
            EXPECT_FALSE(Refuses(entry, key)) << char(key);
    for (int key : {'a', 'f', '9', 'A', 'F'})
        EXPECT_FALSE(Refuses(hex, key)) << char(key);
    for (int key : {'G', 'g', 'z', 'x'})
        EXPECT_TRUE(Refuses(hex, key)) << char(key);
    for (int key : {'2', 'a', 'A'})
        EXPECT_TRUE(Refuses(binary, key)) << char(key);
    for (int key : {'a', 'x', '-'})
        EXPECT_TRUE(Refuses(decimal, key)) << char(key);
    EXPECT_FALSE(Refuses(ui.txEntries[NotationAscii], 'Z'));

    // An entry holds at most 128 characters: an insertion is cut to fit.
    wxTextCtrl *ascii = ui.txEntries[NotationAscii];
    ascii->WriteText(wxString('x', 120) + "end");
    ascii->SetInsertionPoint(3);
    ascii->WriteText(wxString('y', 10));
    PumpEvents();
    EXPECT_EQ(ascii->GetValue(), "xxx" + wxString('y', 5) + wxString('x', 117) + "end");
    ascii->Clear();
    // The number fields keep every digit: a number cut short would be taken
    // for another.
    for (wxTextCtrl *field : {ui.periodText, ui.totalSizeText}) {
        field->Enable();
        field->WriteText("123");
        field->WriteText("4");
        EXPECT_EQ(field->GetValue(), "1234");
        field->Clear();
        field->Disable();
    }
}

// Typed for real: the keys go through the toolkit, the validator and the
// entry's own handler.
TEST_F(TerminalPanelTest, EnterUpAndDownReachThePanelAndNeverChangeTheEntry)
{
    TerminalPanel *panel = Panel();
    std::vector<int> reached;
    // Bound after the panel's own handler, so asked first; it keeps the keys
    // from that handler, whose adding and recall would change the entry.
    auto record = [&reached](wxKeyEvent &event) { reached.push_back(event.GetKeyCode()); };
    panel->Bind(wxEVT_CHAR, record, TerminalPanel::ID_TX_ENTRY);
    MainWindow::GetInstance()->m_frame->Raise();
    wxTextCtrl *entry = Controls().txEntries[NotationAscii];
    entry->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == entry; }));
    wxUIActionSimulator typing;
    typing.Text("ab");
    for (int key : {WXK_RETURN, WXK_UP, WXK_DOWN})
        typing.Char(key);
    typing.Text("c");
    EXPECT_TRUE(WaitUntil([&] { return entry->GetValue() == "abc"; })) << entry->GetValue();
    EXPECT_EQ(reached, (std::vector<int>{WXK_RETURN, WXK_UP, WXK_DOWN}));
    panel->Unbind(wxEVT_CHAR, record, TerminalPanel::ID_TX_ENTRY);
    entry->Clear();
}

// Clicked, a receive view keeps the focus, and Ctrl+C copies its selection.
TEST_F(TerminalPanelTest, CtrlCInAReceiveViewCopiesItsSelection)
{
    Connected link;
    link.SendAndShow("copy this, not that");
    MainWindow::GetInstance()->m_frame->Raise();
    wxTextCtrl *view = Controls().rxViews[NotationAscii];
    wxUIActionSimulator input;
    input.MouseMove(view->ClientToScreen(wxPoint(100, 100)));
    input.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == view; }));
    PumpEvents(Millis(100));
    ASSERT_EQ(wxWindow::FindFocus(), view) << "the focus was taken away again";
    view->SetSelection(0, 9);
    if (wxTheClipboard->Open()) {
        wxTheClipboard->SetData(new wxTextDataObject("before"));
        wxTheClipboard->Close();
    }
    input.Char('c', wxMOD_CONTROL);
    wxString copied;
    EXPECT_TRUE(WaitUntil([&] {
        wxTextDataObject data;
        if (wxTheClipboard->Open()) {
            wxTheClipboard->GetData(data);
            wxTheClipboard->Close();
        }
        copied = data.GetText();
        return copied == "copy this";
    })) << copied;
}

} // namespace
