#include "app/main_window.h"
#include "app/user_config.h"
#include "tests/uart/uart_panel_driver.h"
#include "uart/rule_edit_dialog.h"
#include "uart/rule_engine.h"
#include "uart/rule_entries.h"
#include "uart/rules_dialog.h"

#include <chrono>
#include <sys/socket.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/listbox.h>
#include <wx/listctrl.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class RulesTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override { ResetPanel(); }
};

Rule Answer(const std::wstring &pattern, const std::wstring &reply, unsigned perSecond = kDefaultRuleRate)
{
    Rule rule;
    rule.pattern = pattern;
    rule.send = RuleSend{std::nullopt, {reply, NotationAscii, 0}};
    rule.count = true;
    rule.maxPerSecond = perSecond;
    return rule;
}

size_t Occurrences(const std::string &text, const std::string &what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// What the peer has received so far, without waiting.
std::string ReadWaiting(int fd)
{
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
        got.append(buffer, static_cast<size_t>(n));
    return got;
}

wxColour ColourAt(wxTextCtrl *view, long position)
{
    wxTextAttr style;
    EXPECT_TRUE(view->GetStyle(position, style));
    return style.GetTextColour();
}

// A question split over two chunks is answered once, the answer shown as a
// sent message is, and the match counted.
TEST_F(RulesTest, AnswersAQuestionSplitOverTwoChunksOnce)
{
    ASSERT_EQ(Panel()->SetRules({Answer(L"READY?", L"GO")}), "");
    Connected link;
    link.SendAndShow("REA");
    link.SendAndShow("DY?\r\n");
    EXPECT_EQ(ReadAtLeast(link.Peer(), 2), "GO");
    EXPECT_EQ(ReadUntilQuiet(link.Peer()), "");
    EXPECT_EQ(Panel()->RuleCountsOf(0).matched, 1u);
    EXPECT_TRUE(WaitUntil([] { return ViewText(NotationAscii).EndsWith("READY?\r\nGO\n"); }))
        << ViewText(NotationAscii);
}

// A rule that answers its own echo acts at most its rate a second: the
// match over the rate is counted as limited and sends nothing, which ends
// the exchange.
TEST_F(RulesTest, TheRateHoldsAgainstAnEchoingPeer)
{
    constexpr unsigned kRate = 3;
    ASSERT_EQ(Panel()->SetRules({Answer(L"PING", L"PING", kRate)}), "");
    Connected link;
    const auto start = std::chrono::steady_clock::now();
    link.Send("PING");
    std::string heard;
    for (int turn = 0; turn < 1000 && Panel()->RuleCountsOf(0).limited == 0; ++turn) {
        PumpEvents(Millis(5));
        const std::string got = ReadWaiting(link.Peer());
        heard += got;
        if (!got.empty())
            link.Send(got);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    PumpEvents(Millis(100));
    heard += ReadUntilQuiet(link.Peer());
    const RuleCounts counts = Panel()->RuleCountsOf(0);
    EXPECT_EQ(counts.limited, 1u);
    EXPECT_EQ(Occurrences(heard, "PING"), counts.matched - counts.limited);
    EXPECT_LE(Occurrences(heard, "PING"), kRate * (static_cast<size_t>(seconds) + 1));
}

// The match takes the rule's colour in the view shown, in ASCII and in
// hex; the text around it, and the blank before a byte, stay as they were.
TEST_F(RulesTest, HighlightsTheMatchInTheViews)
{
    Rule rule;
    rule.match = RuleMatchKind::Regex;
    rule.pattern = L"ERR[0-9]+";
    rule.highlight = 0xff0000;
    ASSERT_EQ(Panel()->SetRules({rule}), "");
    Connected link;
    link.SendAndShow("ok ERR42 ok\n");
    const wxColour red(255, 0, 0);
    const PanelControls ui = Controls();
    wxTextCtrl *ascii = ui.rxViews[NotationAscii];
    const long at = static_cast<long>(ascii->GetValue().find("ERR42"));
    ASSERT_NE(at, wxNOT_FOUND);
    EXPECT_EQ(ColourAt(ascii, at), red);
    EXPECT_EQ(ColourAt(ascii, at + 4), red);
    EXPECT_EQ(ColourAt(ascii, at - 1), *wxGREEN);
    EXPECT_EQ(ColourAt(ascii, at + 5), *wxGREEN);

    SelectReadType(NotationHex);
    wxTextCtrl *hex = ui.rxViews[NotationHex];
    const long byte = static_cast<long>(hex->GetValue().find("45 52 52 34 32"));
    ASSERT_NE(byte, wxNOT_FOUND) << hex->GetValue();
    EXPECT_EQ(ColourAt(hex, byte), red);
    EXPECT_EQ(ColourAt(hex, byte + 13), red);
    EXPECT_EQ(ColourAt(hex, byte - 1), *wxGREEN);
    EXPECT_EQ(ColourAt(hex, byte + 15), *wxGREEN);

    // In the dump, the pairs and the characters; the open line keeps its
    // colours when later bytes complete it.
    link.SendAndShow("0123456789");
    SelectReadType(kRxViewHexDump);
    auto *dump = static_cast<wxTextCtrl *>(Panel()->FindWindow(kRxViewHexDump));
    const auto expectMarked = [&](const std::string &line, const std::string &pairs, const std::string &characters) {
        const std::string text = dump->GetValue().utf8_string();
        const size_t lineAt = text.find(line);
        ASSERT_NE(lineAt, std::string::npos) << text;
        for (const std::string &marked : {pairs, characters}) {
            const auto from = static_cast<long>(text.find(marked, lineAt));
            const long to = from + static_cast<long>(marked.size());
            EXPECT_EQ(ColourAt(dump, from - 1), *wxGREEN) << marked;
            EXPECT_EQ(ColourAt(dump, from), red) << marked;
            EXPECT_EQ(ColourAt(dump, to - 1), red) << marked;
            EXPECT_EQ(ColourAt(dump, to), *wxGREEN) << marked;
        }
    };
    expectMarked("00000000", "45 52 52 34 32", "ERR42");

    // With a new line at each line ending, in each line of a chunk.
    Click(TerminalPanel::ID_CLEAR_RX);
    SetChecked(TerminalPanel::ID_LINE_SPLIT, true);
    link.SendAndShow("a ERR7 b\r\nc ERR8\r\n");
    expectMarked("0000000a", "45 52 52 38", "ERR8");
    SelectReadType(NotationHex);
    const std::string lines = hex->GetValue().utf8_string();
    for (const char *marked : {"45 52 52 37", "45 52 52 38"}) {
        const auto from = static_cast<long>(lines.find(marked));
        ASSERT_NE(from, wxNOT_FOUND) << lines;
        EXPECT_EQ(ColourAt(hex, from - 1), *wxGREEN);
        EXPECT_EQ(ColourAt(hex, from), red);
        EXPECT_EQ(ColourAt(hex, from + 10), red);
        EXPECT_EQ(ColourAt(hex, from + 11), *wxGREEN);
    }
}

// A match that comes over two frames is coloured whole: the bytes that may
// begin it wait for the rest, and are shown all the same when none comes.
TEST_F(RulesTest, AMatchSplitOverTwoFramesIsColouredWhole)
{
    Rule rule;
    rule.pattern = L"ERROR";
    rule.highlight = 0xff0000;
    ASSERT_EQ(Panel()->SetRules({rule}), "");
    Panel()->SetRxMostHold(std::chrono::minutes(1));
    Connected link;
    const uint64_t before = Panel()->RxBytesShown();
    link.Send("ok ER");
    ASSERT_TRUE(WaitUntil([] { return Panel()->RxChunksStaged() == 1; }));
    ASSERT_EQ(Panel()->RxBytesShown(), before) << "a frame took the chunk and held it back";
    // The rest waits in the inbox before the next frame.
    link.Send("ROR ok\n");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Link().ReceivedInFlight() < 2 && std::chrono::steady_clock::now() < deadline)
        wxMilliSleep(1);
    ASSERT_TRUE(WaitShown(before + 12));

    const wxColour red(255, 0, 0);
    const auto expectWhole = [&](wxTextCtrl *view, const std::string &marked) {
        const auto from = static_cast<long>(view->GetValue().utf8_string().find(marked));
        ASSERT_NE(from, wxNOT_FOUND) << view->GetValue();
        const long to = from + static_cast<long>(marked.size());
        EXPECT_EQ(ColourAt(view, from - 1), *wxGREEN) << marked;
        EXPECT_EQ(ColourAt(view, from), red) << marked;
        EXPECT_EQ(ColourAt(view, to - 1), red) << marked;
        EXPECT_EQ(ColourAt(view, to), *wxGREEN) << marked;
    };
    expectWhole(Controls().rxViews[NotationAscii], "ERROR");
    SelectReadType(kRxViewHexDump);
    auto *dump = static_cast<wxTextCtrl *>(Panel()->FindWindow(kRxViewHexDump));
    expectWhole(dump, "45 52 52 4f 52");
    expectWhole(dump, "ERROR");

    // A module that stops within a match still has its bytes shown, once
    // they have waited their most.
    Panel()->SetRxMostHold(std::chrono::milliseconds(0));
    link.SendAndShow("ER");
}

// The rules dialog shows each counting rule's count, and its button starts
// the counts over; the edit dialog names why a rule cannot be used.
TEST_F(RulesTest, TheDialogsShowCountsAndRefuseBadRules)
{
    Rule quiet = Answer(L"OK", L"");
    quiet.send.reset();
    Rule bell = quiet;
    bell.count = false;
    bell.bell = true;
    ASSERT_EQ(Panel()->SetRules({quiet, bell}), "");
    Connected link;
    link.SendAndShow("OK OK\n");
    {
        RulesDialog dialog(MainWindow::GetInstance()->m_frame, *Panel());
        auto *list = dynamic_cast<wxListCtrl *>(dialog.FindWindow(RulesDialog::ID_LIST));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->GetItemText(0, 4), "2");
        EXPECT_EQ(list->GetItemText(1, 4), "");
        EXPECT_EQ(list->GetItemText(1, 2), "bell");
        wxCommandEvent reset(wxEVT_BUTTON, RulesDialog::ID_RESET_COUNTS);
        dialog.FindWindow(RulesDialog::ID_RESET_COUNTS)->GetEventHandler()->ProcessEvent(reset);
        EXPECT_EQ(list->GetItemText(0, 4), "0");
    }

    Rule bad;
    bad.match = RuleMatchKind::Regex;
    bad.pattern = L"(";
    bad.count = true;
    RuleEditDialog edit(MainWindow::GetInstance()->m_frame, bad, {});
    Rule read;
    EXPECT_NE(edit.Read(read), "");
    dynamic_cast<wxTextCtrl *>(edit.FindWindow(RuleEditDialog::ID_PATTERN))->ChangeValue("E(R)R");
    dynamic_cast<wxCheckBox *>(edit.FindWindow(RuleEditDialog::ID_COUNT))->SetValue(false);
    EXPECT_EQ(edit.Read(read), "it has no action");
    dynamic_cast<wxCheckBox *>(edit.FindWindow(RuleEditDialog::ID_BELL))->SetValue(true);
    EXPECT_EQ(edit.Read(read), "");
    EXPECT_EQ(read.pattern, L"E(R)R");
    EXPECT_TRUE(read.bell);
}

