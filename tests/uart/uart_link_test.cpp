// The UART link on its own: no frame and no panel, a plain event handler
// that records what the link passes on, and modules on loopback.
#include "net/tcp.h"
#include "tests/support/loopback.h"
#include "tests/uart/event_pump.h"
#include "tests/uart/system_stand_ins.h"
#include "uart/link_status.h"
#include "uart/periodic_message.h"
#include "uart/uart_link.h"
#include "uart/worker_events.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/app.h>

namespace {

using namespace testing_support;
using namespace uart_testing;
using Clock = std::chrono::steady_clock;

const wxEventType kLinkEvents[] = {EVT_CONNECTED,        EVT_CONNECT_FAILED, EVT_UART_DATA,
                                   EVT_CONNECTION_LOST,  EVT_CONNECTION_CLOSED, EVT_LOG_FAILED,
                                   EVT_PERIODIC_SEND_FAILED, EVT_PERIODIC_DONE, EVT_FILE_FAILED,
                                   EVT_FILE_PROGRESS};

// What the link passed on, in order.
class RecordingSink : public wxEvtHandler {
public:
    struct Seen {
        wxEventType type;
        int number;
        std::string text;
        uintptr_t value;
    };

    RecordingSink()
    {
        for (const wxEventType type : kLinkEvents)
            Connect(wxID_ANY, type, wxCommandEventHandler(RecordingSink::OnEvent));
    }
    size_t Count(wxEventType type) const
    {
        size_t count = 0;
        for (const Seen &seen : events)
            count += seen.type == type;
        return count;
    }
    // The last event of `type`; one must have come.
    Seen Last(wxEventType type) const
    {
        for (auto seen = events.rbegin(); seen != events.rend(); ++seen)
            if (seen->type == type)
                return *seen;
        ADD_FAILURE() << "no event " << type;
        return {};
    }

