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
    TerminalPanel *panel = Panel();
    EXPECT_EQ(panel->GetName(), "ORVTerminalPanel");
    EXPECT_EQ(panel->GetParent(), MainWindow::GetInstance()->m_frame);
    EXPECT_EQ(panel->m_ipLabel->GetLabel(), "not set");
    EXPECT_EQ(panel->m_portLabel->GetLabel(), "not set");
    EXPECT_TRUE(ShowsImage(panel->m_statusIcon->GetBitmap(), "icons/ko.jpg"));
    EXPECT_TRUE(ShowsImage(panel->m_connectButton->GetBitmapLabel(), "icons/connectbtn.jpg"));
    EXPECT_FALSE(panel->m_connected);
    // Before the first connection only (a repeated run comes after some).
    static bool neverConnected = true;
    if (neverConnected) {
        EXPECT_EQ(panel->m_socketHandle, 0);
    }
    neverConnected = false;
    EXPECT_EQ(panel->m_readThread, nullptr);
    for (wxWindow *control : std::initializer_list<wxWindow *>{panel->m_periodicButton, panel->m_periodText,
                                                               panel->m_periodUnitCombo, panel->m_msgCounterCheck,
                                                               panel->m_totalSizeLabel, panel->m_totalSizeText,
                                                               panel->m_paddingLabel})
        EXPECT_FALSE(control->IsEnabled()) << control->GetClassInfo()->GetClassName();
    for (wxWindow *control : std::initializer_list<wxWindow *>{panel->m_mediaLabel, panel->m_mediaBackwardButton,
                                                               panel->m_mediaPlayButton, panel->m_mediaPauseButton,
                                                               panel->m_mediaLoopButton})
        EXPECT_FALSE(control->IsShown());
    EXPECT_EQ(panel->m_periodUnitCombo->GetValue(), "ms");
    EXPECT_EQ(panel->m_periodUnitCombo->GetCount(), 2u);
    EXPECT_EQ(panel->m_mediaLabel->GetLabel(), "Selected media stream:");
    EXPECT_EQ(panel->m_timestampCheck->GetLabel(), "Write Timestamp");
    EXPECT_EQ(panel->m_wrapCheck->GetLabel(), "Wrap packets");
    EXPECT_EQ(panel->m_rxTypeRadio->GetString(3), "Decimal");
    EXPECT_EQ(panel->m_txTypeRadio->GetCount(), 4u);
}

