#include "net/tcp.h"
#include "tests/uart/system_stand_ins.h"
#include "tests/uart/uart_panel_driver.h"
#include "uart/saved_settings.h"
#include "uart/tx_codec.h"

#include <sys/socket.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class TransmitTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override { ResetPanel(); }
};

wxString ListItems()
{
    return wxJoin(Controls().messageList->GetStrings(), '|', '\0');
}

wxString EntryText()
{
    const PanelControls ui = Controls();
    return ui.txEntries[ui.txTypeRadio->GetSelection()]->GetValue();
}

TEST_F(TransmitTest, MessagesAreListedNewestFirstAndRefusalsChangeNothing)
{
    const PanelControls ui = Controls();
    AddMessage(NotationHex, "1 0a ff");
    AddMessage(NotationAscii, "AB C", true);
    AddMessage(NotationBinary, "101 11111111");
    AddMessage(NotationDecimal, "0 65 255", true);
    EXPECT_EQ(ListItems(), "0 65 255 (Decimal)|101 11111111 (Binary)|AB C (ASCII)|1 0a ff (Hex)");
    EXPECT_EQ(ui.messageList->GetSelection(), 0);
    const std::vector<SavedMessage> history = Panel()->CurrentSettings().messages;
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(history[0].text, L"1 0a ff");
    EXPECT_EQ(history[3].notation, NotationDecimal);
    EXPECT_EQ(EntryText(), "");
    PressKey(WXK_UP);
    EXPECT_EQ(EntryText(), "0 65 255") << "the recall starts after the newest";
    ui.txEntries[NotationDecimal]->ChangeValue("");

    ModalRecorder boxes;
    AddMessage(NotationAscii, wxString(L'\u00e9', 65));
    AddMessage(NotationHex, "1 22 333");
    EXPECT_EQ(boxes.Messages(), "Max 128 bytes | Hex can be length max 2 digits");
    EXPECT_EQ(boxes.Boxes()[1].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[1].style & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
    EXPECT_EQ(EntryText(), "1 22 333");
    EXPECT_EQ(Panel()->CurrentSettings().messages.size(), 4u);
    EXPECT_EQ(ui.messageList->GetCount(), 4u);
}

TEST_F(TransmitTest, UpAndDownWalkTheHistoryIntoTheCurrentEntry)
{
    for (const char *text : {"a", "b", "c"})
        AddMessage(NotationAscii, text);
    wxArrayString shown;
    for (int key : {WXK_UP, WXK_UP, WXK_UP, WXK_UP, WXK_DOWN, WXK_DOWN, WXK_DOWN, WXK_DOWN}) {
        PressKey(key);
        shown.push_back(EntryText());
    }
    EXPECT_EQ(wxJoin(shown, ','), "c,b,a,a,b,c,,");

    AddMessage(NotationBinary, "101");
    SelectTransmissionType(NotationHex);
    PressKey(WXK_UP);
    EXPECT_EQ(Controls().txEntries[NotationHex]->GetValue(), "101");
}

TEST_F(TransmitTest, FullListRefusesTheNextMessageWithItsOwnReason)
{
    const PanelControls ui = Controls();
    for (int n = 0; n < TerminalPanel::kHistorySize; ++n)
        AddMessage(NotationDecimal, wxString::Format("%d", n % 256));
    ModalRecorder boxes;
    AddMessage(NotationDecimal, "7");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].message.Contains("full")) << boxes.Boxes()[0].message;
    EXPECT_EQ(Panel()->CurrentSettings().messages.size(), size_t{TerminalPanel::kHistorySize});
    EXPECT_EQ(ui.messageList->GetCount(), 1000u);
    EXPECT_EQ(ui.messageList->GetString(0), "231 (Decimal)");
}

TEST_F(TransmitTest, SendGoesOutByteExactWithItsEcho)
{
    const PanelControls ui = Controls();
    Connected link;
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    AddMessage(NotationHex, "1 0a ff");
    AddMessage(NotationAscii, L"AB\u00ff");
    ModalRecorder boxes;
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 3), "AB\xff");
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    ui.messageList->SetSelection(1);
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 3), "\x01\x0a\xff");
    EXPECT_EQ(boxes.Messages(), "");

    EXPECT_EQ(ViewText(NotationAscii), wxString(L"AB\u00ff\n"));
    wxTextAttr style;
    ASSERT_TRUE(ui.rxViews[NotationAscii]->GetStyle(0, style));
    EXPECT_EQ(style.GetTextColour(), *wxWHITE);
    // The Hex echo waits, hidden, in its own view until Hex is the read type.
    EXPECT_FALSE(ui.rxViews[NotationHex]->IsShown());
    EXPECT_EQ(Unstamped(ViewText(NotationHex), before), " [TX] - 1 0a ff\n");
}

