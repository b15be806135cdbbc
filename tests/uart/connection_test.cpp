#include "app/ip_ctrl.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "net/tcp.h"
#include "tests/uart/system_stand_ins.h"
#include "tests/uart/uart_panel_driver.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <wx/checkbox.h>
#include <wx/app.h>
#include <wx/bmpbuttn.h>
#include <wx/progdlg.h>
#include <wx/statusbr.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tokenzr.h>
#include <wx/utils.h>

namespace {

using namespace uart_testing;
using namespace testing_support;
using Clock = std::chrono::steady_clock;

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override
    {
        ResetPanel();
        // A given-up attempt may still be on its way out.
        EXPECT_TRUE(WaitUntil([] { return !Link().Connecting(); }));
    }
};

// Presses the progress dialog's abort button as soon as the dialog runs the
// panel's queued events.
void PressAbortWhenShown()
{
    Panel()->CallAfter([] {
        for (wxWindow *window : wxTopLevelWindows)
            if (auto *progress = dynamic_cast<wxProgressDialog *>(window)) {
                wxWindow *abort = progress->FindWindow(wxID_CANCEL);
                ASSERT_NE(abort, nullptr);
                wxCommandEvent click(wxEVT_COMMAND_BUTTON_CLICKED, wxID_CANCEL);
                click.SetEventObject(abort);
                abort->GetEventHandler()->ProcessEvent(click);
                return;
            }
        ADD_FAILURE() << "no progress dialog";
    });
}

void ExpectDisconnectedLook()
{
    const PanelControls ui = Controls();
    EXPECT_FALSE(Link().Connected());
    EXPECT_EQ(Link().Result(), UartLink::ConnectResult::Pending);
    EXPECT_TRUE(ShowsImage(ui.statusIcon->GetBitmap(), "icons/ko.jpg"));
    EXPECT_TRUE(ShowsImage(ui.connectButton->GetBitmapLabel(), "icons/connectbtn.jpg"));
    EXPECT_EQ(ui.connectButton->GetId(), TerminalPanel::ID_CONNECT);
}

// A server has no module to speak of when it starts: no box, the status bar
// says where it stands and names the module once it is in.
TEST_F(ConnectionTest, ServerListensQuietlyAndNamesItsModule)
{
    uint16_t port = 0;
    {
        LoopbackListener probe("127.0.0.44");
        port = probe.Port();
    }
    LinkEndpoint server(kAnyModuleAddress, port, LinkMode::TcpServer);
    server.listenAddress = "127.0.0.44";
    Panel()->SetConnectionParameters(server);
    ModalRecorder boxes;
    ConnectClick(boxes);
    EXPECT_EQ(boxes.Messages(), "");
    EXPECT_TRUE(Link().Connected());
    const auto status = [] { return MainWindow::GetInstance()->m_statusBar->GetStatusText(1).utf8_string(); };
    EXPECT_EQ(status().rfind("Listening on port " + std::to_string(port) + " | ", 0), 0u) << status();
    Fd module = ConnectTo("127.0.0.44", port);
    ASSERT_TRUE(module.Valid());
    EXPECT_TRUE(WaitUntil([&] { return status().rfind("Connected from 127.0.0.1:", 0) == 0; })) << status();
}

TEST_F(ConnectionTest, ConnectWithoutParametersSaysSo)
{
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].message, "Connection parameters not set");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].style & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
    EXPECT_FALSE(Link().Connecting());
    ExpectDisconnectedLook();
}