TEST_F(TerminalPanelTest, PlacesEveryControlWithItsIdAndSize)
{
    TerminalPanel *panel = Panel();
    struct Place {
        wxWindow *window;
        wxPoint at;
        wxSize size;
    };
    const int any = -1;
    const Place places[] = {
        {panel->m_txTypeRadio, {30, 110}, {320, any}},
        {panel->m_rxTypeRadio, {450, 110}, {320, any}},
        {panel->m_txHints[0], {30, 160}, {any, any}},
        {panel->m_txHints[3], {30, 160}, {any, any}},
        // The ASCII entry shares its row with the choice of line ending.
        {panel->m_txEntries[0], {30, 180}, {185, 40}},
        {panel->m_lineEndingCombo, {220, 180}, {80, any}},
        {panel->m_txEntries[2], {30, 180}, {270, 40}},
        {panel->FindWindow(TerminalPanel::ID_ADD_MESSAGE), {305, 180}, {88, 25}},
        {panel->m_messageList, {30, 220}, {270, 260}},
        {panel->FindWindow(TerminalPanel::ID_SEND), {305, 220}, {88, 25}},
        {panel->m_periodicButton, {305, 250}, {88, 25}},
        {panel->FindWindow(TerminalPanel::ID_CLEAR_LIST), {305, 280}, {88, 25}},
        // Where GTK needs more room than drawn, sizes and places follow the
        // content (app/toolkit_fit.h); the relations are checked below.
        {panel->m_mediaLabel, {305, 330}, {120, any}},
        {panel->m_mediaBackwardButton, {305, any}, {24, 24}},
        {panel->m_mediaPlayButton, {334, any}, {24, 24}},
        {panel->m_mediaPauseButton, {363, any}, {24, 24}},
        {panel->m_mediaLoopButton, {392, any}, {24, 24}},
        {panel->m_timestampCheck, {450, any}, {any, any}},
        {panel->m_wrapCheck, {any, any}, {any, any}},
        {panel->FindWindow(TerminalPanel::ID_EXPORT), {682, 155}, {88, 25}},
        {panel->m_rxViews[0], {450, any}, {320, any}},
        {panel->m_rxViews[3], {450, any}, {320, any}},
        {panel->FindWindow(TerminalPanel::ID_PERIODIC_CHECK), {30, 490}, {any, any}},
        {panel->m_periodText, {any, 485}, {64, 20}},
        {panel->m_periodUnitCombo, {any, 485}, {any, 20}},
        {panel->m_totalSizeLabel, {any, 515}, {any, any}},
        {panel->m_totalSizeText, {any, 510}, {52, any}},
        {panel->m_paddingLabel, {any, 515}, {120, any}},
        {panel->m_msgCounterCheck, {any, 490}, {any, any}},
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
        EXPECT_EQ(panel->m_rxViews[n]->GetId(), n);
        EXPECT_EQ(panel->m_txEntries[n]->GetId(), TerminalPanel::ID_TX_ENTRY);
        EXPECT_EQ(panel->m_rxViews[n]->GetBackgroundColour(), *wxBLACK);
        EXPECT_TRUE(panel->m_rxViews[n]->HasFlag(wxTE_READONLY));
        EXPECT_TRUE(panel->m_rxViews[n]->IsMultiLine());
    }
    EXPECT_EQ(panel->m_periodicButton->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_EQ(panel->m_txTypeRadio->GetId(), TerminalPanel::ID_TRANSMISSION_TYPE);
    EXPECT_EQ(panel->m_rxTypeRadio->GetId(), TerminalPanel::ID_READ_TYPE);
    EXPECT_EQ(panel->m_mediaPlayButton->GetToolTipText(), "Play");

    // What moved keeps its order and alignment: the media buttons under the
    // caption; the check boxes in one row over the views, which end where
    // drawn; the periodic row in order, the total-size row under its field.
    const auto right = [](const wxWindow *w) { return w->GetPosition().x + w->GetSize().x; };
    const auto bottom = [](const wxWindow *w) { return w->GetPosition().y + w->GetSize().y; };
    EXPECT_EQ(panel->m_mediaBackwardButton->GetPosition().y, std::max(360, bottom(panel->m_mediaLabel)));
    EXPECT_EQ(panel->m_wrapCheck->GetPosition().y, panel->m_timestampCheck->GetPosition().y);
    EXPECT_GE(panel->m_wrapCheck->GetPosition().x, std::max(560, right(panel->m_timestampCheck)));
    EXPECT_EQ(bottom(panel->m_timestampCheck), panel->m_rxViews[0]->GetPosition().y);
    EXPECT_EQ(bottom(panel->m_rxViews[0]), 480);
    const wxWindow *periodicCheck = panel->FindWindow(TerminalPanel::ID_PERIODIC_CHECK);
    EXPECT_GE(panel->m_periodText->GetPosition().x, std::max(175, right(periodicCheck)));
    EXPECT_GE(panel->m_periodUnitCombo->GetPosition().x, right(panel->m_periodText));
    EXPECT_GE(panel->m_msgCounterCheck->GetPosition().x, right(panel->m_periodUnitCombo));
    EXPECT_EQ(panel->m_totalSizeLabel->GetPosition().x, panel->m_periodText->GetPosition().x);
    EXPECT_GE(panel->m_totalSizeText->GetPosition().x, right(panel->m_totalSizeLabel));
    EXPECT_GE(panel->m_paddingLabel->GetPosition().x, right(panel->m_totalSizeText));
}

TEST_F(TerminalPanelTest, TransmissionTypeShowsItsEntryAndHintAndKeepsTexts)
{
    TerminalPanel *panel = Panel();
    panel->m_txEntries[NotationAscii]->ChangeValue("hello");
    SelectTransmissionType(NotationHex);
    for (int n = 0; n < kNotationCount; ++n) {
        EXPECT_EQ(panel->m_txEntries[n]->IsShown(), n == NotationHex);
        EXPECT_EQ(panel->m_txHints[n]->IsShown(), n == NotationHex);
    }
    EXPECT_EQ(panel->m_txHints[NotationHex]->GetLabel(), "Insert group of hex (max 2 digits) separated by blank");
    EXPECT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == panel->m_txEntries[NotationHex]; }));
    SelectTransmissionType(NotationAscii);
    EXPECT_EQ(panel->m_txEntries[NotationAscii]->GetValue(), "hello");
    EXPECT_EQ(panel->m_txHints[NotationAscii]->GetLabel(), "Insert ASCII characters");
    panel->m_txEntries[NotationAscii]->Clear();
}

TEST_F(TerminalPanelTest, ReadTypeShowsExactlyItsViewAndGivesTheFocusBack)
{
    TerminalPanel *panel = Panel();
    SelectTransmissionType(NotationBinary);
    for (int chosen : {NotationDecimal, NotationHex, NotationAscii}) {
        SelectReadType(chosen);
        for (int n = 0; n < kNotationCount; ++n)
            EXPECT_EQ(panel->m_rxViews[n]->IsShown(), n == chosen);
        EXPECT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == panel->m_txEntries[NotationBinary]; }));
    }
}

TEST_F(TerminalPanelTest, EntryFiltersAndLimits)
{
    TerminalPanel *panel = Panel();
    wxTextCtrl *hex = panel->m_txEntries[NotationHex];
    wxTextCtrl *binary = panel->m_txEntries[NotationBinary];
    wxTextCtrl *decimal = panel->m_txEntries[NotationDecimal];
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
    EXPECT_FALSE(Refuses(panel->m_txEntries[NotationAscii], 'Z'));

    // An entry holds at most 128 characters: an insertion is cut to fit.
    wxTextCtrl *ascii = panel->m_txEntries[NotationAscii];
    ascii->WriteText(wxString('x', 120) + "end");
    ascii->SetInsertionPoint(3);
    ascii->WriteText(wxString('y', 10));
    PumpEvents();
    EXPECT_EQ(ascii->GetValue(), "xxx" + wxString('y', 5) + wxString('x', 117) + "end");
    ascii->Clear();
    // The number fields keep every digit: a number cut short would be taken
    // for another.
    for (wxTextCtrl *field : {panel->m_periodText, panel->m_totalSizeText}) {
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
    wxTextCtrl *entry = panel->m_txEntries[NotationAscii];
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
    TerminalPanel *panel = Panel();
    Connected link;
    link.SendAndShow("copy this, not that");
    MainWindow::GetInstance()->m_frame->Raise();
    wxTextCtrl *view = panel->m_rxViews[NotationAscii];
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
