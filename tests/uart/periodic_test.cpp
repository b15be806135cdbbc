#include "app/main_window.h"
#include "tests/uart/uart_panel_driver.h"
#include "uart/worker_events.h"

#include <chrono>
#include <fcntl.h>
#include <sys/resource.h>
#include <thread>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/datetime.h>
#include <wx/listbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>

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
    TerminalPanel *panel = Panel();
    if (!panel->m_periodText->IsEnabled())
        ClickPeriodicCheck();
    panel->m_periodText->ChangeValue(period);
    panel->m_periodUnitCombo->SetSelection(unit);
    panel->m_msgCounterCheck->SetValue(counter);
    panel->m_totalSizeText->ChangeValue(totalSize);
}

// The bytes split into messages of `size` bytes, a partial one left out.
std::vector<std::string> Messages(const std::string &bytes, size_t size)
{
    std::vector<std::string> messages;
    for (size_t at = 0; at + size <= bytes.size(); at += size)
        messages.push_back(bytes.substr(at, size));
    return messages;
}

std::string Counter(unsigned value)
{
    return {static_cast<char>(value >> 8), static_cast<char>(value & 0xff)};
}

// The lines of a view, a stamp of now at their start cut off.
std::vector<wxString> Lines(int notation, const wxDateTime &since)
{
    std::vector<wxString> lines;
    for (wxString line : wxSplit(ViewText(notation), '\n', '\0')) {
        for (wxDateTime at = since; at <= wxDateTime::UNow() + wxTimeSpan::Seconds(1); at += wxTimeSpan::Seconds(1)) {
            const wxString stamp = at.Format("%c", wxDateTime::TimeZone(wxDateTime::GMT1));
            if (line.StartsWith(stamp)) {
                line = line.Mid(stamp.length());
                break;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

TEST_F(PeriodicTest, CheckBoxEnablesAndDisablesTheGroupOnly)
{
    TerminalPanel *panel = Panel();
    const std::vector<wxWindow *> group = {panel->m_periodText,     panel->m_periodUnitCombo, panel->m_periodicButton,
                                           panel->m_msgCounterCheck, panel->m_totalSizeLabel,  panel->m_totalSizeText,
                                           panel->m_paddingLabel};
    for (bool enabled : {true, false}) {
        ClickPeriodicCheck();
        for (wxWindow *control : group)
            EXPECT_EQ(control->IsEnabled(), enabled) << control->GetName();
        EXPECT_EQ(panel->m_periodicThread, nullptr);
    }
}

// Counter mode: the counter, high byte first, takes the place of the last
// two bytes; stopping writes the end line, then the count of the messages
// the peer got.
TEST_F(PeriodicTest, CounterModeStartAndStopLinesAndCount)
{
    TerminalPanel *panel = Panel();
    SetChecked(panel->m_timestampCheck, true);
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    Connected link;
    AddMessage(NotationAscii, "ABCD");
    SetPeriodic("5", 0, true);
    ClickPeriodicButton();
    EXPECT_EQ(panel->m_periodicButton->GetId(), TerminalPanel::ID_STOP_PERIODICALLY);
    EXPECT_EQ(panel->m_periodicButton->GetPosition(), wxPoint(305, 250));
    EXPECT_EQ(panel->m_periodicButton->GetSize(), wxSize(88, 25));
    EXPECT_TRUE(ShowsImage(panel->m_periodicButton->GetBitmapLabel(), "icons/stopsendperiodbtn.jpg"));
    std::string all = ReadAtLeast(link.Peer(), 12);
    ASSERT_GE(all.size(), 12u);

    ClickPeriodicButton();
    EXPECT_EQ(panel->m_periodicThread, nullptr);
    EXPECT_EQ(panel->m_periodicButton->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_EQ(panel->m_periodicButton->GetPosition(), wxPoint(305, 250));
    EXPECT_TRUE(panel->m_periodicButton->IsEnabled());
    EXPECT_TRUE(ShowsImage(panel->m_periodicButton->GetBitmapLabel(), "icons/sendperiodbtn.jpg"));
    all += ReadUntilQuiet(link.Peer());
    ASSERT_EQ(all.size() % 4, 0u);
    const std::vector<std::string> messages = Messages(all, 4);
    for (size_t k = 0; k < messages.size(); ++k)
        ASSERT_EQ(messages[k], Counter(static_cast<unsigned>(k + 1)) + "AB") << k;
    const size_t sent = messages.size();

    ASSERT_TRUE(WaitUntil([] { return ViewText(NotationAscii).Contains("Sent"); }));
    EXPECT_EQ(Lines(NotationAscii, before),
              (std::vector<wxString>{" [START Periodical TX] - ABCD", " [END Periodical TX] - ABCD",
                                     wxString::Format(" Sent %zu messages", sent), ""}));
    wxTextAttr style;
    ASSERT_TRUE(panel->m_rxViews[NotationAscii]->GetStyle(0, style));
    EXPECT_EQ(style.GetTextColour(), *wxRED);
    // The old button goes once its click has been handled.
    EXPECT_TRUE(WaitUntil([] {
        int buttons = 0;
        for (wxWindow *child : Panel()->GetChildren())
            buttons += child->GetPosition() == wxPoint(305, 250);
        return buttons == 1;
    }));
}

TEST_F(PeriodicTest, MessageBytesAsTheReceiverSeesThem)
{
    const struct {
        Notation notation;
        const char *text;
        const char *totalSize;
        bool counter;
        std::string first, second;
    } cases[] = {
        {NotationHex, "aa bb", "6", true, Counter(1) + "\xaa\xbb\x02\x03", Counter(2) + "\xaa\xbb\x02\x03"},
        {NotationHex, "41 42 43", "6", false, "ABC\x03\x04\x05", "ABC\x03\x04\x05"},
        {NotationHex, "41 42 43 44", "2", false, "ABCD", "ABCD"},
        {NotationDecimal, "127", "", true, Counter(1), Counter(2)},
    };
    Connected link;
    for (const auto &expected : cases) {
        AddMessage(expected.notation, expected.text);
        SetPeriodic("2", 0, expected.counter, expected.totalSize);
        ClickPeriodicButton();
        const size_t size = expected.first.size();
        std::string got = ReadAtLeast(link.Peer(), 2 * size);
        ClickPeriodicButton();
        got += ReadUntilQuiet(link.Peer());
        EXPECT_EQ(got.size() % size, 0u) << "only whole messages";
        const std::vector<std::string> messages = Messages(got, size);
        ASSERT_GE(messages.size(), 2u) << expected.text;
        EXPECT_EQ(messages[0], expected.first) << expected.text;
        EXPECT_EQ(messages[1], expected.second) << expected.text;
    }
    // Plain mode writes no count line.
    PumpEvents(Millis(100));
    EXPECT_FALSE(ViewText(NotationHex).Contains("Sent")) << ViewText(NotationHex);
    EXPECT_TRUE(ViewText(NotationDecimal).Contains(" Sent ")) << ViewText(NotationDecimal);
}

TEST_F(PeriodicTest, PeriodInSecondsAndAStopThatDoesNotWaitForIt)
{
    Connected link;
    AddMessage(NotationAscii, "ping");
    SetPeriodic("1", 1, false);
    const auto start = Clock::now();
    ClickPeriodicButton();
    EXPECT_EQ(ReadAtLeast(link.Peer(), 4, Millis(5000)), "ping");
    EXPECT_GE(Clock::now() - start, Millis(900)) << "one interval of 1 s before the first message";
    ClickPeriodicButton();

    SetPeriodic("999", 1, true);
    ClickPeriodicButton();
    const auto stopping = Clock::now();
    ClickPeriodicButton();
    EXPECT_LT(Clock::now() - stopping, Millis(5000)) << "the stop must not wait for the 999 s pause";
    EXPECT_EQ(Panel()->m_periodicThread, nullptr);
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(100)), "");
    EXPECT_TRUE(WaitUntil([] { return ViewText(NotationAscii).EndsWith(" Sent 0 messages\n"); }))
        << ViewText(NotationAscii);
}

TEST_F(PeriodicTest, StartNeedsAConnectionAndASelection)
{
    AddMessage(NotationAscii, "x");
    SetPeriodic("1", 0, false);
    ModalRecorder boxes;
    ClickPeriodicButton();
    EXPECT_EQ(boxes.Messages(), "You have to connect first.");
    EXPECT_EQ(Panel()->m_periodicButton->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_EQ(Panel()->m_periodicThread, nullptr);

    Connected link;
    Panel()->m_messageList->SetSelection(wxNOT_FOUND);
    boxes.Clear();
    ClickPeriodicButton();
    EXPECT_EQ(boxes.Messages(), "");
    EXPECT_EQ(Panel()->m_periodicThread, nullptr);
    EXPECT_EQ(ViewText(NotationAscii), "");
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Period 0 on a connection that went away: the sender reports the failure
// once, keeps trying at a calm pace, and carries on once connected again.
TEST_F(PeriodicTest, FailingConnectionNeitherSpinsNorFloods)
{
    TerminalPanel *panel = Panel();
    int failures = 0;
    auto countFailure = [&failures](wxCommandEvent &) { ++failures; };
    const wxEventTypeTag<wxCommandEvent> failed(EVT_PERIODIC_SEND_FAILED);
    panel->Bind(failed, countFailure);
    Connected link;
    AddMessage(NotationAscii, "z");
    SetPeriodic("0", 0, true);
    ClickPeriodicButton();
    EXPECT_GE(ReadAtLeast(link.Peer(), 100).size(), 100u);

    Click(TerminalPanel::ID_CONNECT);
    ASSERT_FALSE(panel->m_connected);
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(Millis(600));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    PumpEvents(Millis(50));
    EXPECT_EQ(failures, 1);
    EXPECT_LT(cpu, wall / 2) << "the sender must not spin on failing sends";

    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_TRUE(panel->m_connected);
    Fd again = link.Listener().Accept();
    ASSERT_TRUE(again.Valid());
    EXPECT_GE(ReadAtLeast(again.Get(), 30).size(), 30u) << "sending goes on over the new connection";
    ClickPeriodicButton();
    PumpEvents(Millis(50));
    panel->Unbind(failed, countFailure);
    EXPECT_EQ(failures, 1);
}

TEST_F(PeriodicTest, CounterMessagesReachTheSerialLine)
{
    SerialBridge bridge;
    ASSERT_TRUE(bridge.Ready());
    Panel()->SetConnectionParameters("127.0.0.1", wxString::Format("%u", bridge.Port()));
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Messages(), "Connection successful");
    Fd device(open(bridge.Link().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(device.Valid());
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
            LoopbackListener listener;
            window->m_terminalPanel->SetConnectionParameters(listener.Ip(), wxString::Format("%u", listener.Port()));
            {
                ModalRecorder boxes;
                Click(TerminalPanel::ID_CONNECT);
            }
            Fd peer = listener.Accept();
            AddMessage(NotationAscii, "x");
            SetPeriodic("999", 1, true);
            ClickPeriodicButton();
            const bool running = window->m_terminalPanel->m_periodicThread != nullptr;
            window->m_frame->Close();
            wxWakeUpIdle();
            const int status = wxTheApp->OnRun();
            window->CloseSocketLibrary();
            std::exit(running && status == 0 && wxTopLevelWindows.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
