#include "app/main_window.h"
#include "tests/uart/uart_panel_driver.h"
#include "uart/tx_codec.h"
#include "uart/worker_events.h"

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

namespace {

using namespace uart_testing;
using namespace testing_support;
using Clock = std::chrono::steady_clock;

class PeriodicTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override { ResetPanel(); }
};

void SetPeriodic(const wxString &period, int unit, bool counter, const wxString &totalSize = "")
{
    const PanelControls ui = Controls();
    if (!ui.periodText->IsEnabled())
        ClickPeriodicCheck();
    ui.periodText->ChangeValue(period);
    ui.periodUnitCombo->SetSelection(unit);
    ui.msgCounterCheck->SetValue(counter);
    ui.totalSizeText->ChangeValue(totalSize);
}

std::string Counter(unsigned value)
{
    return {static_cast<char>(value >> 8), static_cast<char>(value & 0xff)};
}

// Counter mode: the counter, high byte first, goes in front and the last
// two bytes of the text give way; stopping writes the end line, then the count of the messages
// the peer got.
TEST_F(PeriodicTest, CounterModeMessagesStartAndEndLinesAndCount)
{
    SetChecked(TerminalPanel::ID_TIMESTAMP, true);
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    Connected link;
    AddMessage(NotationAscii, "ABCD");
    SetPeriodic("5", 0, true);
    ClickPeriodicButton();
    EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_STOP_PERIODICALLY);
    EXPECT_EQ(PeriodicButton()->GetPosition(), wxPoint(305, 250));
    EXPECT_TRUE(ShowsImage(PeriodicButton()->GetBitmapLabel(), "icons/stopsendperiodbtn.jpg"));
    std::string got = ReadAtLeast(link.Peer(), 12);

    ClickPeriodicButton();
    EXPECT_FALSE(Link().SendingPeriodically());
    EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_EQ(PeriodicButton()->GetPosition(), wxPoint(305, 250));
    EXPECT_TRUE(ShowsImage(PeriodicButton()->GetBitmapLabel(), "icons/sendperiodbtn.jpg"));
    got += ReadUntilQuiet(link.Peer());
    ASSERT_GE(got.size(), 12u);
    ASSERT_EQ(got.size() % 4, 0u);
    const size_t sent = got.size() / 4;
    for (size_t k = 0; k < sent; ++k)
        ASSERT_EQ(got.substr(4 * k, 4), Counter(static_cast<unsigned>(k + 1)) + "AB") << k;

    ASSERT_TRUE(WaitUntil([] { return ViewText(NotationAscii).Contains("Sent"); }));
    EXPECT_EQ(Unstamped(ViewText(NotationAscii), before),
              " [START Periodical TX] - ABCD\n [END Periodical TX] - ABCD\n" +
                  wxString::Format(" Sent %zu messages\n", sent));
    wxTextAttr style;
    ASSERT_TRUE(Controls().rxViews[NotationAscii]->GetStyle(0, style));
    EXPECT_EQ(style.GetTextColour(), *wxRED);
}

