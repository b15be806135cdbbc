// The receive views' reading options and the hex and ASCII dump, fed by a
// loopback peer in several TCP pieces.
#include "tests/uart/uart_panel_driver.h"

#include <wx/regex.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class ReadingOptionsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override
    {
        SetChecked(TerminalPanel::ID_MILLISECONDS, false);
        SetChecked(TerminalPanel::ID_LINE_SPLIT, false);
        ResetPanel();
    }
};

wxString ShownDump()
{
    return static_cast<wxTextCtrl *>(Panel()->FindWindow(kRxViewHexDump))->GetValue();
}

TEST_F(ReadingOptionsTest, MillisecondTimestampsEndTheirSecondsWithThreeDigits)
{
    Connected link;
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    SetChecked(TerminalPanel::ID_MILLISECONDS, true);
    link.SendAndShow("x");
    const wxString text = ViewText(NotationAscii);
    EXPECT_TRUE(wxRegEx("[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3} .*[0-9]{4} \\[RX\\] - x$").Matches(text)) << text;
    EXPECT_TRUE(wxRegEx(":[0-9]{2}\\.[0-9]{3} ").Matches(ViewText(kRxViewHexDump)));
}

TEST_F(ReadingOptionsTest, ALineInThreePiecesIsOneStampedLine)
{
    Connected link;
    const wxDateTime since = wxDateTime::Now();
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    SetChecked(TerminalPanel::ID_WRAP, true);
    SetChecked(TerminalPanel::ID_LINE_SPLIT, true);
    for (const char *piece : {"hel", "lo wor", "ld\r", "\nok\r\n"})
        link.SendAndShow(piece);
    EXPECT_EQ(Unstamped(ViewText(NotationAscii), since), " [RX] - hello world\r\n [RX] - ok\r\n");
    EXPECT_EQ(Unstamped(ViewText(NotationHex), since),
              " [RX] - 68 65 6c 6c 6f 20 77 6f 72 6c 64 0d 0a\n [RX] - 6f 6b 0d 0a");

    // Off again, the pieces are packets once more.
    SetChecked(TerminalPanel::ID_LINE_SPLIT, false);
    Click(TerminalPanel::ID_CLEAR_RX);
    link.SendAndShow("a");
    link.SendAndShow("b\n");
    EXPECT_EQ(Unstamped(ViewText(NotationAscii), since), " [RX] - a\n [RX] - b\n\n");
}

TEST_F(ReadingOptionsTest, HexDumpOfAStreamInPiecesReplacesItsOpenLine)
{
    Connected link;
    SelectReadType(kRxViewHexDump);
    for (const char *piece : {"AT+VE", "RSION?\r\nOK\r", "\nmo", "re"})
        link.SendAndShow(piece);
    const std::string first = "00000000  41 54 2b 56 45 52 53 49  4f 4e 3f 0d 0a 4f 4b 0d  |AT+VERSION?..OK.|\n";
    const std::string open = "00000010  0a 6d 6f 72 65";
    const std::string expected = first + open + std::string(60 - open.size(), ' ') + "|.more|";
    EXPECT_EQ(ViewText(kRxViewHexDump).utf8_string(), expected);
    EXPECT_EQ(ShownDump().utf8_string(), expected) << "the shown view holds each line once";

    // A line of the panel's own ends the open line; the dump goes on under it.
    ModalRecorder boxes;
    AddMessage(NotationAscii, "hi");
    Click(TerminalPanel::ID_SEND);
    Panel()->StartSequence({{0, Millis(0)}}, false);
    EXPECT_TRUE(WaitUntil([] { return !Panel()->SequenceRunning(); }));
    link.SendAndShow("!");
    const std::string after = ViewText(kRxViewHexDump).utf8_string();
    EXPECT_NE(after.find(expected + "\n"), std::string::npos) << after;
    EXPECT_NE(after.find("\n00000015  21" + std::string(60 - 12, ' ') + "|!|"), std::string::npos) << after;
    EXPECT_EQ(ShownDump().utf8_string(), after);

    // Find works in it; a clear starts the dump afresh.
    EXPECT_NE(ViewText(kRxViewHexDump).Find("|AT+VERSION?..OK.|"), wxNOT_FOUND);
    Click(TerminalPanel::ID_CLEAR_RX);
    link.SendAndShow("Z");
    EXPECT_EQ(ShownDump().utf8_string(), "00000000  5a" + std::string(60 - 12, ' ') + "|Z|");
}

} // namespace