    std::vector<Seen> events;

private:
    void OnEvent(wxCommandEvent &event)
    {
        events.push_back({event.GetEventType(), event.GetInt(), event.GetString().utf8_string(),
                          reinterpret_cast<uintptr_t>(event.GetClientData())});
    }
};

void PumpFor(Millis duration)
{
    Pump([] { return false; }, duration);
}

std::string FileContents(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

int Threads()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/task")) {
        while (const dirent *entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

LinkEndpoint Loopback(uint16_t port)
{
    return {"127.0.0.1", port, LinkMode::TcpClient};
}

// In counter mode "ABCD" goes out as its counter, high byte first, and "AB".
PeriodicMessage Tick()
{
    const std::string text = "ABCD";
    return MakePeriodicMessage(std::vector<uint8_t>(text.begin(), text.end()), 0, 0);
}

// The counters of the whole messages of Tick() in `bytes`.
std::vector<unsigned> Counters(const std::string &bytes)
{
    std::vector<unsigned> counters;
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        EXPECT_EQ(bytes.substr(at + 2, 2), "AB");
        counters.push_back((static_cast<unsigned char>(bytes[at]) << 8) | static_cast<unsigned char>(bytes[at + 1]));
    }
    return counters;
}

class UartLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tcp_set_connect_timeout(1);
        char dir[] = "/tmp/uart_link_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override
    {
        m_link.Shutdown();
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    // Connects to `listener` and starts reading, as the panel does; the
    // module's end of the connection.
    Fd Connect(LoopbackListener &listener)
    {
        EXPECT_TRUE(m_link.StartConnect(Loopback(listener.Port())));
        EXPECT_TRUE(Pump([this] { return m_link.Result() != UartLink::ConnectResult::Pending; }));
        EXPECT_EQ(m_link.TakeResult(), UartLink::ConnectResult::Connected) << m_link.ConnectError();
        std::string error;
        EXPECT_TRUE(m_link.BeginSession(error)) << error;
        return listener.Accept();
    }

    // Every chunk received so far, joined, with their slots given back.
    std::string Received()
    {
        std::deque<ReceiveInbox::Chunk> chunks;
        m_link.TakeReceived(chunks);
        std::string bytes;
        for (const ReceiveInbox::Chunk &chunk : chunks)
            bytes.append(reinterpret_cast<const char *>(chunk.get() + 2), ReceiveInbox::ChunkSize(chunk.get()));
        m_link.ReleaseReceived(chunks.size());
        return bytes;
    }

    // Waits until the chunks received add up to `expected`.
    bool Receives(const std::string &expected)
    {
        std::string got;
        Pump([&] {
            got += Received();
            return got.size() >= expected.size();
        });
        EXPECT_EQ(got, expected);
        return got == expected;
    }

    std::string Status() const { return LinkStatusText(m_link.Status()); }

    std::string m_dir;
    RecordingSink m_sink;
    UartLink m_link{&m_sink};
};

TEST_F(UartLinkTest, ConnectsReceivesSendsAndDisconnects)
{
    LoopbackListener listener;
    Fd peer = Connect(listener);
    ASSERT_TRUE(peer.Valid());
    EXPECT_TRUE(m_link.Connected());
    EXPECT_TRUE(m_link.Reading());
    ASSERT_EQ(m_sink.Count(EVT_CONNECTED), 1u);
    EXPECT_EQ(m_sink.Last(EVT_CONNECTED).value, 0u) << "the link keeps the channel to itself";
    const std::string port = std::to_string(listener.Port());
    EXPECT_EQ(m_link.Peer(), "127.0.0.1:" + port);

    ASSERT_TRUE(WriteAll(peer.Get(), "hi"));
    ASSERT_TRUE(Pump([this] { return m_sink.Count(EVT_UART_DATA) > 0; }));
    EXPECT_TRUE(Receives("hi"));
    uint16_t length = 3;
    EXPECT_EQ(m_link.SendWhole("abc", &length), 0);
    EXPECT_EQ(ReadAtLeast(peer.Get(), 3), "abc");
    EXPECT_EQ(Status(), "Connected to 127.0.0.1:" + port + " | RX 2 B, TX 3 B");

    m_link.Disconnect();
    EXPECT_FALSE(m_link.Connected());
    EXPECT_FALSE(m_link.Reading());
    EXPECT_EQ(ReadUntilClosed(peer.Get(), Millis(2000)), "");
    PumpFor(Millis(100));
    EXPECT_EQ(m_sink.Count(EVT_CONNECTION_CLOSED), 0u) << "the end of a connection given up is not passed on";
    EXPECT_EQ(Status(), "Not connected");
    // A send from any thread fails with the system's error, on the number
    // the link still holds.
    std::thread sender([this] {
        uint16_t lost = 4;
        EXPECT_EQ(m_link.SendWhole("lost", &lost), -1);
        EXPECT_EQ(errno, EPIPE);
        EXPECT_EQ(lost, 0);
    });
    sender.join();
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), "Broken pipe");
}

TEST_F(UartLinkTest, RefusedAttemptSaysWhyAndLeavesNothingOpen)
{
    RefusingPort refusing;
    const int before = OpenDescriptors();
    ASSERT_TRUE(m_link.StartConnect(Loopback(refusing.Port())));
    ASSERT_TRUE(Pump([this] { return m_link.Result() != UartLink::ConnectResult::Pending; }));
    EXPECT_EQ(m_link.TakeResult(), UartLink::ConnectResult::Failed);
    EXPECT_EQ(m_link.Result(), UartLink::ConnectResult::Pending) << "a failed attempt is forgotten once taken";
    EXPECT_EQ(m_link.ConnectError(), "Connection refused");
    EXPECT_EQ(m_sink.Last(EVT_CONNECT_FAILED).text, "Connection refused");
    ASSERT_TRUE(Pump([this] { return !m_link.Connecting(); }));
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_FALSE(m_link.Connected());
}