TEST_F(ConnectionTest, ConnectsReceivesAndDisconnects)
{
    const PanelControls ui = Controls();
    LoopbackListener listener;
    SetParameters(listener.Ip(), listener.Port());
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].message, "Connection successful");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Connected");
    EXPECT_TRUE(boxes.Boxes()[0].style & wxICON_EXCLAMATION);
    Fd peer = listener.Accept();
    ASSERT_TRUE(peer.Valid());

    TerminalPanel *panel = Panel();
    EXPECT_TRUE(Link().Connected());
    EXPECT_EQ(LinkStatusShown(), wxString::Format("Connected to 127.0.0.1:%u | RX 0 B, TX 0 B", listener.Port()));
    EXPECT_EQ(Link().Result(), UartLink::ConnectResult::Connected);
    EXPECT_GE(SocketConnectedTo(listener.Port()), 0);
    EXPECT_TRUE(Link().Reading());
    EXPECT_TRUE(ShowsImage(ui.statusIcon->GetBitmap(), "icons/ok.jpg"));
    EXPECT_TRUE(ShowsImage(ui.connectButton->GetBitmapLabel(), "icons/disconnectbtn.jpg"));
    ASSERT_TRUE(WriteAll(peer.Get(), "hi"));
    EXPECT_TRUE(WaitShown(panel->RxBytesShown() + 2));

    AddMessage(NotationAscii, "abc");
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadAtLeast(peer.Get(), 3), "abc");
    panel->ShowLinkStatus();
    EXPECT_EQ(LinkStatusShown(), wxString::Format("Connected to 127.0.0.1:%u | RX 2 B, TX 3 B", listener.Port()));

    boxes.Clear();
    Click(TerminalPanel::ID_CONNECT);
    EXPECT_EQ(boxes.Messages(), "");
    EXPECT_FALSE(Link().Reading());
    ExpectDisconnectedLook();
    EXPECT_EQ(ReadUntilClosed(peer.Get(), Millis(2000)), "");
    // The receive thread may see the disconnect's shutdown as the module's
    // close; the panel knows better.
    PumpEvents(Millis(100));
    EXPECT_EQ(LinkStatusShown(), "Not connected");
}

// After a disconnect the panel still holds the socket's number, so a send
// fails with the system's error (UartLinkTest) and can never reach whatever
// the system would hand out next under that number.
TEST_F(ConnectionTest, DisconnectKeepsTheSocketsNumberFromReuse)
{
    int handle = -1;
    {
        Connected link;
        handle = SocketConnectedTo(link.Listener().Port());
    }
    ASSERT_GE(handle, 0);
    char path[] = "/tmp/uart_reuse_XXXXXX";
    Fd file(mkstemp(path));
    ASSERT_TRUE(file.Valid());
    unlink(path);
    EXPECT_NE(file.Get(), handle);
    EXPECT_NE(fcntl(handle, F_GETFD), -1) << "the number is still the link's";
}

TEST_F(ConnectionTest, RefusedConnectShowsTheSystemsTextAndLeaksNothing)
{
    RefusingPort refusing;
    SetParameters("127.0.0.1", refusing.Port());
    const int before = OpenDescriptors();
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].message, "Connection refused");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    ExpectDisconnectedLook();
    ASSERT_TRUE(WaitUntil([] { return !Link().Connecting(); }));
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(ConnectionTest, SilentPeerEndsWithTheTimeOutMessage)
{
    SilentPeer silent;
    SetParameters("127.0.0.1", silent.Port());
    ModalRecorder boxes;
    const auto start = Clock::now();
    ConnectClick(boxes);
    EXPECT_GE(Clock::now() - start, Millis(900));
    EXPECT_EQ(boxes.Messages(), "socket connection timeout");
    ExpectDisconnectedLook();
}

// A read thread that cannot start (the system has no threads left) leaves
// the panel disconnected with one error box, and the module sees the
// connection closed.
TEST_F(ConnectionTest, ReadThreadThatCannotStartLeavesThePanelDisconnected)
{
    LoopbackListener listener;
    SetParameters(listener.Ip(), listener.Port());
    // Runs in the wait for the result, after the connect thread has started:
    // the next worker is the read thread.
    std::unique_ptr<WorkerStartRefused> noThreads;
    Panel()->CallAfter([&noThreads] { noThreads = std::make_unique<WorkerStartRefused>(); });
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_TRUE(noThreads && noThreads->Refused());
    noThreads.reset();
    EXPECT_EQ(boxes.Messages(), "Resource temporarily unavailable");
    ExpectDisconnectedLook();
    EXPECT_FALSE(Link().Reading());
    EXPECT_EQ(LinkStatusShown(), "Not connected");
    Fd peer = listener.Accept();
    ASSERT_TRUE(peer.Valid());
    EXPECT_EQ(ReadUntilClosed(peer.Get(), Millis(2000)), "");
}

