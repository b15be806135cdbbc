// Faults on the module's side of a UART connection: a close or a reset in
// the middle of a burst, a flood, and a module that stops reading while the
// panel streams a file and sends periodically.
#include "app/main_window.h"
#include "tests/uart/uart_panel_driver.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <wx/app.h>
#include <wx/arrstr.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/dir.h>
#include <wx/statbmp.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;
using Clock = std::chrono::steady_clock;

// Every byte value, in an order in which a lost, repeated or shifted piece
// shows.
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 509) & 0xff);
    return bytes;
}

std::string FileContents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

int HexDigit(char c)
{
    return c <= '9' ? c - '0' : c - 'a' + 10;
}

// The received chunks as the wrapped Hex view shows them: one line each.
std::vector<std::string> ChunksOfHexView(const std::string &view)
{
    std::vector<std::string> chunks;
    size_t start = 0;
    for (size_t end = view.find('\n'); end != std::string::npos; start = end + 1, end = view.find('\n', start)) {
        std::string chunk;
        for (size_t i = start; i + 1 < end; i += 3)
            chunk += static_cast<char>(HexDigit(view[i]) * 16 + HexDigit(view[i + 1]));
        chunks.push_back(chunk);
    }
    return chunks;
}

// What a view shows for wrapped chunks, in UTF-8, built independently of the
// panel.
std::string ExpectedView(int notation, const std::vector<std::string> &chunks)
{
    std::string text;
    for (const std::string &chunk : chunks) {
        for (size_t i = 0; i < chunk.size(); ++i) {
            const auto byte = static_cast<unsigned char>(chunk[i]);
            if (notation != NotationAscii && i > 0)
                text += ' ';
            switch (notation) {
            case NotationAscii:
                if (byte >= 0x80) {
                    text += static_cast<char>(0xC0 | (byte >> 6));
                    text += static_cast<char>(0x80 | (byte & 0x3F));
                } else if (byte != 0) {
                    text += static_cast<char>(byte);
                }
                break;
            case NotationHex:
                text += "0123456789abcdef"[byte >> 4];
                text += "0123456789abcdef"[byte & 0xF];
                break;
            case NotationBinary:
                for (int bit = 7; bit >= 0; --bit)
                    text += (byte >> bit) & 1 ? '1' : '0';
                break;
            default:
                text += std::to_string(byte);
                break;
            }
        }
        text += '\n';
    }
    return text;
}

class NetworkFaultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPanel();
        m_shownBefore = Panel()->RxBytesShown();
        char pattern[] = "/tmp/uart_faults_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ASSERT_NE(getcwd(m_home, sizeof(m_home)), nullptr);
    }
    void TearDown() override
    {
        ResetPanel();
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    // Starts the log in the test's directory (images load relative to the
    // usual one, so only the click runs there); returns the log's path.
    std::string StartLog()
    {
        EXPECT_EQ(chdir(m_dir.c_str()), 0);
        Click(TerminalPanel::ID_LOG_START);
        EXPECT_EQ(chdir(m_home), 0);
        wxArrayString found;
        wxDir::GetAllFiles(m_dir, &found, "wifilog-*.txt", wxDIR_FILES);
        EXPECT_EQ(found.size(), 1u);
        return found.empty() ? std::string() : found[0].ToStdString();
    }

    // The four views and the log hold exactly the chunks that arrived, which
    // together are `sent` (or, when `prefixOnly`, the start of it).
    void ExpectViewsAndLogHold(const std::string &sent, const std::string &logPath, bool prefixOnly = false)
    {
        const std::vector<std::string> chunks = ChunksOfHexView(ViewText(NotationHex).utf8_string());
        std::string joined;
        std::string log;
        size_t largest = 0;
        for (const std::string &chunk : chunks) {
            joined += chunk;
            log += chunk;
            largest = std::max(largest, chunk.size());
        }
        EXPECT_LE(largest, 512u);
        if (prefixOnly)
            EXPECT_TRUE(sent.compare(0, joined.size(), joined) == 0) << "shown data is not what was sent";
        else
            EXPECT_TRUE(joined == sent) << joined.size() << " of " << sent.size() << " bytes shown";
        EXPECT_EQ(Panel()->RxBytesShown() - m_shownBefore, joined.size());
        for (const int n : {NotationAscii, NotationHex, NotationBinary, NotationDecimal})
            EXPECT_TRUE(ViewText(n).utf8_string() == ExpectedView(n, chunks)) << "view " << n;
        const std::string logged = FileContents(logPath);
        EXPECT_EQ(logged.size(), log.size());
        EXPECT_TRUE(logged == log) << "the log is not exactly the received bytes";
    }

    // Waits until `bytes` more than at the start of the test are shown.
    bool WaitShownHere(uint64_t bytes, Millis timeout) { return WaitShown(m_shownBefore + bytes, timeout); }

    uint64_t m_shownBefore = 0;
    std::string m_dir;
    char m_home[4096] = {};
};