// A module that closes its end, and one that resets the connection: the
// link says which, keeps the counts, and the module sees this end close.
TEST_F(UartLinkTest, ModuleClosingOrResettingEndsTheConnection)
{
    LoopbackListener listener;
    Fd peer = Connect(listener);
    ASSERT_TRUE(WriteAll(peer.Get(), "bye"));
    shutdown(peer.Get(), SHUT_WR);
    ASSERT_TRUE(Pump([this] { return m_sink.Count(EVT_CONNECTION_CLOSED) == 1; }));
    EXPECT_FALSE(m_link.Connected());
    EXPECT_FALSE(m_link.Reading());
    EXPECT_TRUE(Receives("bye"));
    EXPECT_EQ(Status().find("Closed by the module at "), 0u) << Status();
    EXPECT_NE(Status().find(" | RX 3 B, TX 0 B"), std::string::npos) << Status();
    EXPECT_EQ(ReadUntilClosed(peer.Get(), Millis(2000)), "");
    EXPECT_FALSE(listener.Accept(Millis(0)).Valid()) << "no attempt without the reconnect option";

    peer = Connect(listener);
    const linger abort = {1, 0};
    setsockopt(peer.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    peer.Reset();
    ASSERT_TRUE(Pump([this] { return m_sink.Count(EVT_CONNECTION_LOST) == 1; }));
    EXPECT_EQ(m_sink.Last(EVT_CONNECTION_LOST).text, "Connection reset by peer");
    EXPECT_FALSE(m_link.Connected());
    EXPECT_NE(Status().find(": Connection reset by peer | RX 0 B, TX 0 B"), std::string::npos) << Status();
    EXPECT_EQ(m_sink.Count(EVT_CONNECTION_CLOSED), 1u);
}

TEST_F(UartLinkTest, PeriodicSendingCountsTheMessagesItSent)
{
    LoopbackListener listener;
    Fd peer = Connect(listener);
    std::string error;
    ASSERT_TRUE(m_link.StartPeriodic(Tick(), 2, true, error)) << error;
    EXPECT_TRUE(m_link.SendingPeriodically());
    std::string got = ReadAtLeast(peer.Get(), 12);
    m_link.StopPeriodic();
    EXPECT_FALSE(m_link.SendingPeriodically());
    got += ReadUntilQuiet(peer.Get());
    ASSERT_EQ(got.size() % 4, 0u);
    const std::vector<unsigned> counters = Counters(got);
    for (size_t k = 0; k < counters.size(); ++k)
        EXPECT_EQ(counters[k], k + 1);
    ASSERT_TRUE(Pump([this] { return m_sink.Count(EVT_PERIODIC_DONE) == 1; }));
    EXPECT_EQ(m_sink.Last(EVT_PERIODIC_DONE).value, counters.size());
    EXPECT_EQ(m_sink.Count(EVT_PERIODIC_SEND_FAILED), 0u);
}

TEST_F(UartLinkTest, MediaStreamArrivesWholeWithItsFinalCount)
{
    LoopbackListener listener;
    Fd peer = Connect(listener);
    std::string bytes(100000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    const std::string path = m_dir + "/clip.mp3";
    std::ofstream(path, std::ios::binary) << bytes;
    std::string error;
    ASSERT_TRUE(m_link.PlayMedia(wxString::FromUTF8(path), error)) << error;
    EXPECT_TRUE(ReadAtLeast(peer.Get(), bytes.size()) == bytes);
    ASSERT_TRUE(Pump([&] { return !m_link.Streaming() && m_link.MediaBytesReported() == bytes.size(); }));
    EXPECT_EQ(m_sink.Last(EVT_FILE_PROGRESS).value, bytes.size()) << "the event passed on has the newest count";
    EXPECT_EQ(m_sink.Count(EVT_FILE_FAILED), 0u);
}

// The log holds exactly the bytes received; stopping it never waits for a
// write that a stalled disk holds up, and that write still reaches the file.
TEST_F(UartLinkTest, LogHoldsTheBytesAndStopsWithoutWaitingForTheDisk)
{
    LoopbackListener listener;
    std::string error;
    ASSERT_TRUE(m_link.StartLog(m_dir, error));
    EXPECT_TRUE(m_link.Status().logPath.empty()) << "a log starts only while connected";
    Fd peer = Connect(listener);
    ASSERT_TRUE(m_link.StartLog(m_dir, error)) << error;
    const std::string path = m_link.Status().logPath;
    ASSERT_EQ(path.rfind(m_dir + "/wifilog-", 0), 0u) << path;
    ASSERT_TRUE(WriteAll(peer.Get(), "A"));
    ASSERT_TRUE(Receives("A"));
    EXPECT_EQ(m_link.Status().logBytes, 1u);

    StalledLogWrites stall;
    ASSERT_TRUE(WriteAll(peer.Get(), "B"));
    ASSERT_TRUE(stall.WaitHeld(Millis(5000)));
    // Should the stop wait for the write, the watchdog frees it.
    std::atomic<bool> stopped{false};
    std::atomic<bool> freed{false};
    std::thread watchdog([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (!stopped && Clock::now() < deadline)
            std::this_thread::sleep_for(Millis(5));
        freed = !stopped;
        stall.Release();
    });
    m_link.StopLog();
    stopped = true;
    watchdog.join();
    EXPECT_FALSE(freed) << "the stop waited for the log writer";
    EXPECT_TRUE(m_link.Status().logPath.empty());
    ASSERT_TRUE(Receives("B"));
    EXPECT_EQ(FileContents(path), "AB");
    ASSERT_TRUE(WriteAll(peer.Get(), "C"));
    ASSERT_TRUE(Receives("C"));
    EXPECT_EQ(FileContents(path), "AB") << "nothing after the stop";
}

// A module that stopped reading: a single message goes out whole or not at
// all, so a give-up leaves no part of it on the wire for a resend to repeat.
TEST_F(UartLinkTest, GivenUpSendLeavesNoPartOfTheMessageBehind)
{
    LoopbackListener listener;
    Fd peer = Connect(listener);
    ShrinkReceiveBuffer(peer.Get(), 4096);
    const int sendBuffer = 4096;
    setsockopt(SocketConnectedTo(listener.Port()), SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof(sendBuffer));
    // An odd size, so that the connection's segments do not end where
    // messages do.
    const std::string message(97, 'm');
    size_t sent = 0;
    uint16_t length = 0;
    int result = 0;
    while (result == 0 && sent < 5000) {
        length = static_cast<uint16_t>(message.size());
        result = m_link.SendWhole(message.data(), &length, 100);
        sent += result == 0;
    }
    ASSERT_EQ(result, LinkConnection::kTimedOut);
    EXPECT_EQ(length, 0);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), "Connection timed out");
    // A stalled connection resumes in bursts: first wait for all that should
    // come, then for anything beyond it.
    const std::string got = ReadAtLeast(peer.Get(), sent * message.size(), Millis(10000));
    EXPECT_EQ(got.size() + ReadUntilQuiet(peer.Get()).size(), sent * message.size());

    // Larger than the connection can take: the error names what went out.
    const std::string large(60000, 'L');
    length = static_cast<uint16_t>(large.size());
    ASSERT_EQ(m_link.SendWhole(large.data(), &length, 100), LinkConnection::kTimedOut);
    EXPECT_GT(length, 0);
    EXPECT_EQ(tcp_strerror(tcp_last_error()), "Connection timed out after " + std::to_string(length) +
                                                  " of the 60000 bytes went out; the rest did not");
}