// Rules follow the list: a rule sending a later entry follows it to its new
// place, and one whose entry goes keeps sending the same bytes.
TEST_F(RulesTest, RulesKeepTheirMessagesWhenTheListLosesEntries)
{
    for (const char *text : {"FIRST", "SECOND", "THIRD"})
        AddMessage(NotationAscii, text);
    Rule third = Answer(L"X", L"");
    third.send = RuleSend{size_t{2}, {}};
    Rule first = third;
    first.send->listed = 0;
    ASSERT_EQ(Panel()->SetRules({third, first}), "");
    // The list shows the newest first: row 1 is SECOND.
    wxListBox *list = Controls().messageList;
    list->SetSelection(1);
    wxKeyEvent del(wxEVT_KEY_DOWN);
    del.m_keyCode = WXK_DELETE;
    del.SetEventObject(list);
    list->GetEventHandler()->ProcessEvent(del);
    ASSERT_EQ(Panel()->Rules().size(), 2u);
    EXPECT_EQ(Panel()->Rules()[0].send->listed, std::optional<size_t>(1));
    EXPECT_EQ(Panel()->Rules()[1].send->listed, std::optional<size_t>(0));

    Click(TerminalPanel::ID_CLEAR_LIST);
    EXPECT_FALSE(Panel()->Rules()[0].send->listed);
    EXPECT_EQ(Panel()->Rules()[0].send->own.text, L"THIRD");
    EXPECT_EQ(Panel()->Rules()[1].send->own.text, L"FIRST");
}