TEST_F(ConnectionTest, PortIsTakenModulo65536)
{
    LoopbackListener listener;
    MainWindow::GetInstance()->ApplyConnection(listener.Ip(), wxString::Format("%u", listener.Port() + 65536u), 0);
    EXPECT_EQ(Controls().portLabel->GetLabel(), wxString::Format("%u", listener.Port())) << "the port it uses";
    ModalRecorder boxes;
    ConnectClick(boxes);
    EXPECT_EQ(boxes.Messages(), "Connection successful");
    EXPECT_TRUE(listener.Accept().Valid());
}

TEST_F(ConnectionTest, AbortAnsweredNoKeepsWaitingForTheResult)
{
    SilentPeer silent;
    SetParameters("127.0.0.1", silent.Port());
    ModalRecorder boxes;
    boxes.QueueReply(wxID_NO);
    PressAbortWhenShown();
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Boxes().size(), 2u) << boxes.Messages();
    EXPECT_EQ(boxes.Boxes()[0].message, "Do you really want to cancel connection?");
    EXPECT_EQ(boxes.Boxes()[0].caption, "End Connection?");
    EXPECT_EQ(boxes.Boxes()[0].style & (wxYES_NO | wxICON_QUESTION), wxYES_NO | wxICON_QUESTION);
    EXPECT_EQ(boxes.Boxes()[1].message, "socket connection timeout");
}

