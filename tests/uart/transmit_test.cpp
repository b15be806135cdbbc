#include "net/tcp.h"
#include "tests/uart/system_stand_ins.h"
#include "tests/uart/uart_panel_driver.h"
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
    return wxJoin(Panel()->m_messageList->GetStrings(), '|', '\0');
}

wxString EntryText()
{
    return Panel()->m_txEntries[Panel()->m_txTypeRadio->GetSelection()]->GetValue();
}

TEST_F(TransmitTest, MessagesAreListedNewestFirstAndRefusalsChangeNothing)
{
    TerminalPanel *panel = Panel();
    AddMessage(NotationHex, "1 0a ff");
    AddMessage(NotationAscii, "AB C", true);
    AddMessage(NotationBinary, "101 11111111");
    AddMessage(NotationDecimal, "0 65 255", true);
    EXPECT_EQ(ListItems(), "0 65 255 (Decimal)|101 11111111 (Binary)|AB C (ASCII)|1 0a ff (Hex)");
    EXPECT_EQ(panel->m_messageList->GetSelection(), 0);
    EXPECT_EQ(panel->m_historyCursor, 4);
    EXPECT_EQ(panel->m_historyTexts[0], "1 0a ff");
    EXPECT_EQ(panel->m_historyTypes[3], NotationDecimal);
    EXPECT_EQ(EntryText(), "");

    ModalRecorder boxes;
    AddMessage(NotationAscii, wxString(L'\u00e9', 65));
    AddMessage(NotationHex, "1 22 333");
    EXPECT_EQ(boxes.Messages(), "Max 128 bytes | Hex can be length max 2 digits");
    EXPECT_EQ(boxes.Boxes()[1].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[1].style & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
    EXPECT_EQ(EntryText(), "1 22 333");
    EXPECT_EQ(panel->m_historyCount, 4);
    EXPECT_EQ(panel->m_messageList->GetCount(), 4u);
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
    EXPECT_EQ(Panel()->m_txEntries[NotationHex]->GetValue(), "101");
}

TEST_F(TransmitTest, FullListRefusesTheNextMessageWithItsOwnReason)
{
    for (int n = 0; n < TerminalPanel::kHistorySize; ++n)
        AddMessage(NotationDecimal, wxString::Format("%d", n % 256));
    ModalRecorder boxes;
    AddMessage(NotationDecimal, "7");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].message.Contains("full")) << boxes.Boxes()[0].message;
    EXPECT_EQ(Panel()->m_historyCount, TerminalPanel::kHistorySize);
    EXPECT_EQ(Panel()->m_messageList->GetCount(), 1000u);
    EXPECT_EQ(Panel()->m_messageList->GetString(0), "231 (Decimal)");
}

TEST_F(TransmitTest, SendGoesOutByteExactWithItsEcho)
{
    Connected link;
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    AddMessage(NotationHex, "1 0a ff");
    AddMessage(NotationAscii, L"AB\u00ff");
    ModalRecorder boxes;
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 3), "AB\xff");
    SetChecked(Panel()->m_timestampCheck, true);
    Panel()->m_messageList->SetSelection(1);
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 3), "\x01\x0a\xff");
    EXPECT_EQ(boxes.Messages(), "");

    EXPECT_EQ(ViewText(NotationAscii), wxString(L"AB\u00ff\n"));
    wxTextAttr style;
    ASSERT_TRUE(Panel()->m_rxViews[NotationAscii]->GetStyle(0, style));
    EXPECT_EQ(style.GetTextColour(), *wxWHITE);
    // The Hex echo waits, hidden, in its own view until Hex is the read type.
    EXPECT_FALSE(Panel()->m_rxViews[NotationHex]->IsShown());
    EXPECT_EQ(Unstamped(ViewText(NotationHex), before), " [TX] - 1 0a ff\n");
}

// Each message keeps the ending it was added with, whatever the choice says
// when it is sent; only ASCII messages take one.
TEST_F(TransmitTest, LineEndingsGoOutWithTheMessageTheyWereAddedWith)
{
    Connected link;
    wxComboBox *ending = Panel()->m_lineEndingCombo;
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
        Panel()->m_messageList->SetSelection(row);
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
    Connected link;
    ModalRecorder boxes;
    Panel()->m_txEntries[NotationAscii]->ChangeValue("X");
    PressKey(WXK_RETURN, true);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 1), "X");
    AddMessage(NotationAscii, "Y");
    AddMessage(NotationAscii, "Z");
    EXPECT_EQ(ListItems(), "Z (ASCII)|Y (ASCII)|X (ASCII)");

    wxListBox *list = Panel()->m_messageList;
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
    EXPECT_EQ(Panel()->m_historyCount, 2);
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
    EXPECT_EQ(Panel()->m_historyCount, 0);
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
    shutdown(Panel()->m_socketHandle, SHUT_WR);
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
    EXPECT_TRUE(Panel()->m_connected);
}

// A module that stopped reading: a single message goes out whole or not at
// all, so a give-up leaves no part of it on the wire for a resend to repeat.
TEST_F(TransmitTest, GivenUpSendLeavesNoPartOfTheMessageBehind)
{
    Connected link;
    TerminalPanel *panel = Panel();
    ShrinkReceiveBuffer(link.Peer(), 4096);
    const int sendBuffer = 4096;
    setsockopt(panel->m_socketHandle, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof(sendBuffer));
    // An odd size, so that the connection's segments do not end where
    // messages do.
    const std::string message(97, 'm');
    size_t sent = 0;
    uint16_t length = 0;
    int result = 0;
    while (result == 0 && sent < 5000) {
        length = static_cast<uint16_t>(message.size());
        result = panel->SendWholeMessage(message.data(), &length, 100);
        sent += result == 0;
    }
    ASSERT_EQ(result, UartSocket::kTimedOut);
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), "Connection timed out");
    // A stalled connection resumes in bursts: first wait for all that should
    // come, then for anything beyond it.
    const std::string got = ReadAtLeast(link.Peer(), sent * message.size(), Millis(10000));
    EXPECT_EQ(got.size() + ReadUntilQuiet(link.Peer()).size(), sent * message.size());

    // Larger than the connection can take: the error names what went out.
    const std::string large(60000, 'L');
    length = static_cast<uint16_t>(large.size());
    ASSERT_EQ(panel->SendWholeMessage(large.data(), &length, 100), UartSocket::kTimedOut);
    EXPECT_GT(length, 0);
    EXPECT_EQ(tcp_strerror(tcp_last_error()), "Connection timed out after " + std::to_string(length) +
                                                  " of the 60000 bytes went out; the rest did not");
}

} // namespace