// With the reconnect option a drop is ridden out: the link is taken up
// again, periodic sending goes on where it was and the log goes on in the
// same file, and no sender reports a failure.
TEST_F(UartLinkTest, DropRiddenOutKeepsPeriodicSendingAndTheLog)
{
    LoopbackListener listener;
    m_link.SetReconnect(true);
    Fd peer = Connect(listener);
    std::string error;
    ASSERT_TRUE(m_link.StartLog(m_dir, error)) << error;
    const std::string path = m_link.Status().logPath;
    ASSERT_TRUE(m_link.StartPeriodic(Tick(), 5, true, error)) << error;
    ASSERT_TRUE(WriteAll(peer.Get(), "one "));
    ASSERT_TRUE(Receives("one "));
    const std::string before = ReadAtLeast(peer.Get(), 12);
    const std::vector<unsigned> old = Counters(before.substr(0, before.size() / 4 * 4));
    ASSERT_FALSE(old.empty());

    const linger abort = {1, 0};
    setsockopt(peer.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    peer.Reset();
    // The reset reaches the read thread as such, or, when a send met it
    // first, as the module's close.
    ASSERT_TRUE(
        Pump([this] { return m_sink.Count(EVT_CONNECTION_LOST) + m_sink.Count(EVT_CONNECTION_CLOSED) == 1; }));
    EXPECT_TRUE(m_link.Reconnecting());
    EXPECT_EQ(Status().find("Reconnecting every 2 s | "), 0u) << Status();
    Fd again;
    ASSERT_TRUE(Pump(
        [&] {
            again = listener.Accept(Millis(0));
            return again.Valid();
        },
        Millis(10000)));
    ASSERT_TRUE(Pump([this] { return m_link.Connected(); }));
    EXPECT_EQ(m_sink.Count(EVT_CONNECTED), 2u) << "the return is passed on";
    EXPECT_FALSE(m_link.Reconnecting());

    const std::string after = ReadAtLeast(again.Get(), 12);
    const std::vector<unsigned> now = Counters(after.substr(0, after.size() / 4 * 4));
    ASSERT_FALSE(now.empty());
    EXPECT_GT(now.front(), old.back()) << "the counter goes on";
    for (size_t k = 1; k < now.size(); ++k)
        EXPECT_EQ(now[k], now[k - 1] + 1);
    EXPECT_TRUE(m_link.SendingPeriodically());
    ASSERT_TRUE(WriteAll(again.Get(), "two"));
    ASSERT_TRUE(Receives("two"));
    EXPECT_EQ(FileContents(path), "one two");
    EXPECT_EQ(m_link.Status().logPath, path);
    m_link.StopPeriodic();
    PumpFor(Millis(50));
    EXPECT_EQ(m_sink.Count(EVT_PERIODIC_SEND_FAILED), 0u);
    EXPECT_EQ(m_sink.Count(EVT_FILE_FAILED), 0u);
}

// A stream that meets a drop ridden out goes on where it was: the new
// connection gets the rest of the file.
TEST_F(UartLinkTest, StreamGoesOnAfterADropRiddenOut)
{
    LoopbackListener listener;
    m_link.SetReconnect(true);
    Fd peer = Connect(listener);
    std::string bytes(8u << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 509) & 0xff);
    const std::string path = m_dir + "/film.mp4";
    std::ofstream(path, std::ios::binary) << bytes;
    std::string error;
    ASSERT_TRUE(m_link.PlayMedia(wxString::FromUTF8(path), error)) << error;
    const std::string first = ReadAtLeast(peer.Get(), 100000);
    ASSERT_EQ(bytes.compare(0, first.size(), first), 0);
    const linger abort = {1, 0};
    setsockopt(peer.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof(abort));
    peer.Reset();
    Fd again;
    ASSERT_TRUE(Pump([&] { return (again = listener.Accept(Millis(0))).Valid(); }, Millis(10000)));
    std::string rest;
    ASSERT_TRUE(Pump([&] {
        rest += ReadUntilQuiet(again.Get(), Millis(50), Millis(200));
        return !m_link.Streaming() && m_link.MediaBytesReported() == bytes.size();
    }, Millis(20000)));
    rest += ReadUntilQuiet(again.Get());
    ASSERT_GT(rest.size(), 0u);
    ASSERT_LT(rest.size(), bytes.size() - first.size() + 1);
    EXPECT_EQ(bytes.compare(bytes.size() - rest.size(), rest.size(), rest), 0) << "the rest of the file, in order";
    EXPECT_EQ(m_sink.Count(EVT_FILE_FAILED), 0u);
}