// A module that closes its end right after a burst: everything it sent
// before the close is shown and logged, and the panel is disconnected
// without a message.
TEST_F(NetworkFaultsTest, CloseMidBurstKeepsEverythingSentBeforeIt)
{
    SetChecked(TerminalPanel::ID_WRAP, true);
    // Views that keep all of it, to be held against the log.
    Panel()->SetRxLimits(size_t{8} << 20, kRxLineChars);
    const std::string burst = Pattern(300000);
    ModalRecorder boxes;
    Connected link;
    const std::string logPath = StartLog();
    link.Send(burst);
    link.PeerFd().Reset();
    ASSERT_TRUE(WaitShownHere(burst.size(), Millis(20000)));
    ASSERT_TRUE(WaitUntil([] { return !Link().Reading(); }));
    PumpEvents(Millis(100));
    ExpectViewsAndLogHold(burst, logPath);
    EXPECT_EQ(boxes.Messages(), "");
    EXPECT_FALSE(Link().Connected());
    EXPECT_TRUE(LinkStatusShown().StartsWith("Closed by the module at ")) << LinkStatusShown();
}

// A reset in the middle of a burst: what arrived before it is shown and
// logged whole, "Connection Lost" is said once, and the panel is
// disconnected.
TEST_F(NetworkFaultsTest, ResetMidBurstSaysConnectionLostOnceAndKeepsWhatArrived)
{
    SetChecked(TerminalPanel::ID_WRAP, true);
    // Views that keep all of it, to be held against the log.
    Panel()->SetRxLimits(size_t{64} << 20, kRxLineChars);
    const std::string burst = Pattern(2000000);
    ModalRecorder boxes;
    Connected link;
    const std::string logPath = StartLog();
    // The module writes in blocks until told to stop, then resets.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (size_t at = 0; at < burst.size() && !stop; at += 65536)
            WriteAll(link.Peer(), burst.substr(at, 65536));
    });
    const bool started = WaitShownHere(100000, Millis(20000));
    stop = true;
    writer.join();
    ASSERT_TRUE(started);
    const linger abort = {1, 0};
    setsockopt(link.Peer(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    link.PeerFd().Reset();
    ASSERT_TRUE(WaitUntil([&] { return boxes.Boxes().size() == 1; }, Millis(20000))) << boxes.Messages();
    ASSERT_TRUE(WaitUntil([] { return !Link().Reading(); }));
    // Up to a full inbox may still be on its way to the views: a slow
    // machine shows it over several turns.
    ASSERT_TRUE(WaitUntil([] { return Link().ReceivedInFlight() == 0; }, Millis(20000)));
    // Time for a second box, should one come.
    PumpEvents(Millis(100));
    EXPECT_EQ(boxes.Messages(), "Connection Lost");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_FALSE(Link().Connected());
    EXPECT_TRUE(ShowsImage(Controls().statusIcon->GetBitmap(), "icons/ko.jpg"));
    ExpectViewsAndLogHold(burst, logPath, true);
}

// 10 MB as fast as the loopback carries them, with the log on and the
// wrapped views: every byte in all four views and in the log, in order, each
// chunk once.
TEST_F(NetworkFaultsTest, FloodOfTenMegabytesIsShownAndLoggedExactly)
{
    SetChecked(TerminalPanel::ID_WRAP, true);
    // Views that keep all of it, to be held against what was sent.
    Panel()->SetRxLimits(size_t{128} << 20, kRxLineChars);
    const std::string flood = Pattern(10u << 20);
    Connected link;
    const std::string logPath = StartLog();
    bool written = false;
    std::thread writer([&] { written = WriteAll(link.Peer(), flood); });
    const bool shown = WaitShownHere(flood.size(), Millis(240000));
    writer.join();
    ASSERT_TRUE(written);
    ASSERT_TRUE(shown) << Panel()->RxBytesShown() - m_shownBefore << " of " << flood.size() << " bytes shown";
    Click(TerminalPanel::ID_LOG_STOP);
    ExpectViewsAndLogHold(flood, logPath);
}

// A module that accepts and then never reads again: the stream and the
// periodic sender fill the connection, and every control still answers at
// once. A reader that empties the connection after a long while keeps a
// frozen panel from hanging the test; it must not be needed.
class StalledModule {
public:
    explicit StalledModule(int peer)
        : m_rescuer([this, peer] {
              const auto deadline = Clock::now() + std::chrono::seconds(30);
              while (!m_done && Clock::now() < deadline)
                  std::this_thread::sleep_for(Millis(10));
              if (m_done)
                  return;
              m_rescued = true;
              while (!m_done)
                  ReadUntilQuiet(peer, Millis(50), Millis(500));
          })
    {
    }
    ~StalledModule() { Finish(); }
    // True when the reader had to step in.
    bool Finish()
    {
        m_done = true;
        if (m_rescuer.joinable())
            m_rescuer.join();
        return m_rescued;
    }

private:
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_rescued{false};
    std::thread m_rescuer;
};

double SecondsTaken(const std::function<void()> &action)
{
    const Clock::time_point start = Clock::now();
    action();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Streams a file larger than the connection buffers and sends a message back
// to back with the counter, until the module's silence has stopped both.
void StreamAndSendPeriodicallyIntoStall(const std::string &dir, Connected &link)
{
    const PanelControls ui = Controls();
    TerminalPanel *panel = Panel();
    const int socket = SocketConnectedTo(link.Listener().Port());
    // Small buffers on both ends, so that they fill at once.
    ShrinkReceiveBuffer(link.Peer(), 4096);
    const int sendBuffer = 65536;
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof(sendBuffer));
    const std::string path = dir + "/stall.mp4";
    std::ofstream(path, std::ios::binary) << Pattern(4u << 20);
    panel->SelectMediaFile(wxString::FromUTF8(path), "stall.mp4");
    Click(TerminalPanel::ID_MEDIA_PLAY);
    AddMessage(NotationAscii, "tick");
    if (!ui.periodText->IsEnabled())
        ClickPeriodicCheck();
    ui.periodText->ChangeValue("1");
    ui.msgCounterCheck->SetValue(true);
    ClickPeriodicButton();
    // Full once the panel's side of the connection stops taking more.
    int last = -1;
    WaitUntil(
        [&] {
            int queued = 0;
            ioctl(socket, SIOCOUTQ, &queued);
            const bool full = queued == last && queued > 0;
            last = queued;
            PumpEvents(Millis(300));
            return full;
        },
        Millis(20000));
}

// Bound for a control that has nothing to wait for; the single send waits
// at most its own time-out for room on the connection.
constexpr double kPromptSeconds = 2;
constexpr double kSendSeconds = 8;

TEST_F(NetworkFaultsTest, ModuleThatStopsReadingFreezesNoControl)
{
    TerminalPanel *panel = Panel();
    Connected link;
    StalledModule module(link.Peer());
    StreamAndSendPeriodicallyIntoStall(m_dir, link);
    ASSERT_TRUE(Link().Streaming()) << "the stream ended instead of waiting for the module";
    ASSERT_TRUE(Link().SendingPeriodically());

    EXPECT_LT(SecondsTaken([] { Click(TerminalPanel::ID_MEDIA_PAUSE); }), kPromptSeconds);
    EXPECT_LT(SecondsTaken([] { Click(TerminalPanel::ID_MEDIA_PLAY); }), kPromptSeconds);
    {
        // Single sends go out while the connection has room; one that finds
        // none is given up after a while and reported.
        // Only those that went out are echoed.
        const wxString message('m', 128);
        AddMessage(NotationAscii, message);
        ModalRecorder boxes;
        int clicks = 0;
        for (; clicks < 2000 && boxes.Boxes().empty(); ++clicks)
            ASSERT_LT(SecondsTaken([] { Click(TerminalPanel::ID_SEND); }), kSendSeconds) << clicks;
        ASSERT_EQ(boxes.Boxes().size(), 1u) << "a send that cannot go out is reported";
        EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
        EXPECT_EQ(boxes.Boxes()[0].message, "Connection timed out");
        const wxArrayString lines = wxSplit(ViewText(NotationAscii), '\n', '\0');
        EXPECT_EQ(std::count(lines.begin(), lines.end(), message), clicks - 1);
    }
    EXPECT_LT(SecondsTaken([] { ClickPeriodicButton(); }), kPromptSeconds);
    EXPECT_FALSE(Link().SendingPeriodically());
    EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_SEND_PERIODICALLY);
    EXPECT_LT(SecondsTaken([] { Click(TerminalPanel::ID_MEDIA_BACKWARD); }), kPromptSeconds);
    EXPECT_FALSE(Link().Streaming());

    Click(TerminalPanel::ID_MEDIA_PLAY);
    ASSERT_TRUE(Link().Streaming());
    ModalRecorder boxes;
    EXPECT_LT(SecondsTaken([] { Click(TerminalPanel::ID_CONNECT); }), kPromptSeconds);
    EXPECT_FALSE(Link().Connected());
    EXPECT_TRUE(WaitUntil([panel] { return !Link().Streaming(); }));
    EXPECT_FALSE(module.Finish()) << "the panel waited for the module to read";
    // The stream's next send failed on the connection that went.
    EXPECT_TRUE(WaitUntil([&] { return !boxes.Boxes().empty(); }));
    PumpEvents(Millis(100));
    EXPECT_EQ(boxes.Messages(), "Broken pipe");
}

// Closing the frame while the module does not read ends the stream and the
// periodic sender and lets the program end; run in a child process, since
// the one main window cannot come back.
TEST(NetworkFaultsDeathTest, ClosingTheFrameWhileTheModuleDoesNotReadEndsCleanly)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            MainWindow *window = MainWindow::GetInstance();
            char dir[] = "/tmp/uart_faults_exit_XXXXXX";
            if (mkdtemp(dir) == nullptr)
                std::exit(3);
            Connected link;
            StalledModule module(link.Peer());
            StreamAndSendPeriodicallyIntoStall(dir, link);
            const bool busy = Link().Streaming() &&
                              Link().SendingPeriodically();
            window->m_frame->Close();
            wxWakeUpIdle();
            const int status = wxTheApp->OnRun();
            const bool rescued = module.Finish();
            std::system(("rm -rf " + std::string(dir)).c_str());
            window->CloseSocketLibrary();
            EndProgram(busy && !rescued && status == 0 && wxTopLevelWindows.empty());
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
