#include "net/tcp.h"
#include "tests/uart/uart_panel_driver.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <wx/checkbox.h>
#include <wx/datetime.h>
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
    wxString items;
    for (const wxString &item : Panel()->m_messageList->GetStrings())
        items += (items.empty() ? "" : "|") + item;
    return items;
}

wxString EntryText()
{
    return Panel()->m_txEntries[Panel()->m_txTypeRadio->GetSelection()]->GetValue();
}

// The text after a stamp of now (a wxDateTime "%c" text in GMT+1) at the
// start of `line`, or the whole line when it carries no such stamp.
wxString AfterStamp(const wxString &line, const wxDateTime &since)
{
    const wxDateTime::TimeZone zone(wxDateTime::GMT1);
    for (wxDateTime at = since; at <= wxDateTime::UNow() + wxTimeSpan::Seconds(1); at += wxTimeSpan::Seconds(1))
        if (line.StartsWith(at.Format("%c", zone)))
            return line.Mid(at.Format("%c", zone).length());
    return line;
}

TEST_F(TransmitTest, MessagesAreListedNewestFirstWithTheirNotation)
{
    TerminalPanel *panel = Panel();
    AddMessage(NotationHex, "1 0a ff");
    AddMessage(NotationAscii, "AB C", true);
    AddMessage(NotationBinary, "101 11111111");
    AddMessage(NotationDecimal, "0 65 255", true);
    EXPECT_EQ(ListItems(), "0 65 255 (Decimal)|101 11111111 (Binary)|AB C (ASCII)|1 0a ff (Hex)");
    EXPECT_EQ(panel->m_messageList->GetSelection(), 0);
    EXPECT_EQ(panel->m_historyCount, 4);
    EXPECT_EQ(panel->m_historyCursor, 4);
    EXPECT_EQ(panel->m_historyTexts[0], "1 0a ff");
    EXPECT_EQ(panel->m_historyTypes[0], NotationHex);
    EXPECT_EQ(panel->m_historyTexts[3], "0 65 255");
    EXPECT_EQ(panel->m_historyTypes[3], NotationDecimal);
    for (wxTextCtrl *entry : panel->m_txEntries)
        EXPECT_EQ(entry->GetValue(), "");
}

TEST_F(TransmitTest, RefusalsSayWhyAndChangeNothing)
{
    const struct {
        Notation notation;
        wxString text;
        const char *message;
    } cases[] = {
        {NotationAscii, "", "Invalid blank input"},
        {NotationHex, "   ", "Invalid blank input"},
        {NotationAscii, wxString(L'\u00e9', 65), "Max 128 bytes"},
        {NotationHex, "1 22 333", "Hex can be length max 2 digits"},
        {NotationBinary, "100000000", "Binary can be length max 8 digits"},
        {NotationDecimal, "255 256", "Decimal value max 255"},
    };
    AddMessage(NotationAscii, "kept");
    for (const auto &refused : cases) {
        ModalRecorder boxes;
        AddMessage(refused.notation, refused.text);
        ASSERT_EQ(boxes.Boxes().size(), 1u) << refused.text;
        EXPECT_EQ(boxes.Boxes()[0].message, refused.message);
        EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
        EXPECT_EQ(boxes.Boxes()[0].style & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
        EXPECT_EQ(EntryText(), refused.text);
        EXPECT_EQ(ListItems(), "kept (ASCII)");
        EXPECT_EQ(Panel()->m_historyCount, 1);
    }
}

TEST_F(TransmitTest, UpAndDownWalkTheHistory)
{
    for (const char *text : {"a", "b", "c"})
        AddMessage(NotationAscii, text);
    std::vector<wxString> shown;
    for (int key : {WXK_UP, WXK_UP, WXK_UP, WXK_UP, WXK_DOWN, WXK_DOWN, WXK_DOWN, WXK_DOWN}) {
        PressKey(key);
        shown.push_back(EntryText());
    }
    EXPECT_EQ(shown, (std::vector<wxString>{"c", "b", "a", "a", "b", "c", "", ""}));

    // Recalled text goes into the entry of the current notation.
    AddMessage(NotationBinary, "101");
    SelectTransmissionType(NotationHex);
    PressKey(WXK_UP);
    EXPECT_EQ(Panel()->m_txEntries[NotationHex]->GetValue(), "101");
    EXPECT_EQ(Panel()->m_txEntries[NotationBinary]->GetValue(), "");
}

TEST_F(TransmitTest, FullListRefusesTheNextMessageWithItsOwnReason)
{
    for (int n = 0; n < TerminalPanel::kHistorySize; ++n)
        AddMessage(NotationDecimal, wxString::Format("%d", n % 256));
    ModalRecorder boxes;
    AddMessage(NotationDecimal, "7");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.Boxes()[0].message.Contains("full")) << boxes.Boxes()[0].message;
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(Panel()->m_historyCount, TerminalPanel::kHistorySize);
    EXPECT_EQ(Panel()->m_messageList->GetCount(), 1000u);
    EXPECT_EQ(Panel()->m_messageList->GetString(0), "231 (Decimal)");
    EXPECT_EQ(EntryText(), "7");
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
    const wxString hex = ViewText(NotationHex);
    ASSERT_TRUE(hex.EndsWith("\n")) << hex;
    EXPECT_EQ(AfterStamp(hex.BeforeLast('\n'), before), " [TX] - 1 0a ff") << hex;
    EXPECT_EQ(ViewText(NotationBinary), "");
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
    {
        ModalRecorder boxes;
        // Reset by the peer: the receive fails ("Connection Lost"), and so
        // does the next send.
        const linger reset = {1, 0};
        setsockopt(link.Peer(), SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
        link.PeerFd().Reset();
        ASSERT_TRUE(WaitUntil([&] { return boxes.Messages() == "Connection Lost"; }));
        boxes.Clear();
        Click(TerminalPanel::ID_SEND);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].message, wxString::FromUTF8(tcp_strerror(tcp_last_error())));
        EXPECT_FALSE(boxes.Boxes()[0].message.empty());
    }
    EXPECT_EQ(ViewText(NotationAscii), "x\n") << "the echo stands";

    Panel()->m_messageList->SetSelection(wxNOT_FOUND);
    ModalRecorder boxes;
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(boxes.Messages(), "");
    EXPECT_EQ(ViewText(NotationAscii), "x\n") << "nothing selected, nothing sent";
}

TEST_F(TransmitTest, SendReachesTheSerialLineBehindTheModule)
{
    SerialBridge bridge;
    ASSERT_TRUE(bridge.Ready());
    Panel()->SetConnectionParameters("127.0.0.1", wxString::Format("%u", bridge.Port()));
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Messages(), "Connection successful");
    Fd device(open(bridge.Link().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(device.Valid());

    AddMessage(NotationHex, "00 7f 80 ff 0a");
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadFromDevice(device.Get(), 5), std::string("\x00\x7f\x80\xff\x0a", 5));
    AddMessage(NotationDecimal, "13 0 200");
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadFromDevice(device.Get(), 3), std::string("\x0d\x00\xc8", 3));
    Click(TerminalPanel::ID_CONNECT);
}

} // namespace