// The given-up attempt ends at once, closes its socket and posts nothing.
TEST_F(ConnectionTest, AbortConfirmedEndsTheAttemptAndClosesItsSocket)
{
    tcp_set_connect_timeout(5);
    SilentPeer silent;
    SetParameters("127.0.0.1", silent.Port());
    const int before = OpenDescriptors();
    ModalRecorder boxes;
    boxes.QueueReply(wxID_YES);
    PressAbortWhenShown();
    ConnectClick(boxes);
    EXPECT_EQ(boxes.Messages(), "Do you really want to cancel connection? | Connection aborted by user");
    EXPECT_EQ(boxes.Boxes().back().caption, "Error");
    ExpectDisconnectedLook();
    ASSERT_TRUE(WaitUntil([] { return !Link().Connecting(); }, Millis(3000)));
    PumpEvents(Millis(100));
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(Link().Result(), UartLink::ConnectResult::Pending);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

// A module that closes quietly sees this end close too; the panel goes to
// the disconnected state and says so in the status bar only.
TEST_F(ConnectionTest, PeerClosingQuietlyDisconnectsAndSaysSoInTheStatusBar)
{
    Connected link;
    AddMessage(NotationAscii, "lost");
    ModalRecorder boxes;
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    shutdown(link.Peer(), SHUT_WR);
    ASSERT_TRUE(WaitUntil([] { return !Link().Connected(); }));
    EXPECT_FALSE(Link().Reading());
    ExpectDisconnectedLook();
    EXPECT_EQ(Unstamped(LinkStatusShown(), before), "Closed by the module at  | RX 0 B, TX 0 B");
    PumpEvents(Millis(100));
    EXPECT_EQ(boxes.Messages(), "");
    char byte = 0;
    EXPECT_TRUE(WaitUntil([&] { return recv(link.Peer(), &byte, 1, MSG_DONTWAIT) == 0; }, Millis(2000)));

    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(boxes.Messages(), "You have to connect first.");
    EXPECT_EQ(ReadUntilQuiet(link.Peer(), Millis(100)), "");
}

TEST_F(ConnectionTest, PeerResettingIsReportedAsConnectionLostAndDisconnects)
{
    Connected link;
    ModalRecorder boxes;
    const wxDateTime before = wxDateTime::UNow() - wxTimeSpan::Seconds(1);
    const linger abort = {1, 0};
    setsockopt(link.Peer(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    link.PeerFd().Reset();
    ASSERT_TRUE(WaitUntil([&] { return boxes.Boxes().size() == 1; })) << boxes.Messages();
    EXPECT_EQ(boxes.Boxes()[0].message, "Connection Lost");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    ExpectDisconnectedLook();
    EXPECT_EQ(Unstamped(LinkStatusShown(), before), "Connection lost at : Connection reset by peer | RX 0 B, TX 0 B");
}

// With the option on, a dropped link is taken up again without a box, the
// status bar saying so meanwhile; Disconnect ends the attempts.
TEST_F(ConnectionTest, ReconnectOptionConnectsAgainUntilTheUserDisconnects)
{
    const PanelControls ui = Controls();
    TerminalPanel *panel = Panel();
    EXPECT_FALSE(ui.reconnectCheck->GetValue()) << "off by default";
    Connected link;
    SetChecked(TerminalPanel::ID_RECONNECT, true);
    ModalRecorder boxes;
    link.PeerFd().Reset();
    ASSERT_TRUE(WaitUntil([&] { return LinkStatusShown().StartsWith("Reconnecting every 2 s | "); }))
        << LinkStatusShown();
    EXPECT_FALSE(Link().Connected());
    EXPECT_EQ(ui.connectButton->GetToolTipText(), "Disconnect") << "pressing it ends the attempts";
    Fd again;
    ASSERT_TRUE(WaitUntil(
        [&] {
            again = link.Listener().Accept(Millis(0));
            return again.Valid();
        },
        Millis(10000)));
    ASSERT_TRUE(WaitUntil([&] { return Link().Connected(); }, Millis(5000)));
    EXPECT_EQ(LinkStatusShown(), wxString::Format("Connected to 127.0.0.1:%u | RX 0 B, TX 0 B", link.Listener().Port()));
    ASSERT_TRUE(WriteAll(again.Get(), "back"));
    EXPECT_TRUE(WaitShown(panel->RxBytesShown() + 4));

    // Dropped again with the option turned off meanwhile: the next attempt
    // is not made, and the link stays down as the module left it.
    again.Reset();
    ASSERT_TRUE(WaitUntil([&] { return LinkStatusShown().StartsWith("Reconnecting every 2 s | "); }));
    SetChecked(TerminalPanel::ID_RECONNECT, false);
    ASSERT_TRUE(WaitUntil([&] { return !LinkStatusShown().StartsWith("Reconnecting"); }, Millis(10000)));
    EXPECT_TRUE(LinkStatusShown().StartsWith("Closed by the module at ")) << LinkStatusShown();
    ExpectDisconnectedLook();
    EXPECT_FALSE(link.Listener().Accept(Millis(0)).Valid()) << "no attempt was made";

    // Dropped once more: the user stops the attempts (or, should one have
    // been quicker, the connection it made).
    ConnectClick(boxes);
    EXPECT_EQ(boxes.Messages(), "Connection successful");
    again = link.Listener().Accept();
    ASSERT_TRUE(again.Valid());
    boxes.Clear();
    SetChecked(TerminalPanel::ID_RECONNECT, true);
    again.Reset();
    ASSERT_TRUE(WaitUntil([&] { return LinkStatusShown().StartsWith("Reconnecting every 2 s | "); }));
    Click(TerminalPanel::ID_CONNECT);
    EXPECT_EQ(LinkStatusShown(), "Not connected");
    ExpectDisconnectedLook();
    PumpEvents(Millis(100));
    EXPECT_FALSE(Link().Connected());
    EXPECT_EQ(boxes.Messages(), "");
}

TEST_F(ConnectionTest, NewParametersWhileConnectedDisconnectAndRelabel)
{
    const PanelControls ui = Controls();
    Connected link;
    LoopbackListener next("127.0.0.2");
    MainWindow::GetInstance()->ApplyConnection("127.0.0.2", wxString::Format("%u", next.Port()), 0);
    EXPECT_EQ(ui.ipLabel->GetLabel(), "127.0.0.2");
    EXPECT_EQ(ui.portLabel->GetLabel(), wxString::Format("%u", next.Port()));
    EXPECT_TRUE(Panel()->IsShown());
    ExpectDisconnectedLook();
    EXPECT_EQ(ReadUntilClosed(link.Peer(), Millis(2000)), "");

    ModalRecorder boxes;
    ConnectClick(boxes);
    EXPECT_EQ(boxes.Messages(), "Connection successful");
    Fd peer = next.Accept();
    ASSERT_TRUE(peer.Valid());
    ASSERT_TRUE(WriteAll(peer.Get(), "new"));
    EXPECT_TRUE(WaitUntil([] { return ViewText(NotationAscii) == "new"; }));
}

// The modify button opens a connection dialog over the frame, filled with
// the panel's parameters or, before any, with the defaults.
TEST_F(ConnectionTest, ModifyOpensTheDialogWithTheParametersOrTheDefaults)
{
    auto openDialog = [] {
        const wxWindowList before = MainWindow::GetInstance()->m_frame->GetChildren();
        Click(TerminalPanel::ID_MODIFY);
        NewDialog *opened = nullptr;
        for (wxWindow *child : MainWindow::GetInstance()->m_frame->GetChildren())
            if (auto *dialog = dynamic_cast<NewDialog *>(child); dialog != nullptr && !before.Find(child))
                opened = dialog;
        return opened;
    };
    NewDialog *dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetTitle(), "UART Conf");
    EXPECT_EQ(dialog->GetSize().y, 250);
    EXPECT_GE(dialog->GetSize().x, 380); // wider only if its error text needs it
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_FALSE(dialog->IsModal());
    EXPECT_EQ(dialog->m_ipCtrl->GetValue(), "192.168.100.10");
    EXPECT_EQ(dialog->m_portText->GetValue(), "65100");
    dialog->Destroy();

    SetParameters("127.0.0.9", 4321);
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->m_ipCtrl->GetValue(), "127.0.0.9");
    EXPECT_EQ(dialog->m_portText->GetValue(), "4321");
    dialog->Destroy();
    PumpEvents();
}

TEST_F(ConnectionTest, BytesOfASerialLineBehindTheModuleShowUp)
{
    SerialBridge bridge;
    ASSERT_TRUE(bridge.Ready());
    SetParameters("127.0.0.1", bridge.Port());
    ModalRecorder boxes;
    ConnectClick(boxes);
    ASSERT_EQ(boxes.Messages(), "Connection successful");
    Fd device(open(bridge.Link().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(device.Valid());

    SetChecked(TerminalPanel::ID_WRAP, true);
    std::string all;
    for (int value = 0; value < 256; ++value)
        all += static_cast<char>(value);
    const uint64_t before = Panel()->RxBytesShown();
    ASSERT_TRUE(WriteToDevice(device.Get(), all));
    ASSERT_TRUE(WaitShown(before + 256));
    wxString hex;
    for (const wxString &line : wxSplit(ViewText(NotationHex), '\n', '\0'))
        if (!line.empty())
            hex += (hex.empty() ? "" : " ") + line;
    wxString expected;
    for (int value = 0; value < 256; ++value)
        expected += wxString::Format(value == 0 ? "%02x" : " %02x", value);
    EXPECT_EQ(hex, expected);

    AddMessage(NotationHex, "01 fe");
    Click(TerminalPanel::ID_SEND);
    EXPECT_EQ(ReadFromDevice(device.Get(), 2), "\x01\xfe");
}

// At exit the frame's close handler stops the receive thread of a live,
// busy connection and an attempt still on its way out before the panel goes;
// run in a child process, since the one main window cannot come back.
TEST(TerminalPanelDeathTest, ClosingTheFrameStopsEverythingFirst)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            MainWindow *window = MainWindow::GetInstance();
            tcp_set_connect_timeout(5);
            SilentPeer silent;
            SetParameters("127.0.0.1", silent.Port());
            {
                ModalRecorder boxes;
                boxes.QueueReply(wxID_YES);
                PressAbortWhenShown();
                Click(TerminalPanel::ID_CONNECT);
            }
            LoopbackListener listener;
            SetParameters(listener.Ip(), listener.Port());
            {
                ModalRecorder boxes;
                Click(TerminalPanel::ID_CONNECT);
            }
            Fd peer = listener.Accept();
            std::atomic<bool> flooding{true};
            std::thread flood([&] {
                const std::string block = std::string(79, 'z') + "\n";
                while (flooding && WriteAll(peer.Get(), block)) {
                }
            });
            PumpEvents(Millis(300));
            window->m_frame->Close();
            wxWakeUpIdle();
            const int status = wxTheApp->OnRun();
            flooding = false;
            shutdown(peer.Get(), SHUT_RDWR);
            flood.join();
            window->CloseSocketLibrary();
            EndProgram(status == 0 && wxTopLevelWindows.empty());
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
