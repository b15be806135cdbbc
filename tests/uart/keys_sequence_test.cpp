// Function keys and message sequences against a loopback peer.
#include "tests/uart/uart_panel_driver.h"

#include <sys/socket.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class KeysSequenceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override { ResetPanel(); }
};

wxString ListItems()
{
    return wxJoin(Controls().messageList->GetStrings(), '|', '\0');
}

// A key pressed with the focus in the transmit entry: the key goes up from
// there to the frame, as the toolkit sends it.
void PressFunctionKey(int number)
{
    wxKeyEvent event(wxEVT_CHAR_HOOK);
    event.m_keyCode = WXK_F1 + number - 1;
    wxTextCtrl *entry = Controls().txEntries[NotationAscii];
    event.SetEventObject(entry);
    entry->GetEventHandler()->ProcessEvent(event);
}

// What the peer receives while the event loop runs (the run's timer).
std::string ReadWhilePumping(int fd, size_t count)
{
    std::string got;
    WaitUntil([fd, count, &got] {
        char buffer[64];
        const ssize_t size = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (size > 0)
            got.append(buffer, static_cast<size_t>(size));
        return got.size() >= count;
    });
    return got;
}

void SelectRow(int row)
{
    Controls().messageList->SetSelection(row);
}

void DeleteSelectedRow()
{
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = WXK_DELETE;
    wxListBox *list = Controls().messageList;
    event.SetEventObject(list);
    list->GetEventHandler()->ProcessEvent(event);
}

TEST_F(KeysSequenceTest, FunctionKeysSendTheirMessagesAndFollowTheList)
{
    Connected link;
    for (const char *text : {"one", "two", "three"})
        AddMessage(NotationAscii, text);
    SelectRow(2);
    ASSERT_TRUE(Panel()->SetKeyOfSelectedMessage(2));
    SelectRow(0);
    ASSERT_TRUE(Panel()->SetKeyOfSelectedMessage(5));
    EXPECT_EQ(ListItems(), "[F5] three (ASCII)|two (ASCII)|[F2] one (ASCII)");

    PressFunctionKey(2);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 3), "one");
    EXPECT_NE(ViewText(NotationAscii).Find("one\n"), wxNOT_FOUND) << "shown as a list send is";

    // "two" goes: the keys stay with their messages.
    SelectRow(1);
    DeleteSelectedRow();
    EXPECT_EQ(ListItems(), "[F5] three (ASCII)|[F2] one (ASCII)");
    PressFunctionKey(5);
    EXPECT_EQ(ReadAtLeast(link.Peer(), 5), "three");

    // The key moves to another message; unbound keys and a hidden panel
    // send nothing.
    SelectRow(1);
    ASSERT_TRUE(Panel()->SetKeyOfSelectedMessage(5));
    EXPECT_EQ(ListItems(), "three (ASCII)|[F5] one (ASCII)");
    PressFunctionKey(2);
    Panel()->Hide();
    PressFunctionKey(5);
    Panel()->Show();
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(200), Millis(2000)), "");

    Click(TerminalPanel::ID_CLEAR_LIST);
    AddMessage(NotationAscii, "new");
    PressFunctionKey(5);
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(200), Millis(2000)), "") << "the clear took the keys";
    EXPECT_EQ(ListItems(), "new (ASCII)");
}