class RulesSettingsTest : public RulesTest {
protected:
    void SetUp() override
    {
        RulesTest::SetUp();
        if (wxFileName::FileExists(user_config::FilePath()))
            wxRemoveFile(user_config::FilePath());
    }
    void TearDown() override
    {
        if (wxFileName::FileExists(user_config::FilePath()))
            wxRemoveFile(user_config::FilePath());
        RulesTest::TearDown();
    }
};

// The rules come back from the settings file; a shorter list leaves none of
// the older entries, and a bad entry is named and loads nothing.
TEST_F(RulesSettingsTest, RulesComeBackFromTheSettingsFileWholeOrNotAtAll)
{
    MainWindow *window = MainWindow::GetInstance();
    Rule second = Answer(L"0d 0a", L"0a", 1);
    second.match = RuleMatchKind::Hex;
    second.send->own.notation = NotationHex;
    second.highlight = 0x00ff80;
    ASSERT_EQ(Panel()->SetRules({Answer(L"READY?", L"GO"), second}), "");
    ASSERT_TRUE(window->SaveSettings());
    const SettingEntries saved = RuleEntries(Panel()->Rules());
    ASSERT_EQ(Panel()->SetRules({}), "");
    window->RestoreSettings();
    EXPECT_EQ(RuleEntries(Panel()->Rules()), saved);

    ASSERT_EQ(Panel()->SetRules({Answer(L"A", L"B")}), "");
    ASSERT_TRUE(window->SaveSettings());
    {
        wxFileConfig file("orv-terminal", "", user_config::FilePath(), "", wxCONFIG_USE_LOCAL_FILE);
        EXPECT_EQ(file.Read("/UART/Rules/Count", ""), "1");
        EXPECT_FALSE(file.Exists("/UART/Rules/2/Pattern"));
        file.Write("/UART/Rules/1/Match", "glob");
    }
    ASSERT_EQ(Panel()->SetRules({}), "");
    ModalRecorder boxes;
    window->RestoreSettings();
    PumpEvents(Millis(50));
    EXPECT_TRUE(Panel()->Rules().empty());
    EXPECT_NE(boxes.Messages().find("UART/Rules/1/Match"), wxString::npos) << boxes.Messages();
}

} // namespace
