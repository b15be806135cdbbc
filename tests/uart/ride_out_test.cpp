// A drop the user asked to ride out ("Reconnect when the link drops"): no
// box, a line in the views for the drop and one for the return, and
// periodic sending and the log going on once the link is back.
#include "tests/uart/uart_panel_driver.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/bmpbuttn.h>
#include <wx/checkbox.h>
#include <wx/dir.h>
#include <wx/textctrl.h>

namespace {

using namespace uart_testing;
using namespace testing_support;

class RideOutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPanel();
        char dir[] = "/tmp/uart_ride_out_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override
    {
        ResetPanel();
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    // The log starts in the test's folder (images load relative to the
    // usual one, so only the click runs there); its path.
    std::string StartLog()
    {
        char home[4096] = {};
        EXPECT_NE(getcwd(home, sizeof(home)), nullptr);
        EXPECT_EQ(chdir(m_dir.c_str()), 0);
        Click(TerminalPanel::ID_LOG_START);
        EXPECT_EQ(chdir(home), 0);
        wxArrayString found;
        wxDir::GetAllFiles(m_dir, &found, "wifilog-*.txt", wxDIR_FILES);
        return found.size() == 1 ? found[0].utf8_string() : std::string();
    }

    std::string m_dir;
};

// A connection the listener takes again, within the attempts' pace.
Fd Retaken(LoopbackListener &listener)
{
    Fd again;
    WaitUntil(
        [&] {
            again = listener.Accept(Millis(0));
            return again.Valid();
        },
        Millis(10000));
    return again;
}

// The counters of whole "tick" messages in counter mode: two bytes of
// counter, then "ti".
std::vector<unsigned> Counters(const std::string &bytes)
{
    std::vector<unsigned> counters;
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        EXPECT_EQ(bytes.substr(at + 2, 2), "ti");
        counters.push_back((static_cast<unsigned char>(bytes[at]) << 8) | static_cast<unsigned char>(bytes[at + 1]));
    }
    return counters;
}

TEST_F(RideOutTest, DropShowsNoBoxAndSendingAndTheLogGoOnOnceBack)
{
    const PanelControls ui = Controls();
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    Connected link;
    SetChecked(TerminalPanel::ID_RECONNECT, true);
    const std::string log = StartLog();
    ASSERT_FALSE(log.empty());
    link.SendAndShow("one ");
    AddMessage(NotationAscii, "tick");
    ClickPeriodicCheck();
    ui.periodText->ChangeValue("5");
    ui.msgCounterCheck->SetValue(true);
    ClickPeriodicButton();
    const std::string first = ReadAtLeast(link.Peer(), 12);
    const std::vector<unsigned> old = Counters(first.substr(0, first.size() / 4 * 4));
    ASSERT_FALSE(old.empty());

    ModalRecorder boxes;
    const linger abort = {1, 0};
    setsockopt(link.Peer(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    link.PeerFd().Reset();
    ASSERT_TRUE(WaitUntil([] { return LinkStatusShown().StartsWith("Reconnecting every 2 s | "); }));
    Fd again = Retaken(link.Listener());
    ASSERT_TRUE(again.Valid());
    ASSERT_TRUE(WaitUntil([] { return Link().Connected(); }));
    const std::string later = ReadAtLeast(again.Get(), 12);
    const std::vector<unsigned> now = Counters(later.substr(0, later.size() / 4 * 4));
    ASSERT_FALSE(now.empty());
    EXPECT_GT(now.front(), old.back()) << "periodic sending goes on where it was";
    EXPECT_EQ(PeriodicButton()->GetId(), TerminalPanel::ID_STOP_PERIODICALLY);
    const uint64_t shown = Panel()->RxBytesShown();
    ASSERT_TRUE(WriteAll(again.Get(), "two"));
    ASSERT_TRUE(WaitShown(shown + 3));

    // The reset reaches the read thread as such, or, when a send met it
    // first, as the module's close.
    const wxString port = wxString::Format("%u", link.Listener().Port());
    const wxString view = Unstamped(ViewText(NotationAscii), before);
    const wxString drop = "one \n [START Periodical TX] - tick\n [LINK DOWN] - ";
    const wxString back = "\n [LINK UP] - Connected again to 127.0.0.1:" + port + "\ntwo";
    ASSERT_TRUE(view.StartsWith(drop) && view.EndsWith(back)) << view;
    const wxString reason = view.Mid(drop.length(), view.length() - drop.length() - back.length());
    EXPECT_TRUE(reason == "Connection lost: Connection reset by peer" || reason == "Closed by the module") << reason;
    EXPECT_TRUE(Unstamped(ViewText(NotationHex), before).EndsWith(" [LINK UP] - Connected again to 127.0.0.1:" + port +
                                                                  "\n74 77 6f"))
        << "every view marks it";
    std::ifstream file(log, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "one two") << "the log goes on";
    Panel()->ShowLinkStatus();
    EXPECT_TRUE(LinkStatusShown().EndsWith(" | Log " + wxString::FromUTF8(log) + " (7 B)")) << LinkStatusShown();
    ClickPeriodicButton();
    EXPECT_EQ(boxes.Messages(), "") << "a drop ridden out shows no box";
}

// Ticked after a drop, the option takes the link up again.
TEST_F(RideOutTest, OptionTickedAfterADropStartsTheAttempts)
{
    Connected link;
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    link.PeerFd().Reset();
    ASSERT_TRUE(WaitUntil([] { return LinkStatusShown().StartsWith("Closed by the module at "); }));
    EXPECT_FALSE(Link().Reconnecting());
    SetChecked(TerminalPanel::ID_RECONNECT, true);
    EXPECT_TRUE(LinkStatusShown().StartsWith("Reconnecting every 2 s | Closed by the module at ")) << LinkStatusShown();
    EXPECT_EQ(Controls().connectButton->GetToolTipText(), "Disconnect") << "pressing it ends the attempts";
    Fd again = Retaken(link.Listener());
    ASSERT_TRUE(again.Valid());
    ASSERT_TRUE(WaitUntil([] { return Link().Connected(); }));
    EXPECT_EQ(Unstamped(ViewText(NotationAscii), before),
              wxString::Format(" [LINK UP] - Connected again to 127.0.0.1:%u\n", link.Listener().Port()));
}

} // namespace