// Each message keeps the ending it was added with, whatever the choice says
// when it is sent; only ASCII messages take one.
TEST_F(TransmitTest, LineEndingsGoOutWithTheMessageTheyWereAddedWith)
{
    const PanelControls ui = Controls();
    Connected link;
    wxComboBox *ending = ui.lineEndingCombo;
    EXPECT_EQ(ending->GetStringSelection(), "none");
    ending->SetSelection(LineEndingCrLf);
    AddMessage(NotationAscii, "AT+VERSION?");
    AddMessage(NotationHex, "41");
    SelectTransmissionType(NotationAscii);
    ending->SetSelection(LineEndingLf);
    AddMessage(NotationAscii, "B");
    ending->SetSelection(LineEndingNone);
    EXPECT_EQ(ListItems(), "B (ASCII, LF)|41 (Hex)|AT+VERSION? (ASCII, CR LF)");
    ModalRecorder boxes;
    for (int row : {2, 1, 0}) {
        ui.messageList->SetSelection(row);
        Click(TerminalPanel::ID_SEND);
    }
    EXPECT_EQ(ReadAtLeast(link.Peer(), 16), "AT+VERSION?\r\nAB\n");
    EXPECT_EQ(boxes.Messages(), "");
    SelectTransmissionType(NotationHex);
    EXPECT_FALSE(ending->IsShown()) << "the choice belongs to the ASCII entry";
}

// Ctrl+Enter adds and sends, a double-click sends an entry, Delete removes
// one from the list and the history alike.
TEST_F(TransmitTest, MessagesAreSentAndDeletedInOneStep)
{
    const PanelControls ui = Controls();
    Connected link;
    ModalRecorder boxes;
    ui.txEntries[NotationAscii]->ChangeValue("X");
    PressKey(WXK_RETURN, true);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 1), "X");
    AddMessage(NotationAscii, "Y");
    AddMessage(NotationAscii, "Z");
    EXPECT_EQ(ListItems(), "Z (ASCII)|Y (ASCII)|X (ASCII)");

    wxListBox *list = ui.messageList;
    list->SetSelection(2);
    wxCommandEvent doubleClick(wxEVT_LISTBOX_DCLICK, list->GetId());
    doubleClick.SetEventObject(list);
    doubleClick.SetInt(2);
    list->GetEventHandler()->ProcessEvent(doubleClick);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 1), "X");

    list->SetSelection(1);
    wxKeyEvent del(wxEVT_KEY_DOWN);
    del.m_keyCode = WXK_DELETE;
    del.SetEventObject(list);
    list->GetEventHandler()->ProcessEvent(del);
    EXPECT_EQ(ListItems(), "Z (ASCII)|X (ASCII)");
    EXPECT_EQ(list->GetSelection(), 1);
    EXPECT_EQ(Panel()->CurrentSettings().messages.size(), 2u);
    wxArrayString recalled;
    for (int key : {WXK_UP, WXK_UP}) {
        PressKey(key);
        recalled.push_back(EntryText());
    }
    EXPECT_EQ(wxJoin(recalled, ','), "Z,X") << "the history lost Y too";
    list->GetEventHandler()->ProcessEvent(del);
    list->GetEventHandler()->ProcessEvent(del);
    list->GetEventHandler()->ProcessEvent(del);
    EXPECT_EQ(list->GetCount(), 0u);
    EXPECT_EQ(Panel()->CurrentSettings().messages.size(), 0u);
    EXPECT_EQ(boxes.Messages(), "");
}

TEST_F(TransmitTest, SendNeedsAConnectionAndReportsAFailedSend)
{
    AddMessage(NotationAscii, "x");
    {
        ModalRecorder boxes;
        Click(TerminalPanel::ID_SEND);
        EXPECT_EQ(boxes.Messages(), "You have to connect first.");
    }
    EXPECT_EQ(ViewText(NotationAscii), "");

    Connected link;
    ModalRecorder boxes;
    // A connection that can no longer send, while it still receives.
    shutdown(SocketConnectedTo(link.Listener().Port()), SHUT_WR);
    // Another thread records a failure of its own just after the send has
    // recorded its own, as the stream or the periodic sender may: the box
    // shows the send's.
    {
        const FailureRecordedMeanwhile other("another thread's error");
        Click(TerminalPanel::ID_SEND);
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].message, "Broken pipe");
    EXPECT_EQ(ViewText(NotationAscii), "") << "no echo of a message that did not go out";
    EXPECT_TRUE(Link().Connected());
}

} // namespace