// Turned on after a drop, the option takes the link up again; turned off
// while it does, the attempts end and the link stays down.
TEST_F(UartLinkTest, ReconnectOptionTurnedOnAfterADropStartsTheAttempts)
{
    LoopbackListener listener;
    Fd peer = Connect(listener);
    peer.Reset();
    ASSERT_TRUE(Pump([this] { return m_sink.Count(EVT_CONNECTION_CLOSED) == 1; }));
    EXPECT_FALSE(m_link.Reconnecting());
    m_link.SetReconnect(true);
    EXPECT_TRUE(m_link.Reconnecting());
    ASSERT_TRUE(Pump([&] { return (peer = listener.Accept(Millis(0))).Valid(); }, Millis(10000)));
    ASSERT_TRUE(Pump([this] { return m_link.Connected(); }));

    peer.Reset();
    ASSERT_TRUE(Pump([this] { return m_link.Reconnecting(); }));
    m_link.SetReconnect(false);
    EXPECT_FALSE(m_link.Reconnecting());
    EXPECT_FALSE(m_link.Connected());
    ASSERT_TRUE(Pump([this] { return !m_link.Connecting(); }));
    EXPECT_FALSE(listener.Accept(Millis(0)).Valid()) << "no attempt after the option went off";
    EXPECT_EQ(Status().find("Closed by the module at "), 0u) << Status();
}