TEST_F(PeriodicTest, PaddingAndCounterAsTheReceiverSeesThem)
{
    const struct {
        Notation notation;
        const char *text;
        const char *totalSize;
        bool counter;
        std::string first, second;
        int ending = LineEndingNone;
    } cases[] = {
        {NotationHex, "aa bb", "6", true, Counter(1) + "\xaa\xbb\x02\x03", Counter(2) + "\xaa\xbb\x02\x03"},
        {NotationHex, "41 42 43", "6", false, "ABC\x03\x04\x05", "ABC\x03\x04\x05"},
        // A total size below the message sends it whole; a counter needs two
        // bytes, so a one-byte message goes out as the counter alone.
        {NotationHex, "41 42 43 44", "2", false, "ABCD", "ABCD"},
        // The line ending is part of the message that is padded.
        {NotationAscii, "AT", "6", false, std::string("AT\r\n\x04\x05"), std::string("AT\r\n\x04\x05"),
         LineEndingCrLf},
        // With a counter it still ends the message, whole: a device waits
        // for it.
        {NotationAscii, "AT+X", "", true, Counter(1) + "AT\r\n", Counter(2) + "AT\r\n", LineEndingCrLf},
        {NotationDecimal, "127", "", true, Counter(1), Counter(2)},
    };
    Connected link;
    for (const auto &expected : cases) {
        Controls().lineEndingCombo->SetSelection(expected.ending);
        AddMessage(expected.notation, expected.text);
        SetPeriodic("2", 0, expected.counter, expected.totalSize);
        ClickPeriodicButton();
        const size_t size = expected.first.size();
        std::string got = ReadAtLeast(link.Peer(), 2 * size);
        ClickPeriodicButton();
        got += ReadUntilQuiet(link.Peer());
        EXPECT_EQ(got.size() % size, 0u) << "only whole messages";
        EXPECT_EQ(got.substr(0, 2 * size), expected.first + expected.second) << expected.text;
    }
    PumpEvents(Millis(100));
    EXPECT_FALSE(ViewText(NotationHex).Contains("Sent")) << "plain mode writes no count line";
    EXPECT_TRUE(ViewText(NotationDecimal).Contains(" Sent ")) << ViewText(NotationDecimal);
}

TEST_F(PeriodicTest, PeriodInSecondsAndAStopThatNeedsNeitherThePauseNorTheCheckBox)
{
    AddMessage(NotationAscii, "ping");
    SetPeriodic("1", 1, false);
    {
        ModalRecorder boxes;
        ClickPeriodicButton();
        EXPECT_EQ(boxes.Messages(), "You have to connect first.");
        EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    }
    Connected link;
    // No period, or a period of 0: refused before anything is sent.
    for (const auto &period : {std::make_pair("", 0), std::make_pair("0", 0), std::make_pair("0", 1)}) {
        SetPeriodic(period.first, period.second, false);
        ModalRecorder boxes;
        ClickPeriodicButton();
        EXPECT_EQ(boxes.Messages(), "Enter a period of 1 or more (ms or s) to send periodically") << period.first;
        EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
        EXPECT_FALSE(Link().SendingPeriodically());
    }
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(50)), "");
    SetPeriodic("1", 1, false);
    const auto start = Clock::now();
    ClickPeriodicButton();
    EXPECT_EQ(ReadAtLeast(link.Peer(), 4), "ping");
    EXPECT_GE(Clock::now() - start, Millis(900)) << "one interval of 1 s before the first message";
    ClickPeriodicButton();

    SetPeriodic("999", 1, true);
    ClickPeriodicButton();
    ClickPeriodicCheck(); // unchecked while the sender runs
    EXPECT_TRUE(PeriodicButton()->IsEnabled()) << "the stop stays at hand";
    PumpEvents(Millis(200)); // the sender is in its pause by now
    const auto stopping = Clock::now();
    ClickPeriodicButton();
    EXPECT_LT(Clock::now() - stopping, Millis(5000)) << "the stop must not wait for the 999 s pause";
    EXPECT_FALSE(PeriodicButton()->IsEnabled()) << "the start button goes with the check box again";
    ClickPeriodicCheck();
    EXPECT_TRUE(PeriodicButton()->IsEnabled());
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(100)), "");
    EXPECT_TRUE(WaitUntil([] { return ViewText(NotationAscii).EndsWith(" Sent 0 messages\n"); }))
        << ViewText(NotationAscii);
}