TEST_F(KeysSequenceTest, KeysAndReadingOptionsSurviveTheSettings)
{
    for (const char *text : {"a", "b", "c"})
        AddMessage(NotationAscii, text);
    SelectRow(0);
    Panel()->SetKeyOfSelectedMessage(12);
    SelectRow(2);
    Panel()->SetKeyOfSelectedMessage(1);
    SetChecked(TerminalPanel::ID_MILLISECONDS, true);
    SetChecked(TerminalPanel::ID_LINE_SPLIT, true);
    SelectReadType(kRxViewHexDump);

    SettingEntries entries = SettingsEntries(Panel()->CurrentSettings());
    for (const auto &entry : Panel()->KeySettingEntries())
        entries.insert(entry);
    EXPECT_EQ(entries["UART/Keys/F1"], "1");
    EXPECT_EQ(entries["UART/Keys/F12"], "3");
    EXPECT_EQ(entries["UART/Keys/F2"], "") << "an unbound key is written unbound";
    const auto lookup = [&entries](const std::string &key) -> std::optional<std::string> {
        const auto found = entries.find(key);
        return found == entries.end() ? std::nullopt : std::optional<std::string>(found->second);
    };

    ResetPanel();
    Panel()->ApplySettings(SettingsFromEntries(lookup, TerminalPanel::kHistorySize));
    Panel()->ApplyKeySettings(lookup);
    EXPECT_EQ(ListItems(), "[F12] c (ASCII)|b (ASCII)|[F1] a (ASCII)");
    const UartSettings read = Panel()->CurrentSettings();
    EXPECT_TRUE(read.milliseconds);
    EXPECT_TRUE(read.lineSplit);
    EXPECT_EQ(read.rxNotation, kRxViewHexDump);

    // A bad key entry binds none of them.
    entries["UART/Keys/F3"] = "7";
    Panel()->ApplyKeySettings(lookup);
    EXPECT_EQ(ListItems(), "c (ASCII)|b (ASCII)|a (ASCII)");
    SetChecked(TerminalPanel::ID_MILLISECONDS, false);
    SetChecked(TerminalPanel::ID_LINE_SPLIT, false);
}

TEST_F(KeysSequenceTest, SequenceSendsInOrderAndStopsMidDelayOrOnADrop)
{
    Connected link;
    for (const char *text : {"A", "B", "C"})
        AddMessage(NotationAscii, text);
    EXPECT_EQ(Panel()->StartSequence({}, false), "The sequence has no step");
    EXPECT_EQ(Panel()->StartSequence({{0, Millis(0)}}, true), "A looped sequence needs a delay after at least one step");

    ASSERT_EQ(Panel()->StartSequence({{2, Millis(0)}, {0, Millis(20)}, {1, Millis(0)}, {2, Millis(0)}}, false), "");
    EXPECT_TRUE(WaitUntil([] { return !Panel()->SequenceRunning(); }));
    EXPECT_EQ(ReadAtLeast(link.Peer(), 4), "CABC");
    EXPECT_EQ(Panel()->SequenceEnd(), "all steps sent");

    // Looped, stopped in the long delay after its second step.
    ASSERT_EQ(Panel()->StartSequence({{1, Millis(0)}, {0, Millis(60000)}}, true), "");
    EXPECT_EQ(ReadWhilePumping(link.Peer(), 2), "BA");
    Panel()->StopSequence();
    EXPECT_FALSE(Panel()->SequenceRunning());
    EXPECT_EQ(Panel()->SequenceEnd(), "stopped");
    EXPECT_NE(ViewText(NotationAscii).Find("[END Sequence] - stopped"), wxNOT_FOUND);
    PumpEvents(Millis(200));
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(200), Millis(2000)), "");

    // A removed message ends the run: its steps would send others.
    ASSERT_EQ(Panel()->StartSequence({{0, Millis(60000)}}, true), "");
    EXPECT_EQ(ReadWhilePumping(link.Peer(), 1), "A");
    SelectRow(1);
    DeleteSelectedRow();
    EXPECT_EQ(Panel()->SequenceEnd(), "the message list changed");

    ModalRecorder boxes;
    ASSERT_EQ(Panel()->StartSequence({{0, Millis(30)}}, true), "");
    ::shutdown(link.Peer(), SHUT_RDWR);
    EXPECT_TRUE(WaitUntil([] { return !Panel()->SequenceRunning(); }));
    EXPECT_NE(Panel()->SequenceEnd(), "stopped");
    EXPECT_FALSE(Panel()->SequenceEnd().empty());
}

} // namespace