// Shutdown stops the read thread, the sender, a stream into a module that
// does not read and an attempt waiting to reconnect, and passes nothing on
// after it.
TEST_F(UartLinkTest, ShutdownStopsEveryWorker)
{
    const int threadsBefore = Threads();
    LoopbackListener listener;
    Fd peer = Connect(listener);
    const std::string path = m_dir + "/film.mp4";
    std::ofstream(path, std::ios::binary) << std::string(16u << 20, 'f');
    std::string error;
    ASSERT_TRUE(m_link.StartLog(m_dir, error));
    ASSERT_TRUE(m_link.PlayMedia(wxString::FromUTF8(path), error));
    ASSERT_TRUE(m_link.StartPeriodic(Tick(), 1, true, error));
    ASSERT_TRUE(Pump([this] { return m_link.MediaBytesReported() > 0; }));
    EXPECT_TRUE(m_link.Reading() && m_link.Streaming() && m_link.SendingPeriodically());

    UartLink retaking(&m_sink);
    retaking.SetReconnect(true);
    LoopbackListener other;
    ASSERT_TRUE(retaking.StartConnect(Loopback(other.Port())));
    ASSERT_TRUE(Pump([&] { return retaking.Result() == UartLink::ConnectResult::Connected; }));
    ASSERT_TRUE(retaking.BeginSession(error));
    other.Accept().Reset();
    ASSERT_TRUE(Pump([&] { return retaking.Reconnecting(); }));
    EXPECT_TRUE(retaking.Connecting());

    m_link.Shutdown();
    retaking.Shutdown();
    const size_t passedOn = m_sink.events.size();
    for (const UartLink *link : {static_cast<const UartLink *>(&m_link), static_cast<const UartLink *>(&retaking)}) {
        EXPECT_FALSE(link->Connected());
        EXPECT_FALSE(link->Reconnecting());
        EXPECT_FALSE(link->Connecting());
        EXPECT_FALSE(link->Reading());
        EXPECT_FALSE(link->SendingPeriodically());
        EXPECT_FALSE(link->Streaming());
    }
    // A system thread leaves the task list a moment after its last code ran.
    EXPECT_TRUE(Pump([threadsBefore] { return Threads() == threadsBefore; })) << "every worker's thread ends";
    EXPECT_TRUE(m_link.Status().logPath.empty());
    PumpFor(Millis(100));
    EXPECT_EQ(m_sink.events.size(), passedOn);
    ReadUntilClosed(peer.Get(), Millis(5000));
    char byte = 0;
    EXPECT_EQ(recv(peer.Get(), &byte, 1, MSG_DONTWAIT), 0) << "the module sees the connection closed";
}

} // namespace