// The number fields keep every digit typed; what sending cannot take is
// refused with its reason when it starts, never cut to fit.
TEST_F(PeriodicTest, NumberFieldsKeepEveryDigitAndRefuseWhatSendingCannotTake)
{
    const PanelControls ui = Controls();
    ClickPeriodicCheck();
    MainWindow::GetInstance()->m_frame->Raise();
    for (wxTextCtrl *field : {ui.periodText, ui.totalSizeText}) {
        field->SetFocus();
        ASSERT_TRUE(WaitUntil([field] { return wxWindow::FindFocus() == field; }));
        wxUIActionSimulator().Text("1000");
        EXPECT_TRUE(WaitUntil([field] { return field->GetValue() == "1000"; }, Millis(3000))) << field->GetValue();
    }

    Connected link;
    AddMessage(NotationAscii, "ping");
    ModalRecorder boxes;
    SetPeriodic("86401", 1, false);
    ClickPeriodicButton();
    SetPeriodic("86400001", 0, false);
    ClickPeriodicButton();
    SetPeriodic("1000", 0, false, "65536");
    ClickPeriodicButton();
    EXPECT_EQ(boxes.Messages(), "The period can be at most 86400000 ms (86400 s) | "
                                "The period can be at most 86400000 ms (86400 s) | "
                                "The total size can be at most 65535 bytes");
    EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(50)), "");
}

// A send that fails ends periodic sending as a stop would, with the
// socket's error; nothing goes out on the next connection.
TEST_F(PeriodicTest, FailedSendEndsPeriodicSendingWithTheSocketsError)
{
    Connected link;
    AddMessage(NotationAscii, "z");
    SetPeriodic("1", 0, true);
    ClickPeriodicButton();
    EXPECT_GE(ReadAtLeast(link.Peer(), 100).size(), 100u);

    ModalRecorder boxes;
    Click(TerminalPanel::ID_CONNECT);
    ASSERT_FALSE(Link().Connected());
    ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }));
    EXPECT_EQ(boxes.Messages(), "Broken pipe");
    EXPECT_FALSE(Link().SendingPeriodically());
    EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_TRUE(WaitUntil([] { return ViewText(NotationAscii).Contains(" Sent "); }));
    EXPECT_TRUE(ViewText(NotationAscii).Contains(" [END Periodical TX] - z\n Sent ")) << ViewText(NotationAscii);

    ConnectClick(boxes);
    Fd again = link.Listener().Accept();
    EXPECT_EQ(ReadUntilQuiet(again.Get(), Millis(100)), "") << "sending ended";
    EXPECT_EQ(boxes.Messages(), "Connection successful");
}

TEST_F(PeriodicTest, SingleAndPeriodicMessagesReachTheSerialLine)
{
    SerialBridge bridge;
    ASSERT_TRUE(bridge.Ready());
    SetParameters("127.0.0.1", bridge.Port());
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Messages(), "Connection successful");
    Fd device(open(bridge.Link().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(device.Valid());

    AddMessage(NotationDecimal, "13 0 200 10");
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadFromDevice(device.Get(), 4), std::string("\x0d\x00\xc8\x0a", 4));
    AddMessage(NotationHex, "ff 00 80");
    SetPeriodic("20", 0, true, "5");
    ClickPeriodicButton();
    const std::string message("\xff\x00\x80", 3);
    EXPECT_EQ(ReadFromDevice(device.Get(), 10).substr(0, 10), Counter(1) + message + Counter(2) + message);
    ClickPeriodicButton();
    Click(TerminalPanel::ID_CONNECT);
}

// At exit the frame's close handler stops periodic sending in the middle of
// a long pause; run in a child process, since the one main window cannot
// come back.
TEST(PeriodicDeathTest, ClosingTheFrameStopsPeriodicSending)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            MainWindow *window = MainWindow::GetInstance();
            Connected link;
            AddMessage(NotationAscii, "x");
            SetPeriodic("999", 1, true);
            ClickPeriodicButton();
            const bool running = Link().SendingPeriodically();
            window->m_frame->Close();
            wxWakeUpIdle();
            const int status = wxTheApp->OnRun();
            window->CloseSocketLibrary();
            EndProgram(running && status == 0 && wxTopLevelWindows.empty());
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
