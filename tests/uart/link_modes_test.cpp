// The UART link as a TCP server and over UDP, on its own: no frame, a plain
// event handler, modules on loopback.
#include "net/tcp.h"
#include "tests/support/loopback.h"
#include "tests/uart/event_pump.h"
#include "uart/link_status.h"
#include "uart/periodic_message.h"
#include "uart/uart_link.h"
#include "uart/worker_events.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/app.h>

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

class CountingSink : public wxEvtHandler {
public:
    CountingSink()
    {
        for (const wxEventType type : {EVT_UART_DATA, EVT_CONNECTION_LOST, EVT_CONNECTION_CLOSED, EVT_LINK_CHANGED})
            Connect(wxID_ANY, type, wxCommandEventHandler(CountingSink::OnEvent));
    }
    std::vector<wxEventType> seen;

private:
    void OnEvent(wxCommandEvent &event) { seen.push_back(event.GetEventType()); }
};

sockaddr_in Address(const std::string &ip, uint16_t port)
{
    sockaddr_in address{};
    tcp_make_address(&address, ip.c_str(), port);
    return address;
}

// A socket of `type` bound to ip:0, and its port.
Fd BoundSocket(int type, const std::string &ip, uint16_t &port)
{
    Fd fd(socket(AF_INET, type | SOCK_CLOEXEC, 0));
    const sockaddr_in address = Address(ip, 0);
    EXPECT_EQ(bind(fd.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    port = tcp_local_port(fd.Get());
    return fd;
}

// A port free on `ip` a moment ago, for the link to bind itself.
uint16_t FreePort(int type, const std::string &ip)
{
    uint16_t port = 0;
    BoundSocket(type, ip, port);
    return port;
}

// A module's connection from `from` to to:port.
Fd ConnectFrom(const std::string &from, const std::string &to, uint16_t port)
{
    uint16_t local = 0;
    Fd fd = BoundSocket(SOCK_STREAM, from, local);
    const sockaddr_in address = Address(to, port);
    if (connect(fd.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0)
        return Fd();
    return fd;
}

class LinkModesTest : public ::testing::Test {
protected:
    void TearDown() override { m_link.Shutdown(); }

    void Open(const LinkEndpoint &endpoint) { OpenLink(m_link, endpoint); }
    std::string OpenFails(const LinkEndpoint &endpoint)
    {
        EXPECT_TRUE(m_link.StartConnect(endpoint));
        EXPECT_TRUE(Pump([this] { return m_link.Result() != UartLink::ConnectResult::Pending; }));
        EXPECT_EQ(m_link.TakeResult(), UartLink::ConnectResult::Failed);
        return m_link.ConnectError();
    }

    // The packets received so far, one string each.
    std::vector<std::string> Packets()
    {
        std::deque<ReceiveInbox::Chunk> chunks;
        m_link.TakeReceived(chunks);
        std::vector<std::string> packets;
        for (const ReceiveInbox::Chunk &chunk : chunks)
            packets.emplace_back(reinterpret_cast<const char *>(chunk.get() + 2), ReceiveInbox::ChunkSize(chunk.get()));
        m_link.ReleaseReceived(chunks.size());
        return packets;
    }
    std::string ReceivedBytes(size_t count)
    {
        std::string got;
        Pump([&] {
            for (const std::string &packet : Packets())
                got += packet;
            return got.size() >= count;
        });
        return got;
    }

    std::string Status() const { return LinkStatusText(m_link.Status()); }
    bool StatusBecomes(const std::string &text)
    {
        return Pump([&] { return Status() == text; });
    }
    bool Sends(const std::string &bytes)
    {
        auto length = static_cast<uint16_t>(bytes.size());
        return m_link.SendWhole(bytes.data(), &length) == 0;
    }

    CountingSink m_sink;
    UartLink m_link{&m_sink};
};

LinkEndpoint Server(const std::string &module, uint16_t port, const std::string &listenAddress)
{
    LinkEndpoint endpoint;
    endpoint.host = module;
    endpoint.port = port;
    endpoint.mode = LinkMode::TcpServer;
    endpoint.listenAddress = listenAddress;
    return endpoint;
}

TEST_F(LinkModesTest, ServerTakesItsModuleRefusesOthersAndListensAgainAfterADrop)
{
    const uint16_t port = FreePort(SOCK_STREAM, "127.0.0.41");
    Open(Server("127.0.0.1", port, "127.0.0.41"));
    const std::string listening = "Listening on port " + std::to_string(port);
    EXPECT_EQ(Status(), listening + " | RX 0 B, TX 0 B");
    EXPECT_FALSE(Sends("early")) << "no module yet";
    EXPECT_EQ(errno, ENOTCONN);

    Fd module = ConnectFrom("127.0.0.1", "127.0.0.41", port);
    ASSERT_TRUE(module.Valid());
    ASSERT_TRUE(Pump([this] { return !m_link.Peer().empty(); }));
    const std::string peer = m_link.Peer();
    EXPECT_EQ(peer.rfind("127.0.0.1:", 0), 0u) << peer;
    ASSERT_TRUE(WriteAll(module.Get(), "ping"));
    EXPECT_EQ(ReceivedBytes(4), "ping");
    ASSERT_TRUE(Sends("pong"));
    EXPECT_EQ(ReadAtLeast(module.Get(), 4), "pong");
    EXPECT_TRUE(StatusBecomes("Connected from " + peer + " | RX 4 B, TX 4 B"));

    // Another address, and a second module while one is connected: closed
    // at once and named.
    for (const char *from : {"127.0.0.2", "127.0.0.1"}) {
        Fd other = ConnectFrom(from, "127.0.0.41", port);
        ASSERT_TRUE(other.Valid());
        EXPECT_EQ(ReadUntilClosed(other.Get(), Millis(5000)), "") << from;
        ASSERT_TRUE(Pump([&] { return Status().find(" | Refused " + std::string(from) + ":") != std::string::npos; }))
            << Status();
    }
    ASSERT_TRUE(Sends("still"));
    EXPECT_EQ(ReadAtLeast(module.Get(), 5), "still");

    // The module leaves: the link listens again, with no end reported.
    module.Reset();
    ASSERT_TRUE(Pump([this] { return m_link.Peer().empty(); }));
    EXPECT_TRUE(m_link.Connected());
    EXPECT_EQ(Status().rfind(listening + " | RX", 0), 0u) << Status();
    Fd next = ConnectFrom("127.0.0.1", "127.0.0.41", port);
    ASSERT_TRUE(WriteAll(next.Get(), "again"));
    EXPECT_EQ(ReceivedBytes(5), "again");
    for (const wxEventType type : m_sink.seen)
        EXPECT_NE(type, EVT_CONNECTION_CLOSED);

    // Disconnect stops listening.
    m_link.Disconnect();
    EXPECT_FALSE(m_link.Reading());
    EXPECT_EQ(ReadUntilClosed(next.Get(), Millis(5000)), "");
    EXPECT_FALSE(ConnectFrom("127.0.0.1", "127.0.0.41", port).Valid());
}

TEST_F(LinkModesTest, ServerOnAPortInUseSaysSo)
{
    LoopbackListener holder("127.0.0.42");
    EXPECT_EQ(OpenFails(Server(kAnyModuleAddress, holder.Port(), "127.0.0.42")),
              "Port " + std::to_string(holder.Port()) + " is in use");
    EXPECT_FALSE(m_link.Connected());
}

class UdpLinkTest : public LinkModesTest {
protected:
    void SetUp() override
    {
        m_module = BoundSocket(SOCK_DGRAM, "127.0.0.1", m_modulePort);
        m_localPort = FreePort(SOCK_DGRAM, "127.0.0.1");
        LinkEndpoint endpoint;
        endpoint.host = "127.0.0.1";
        endpoint.port = m_modulePort;
        endpoint.mode = LinkMode::Udp;
        endpoint.localPort = m_localPort;
        endpoint.listenAddress = "127.0.0.1";
        Open(endpoint);
    }
    // A datagram to the link from `from`'s socket.
    void SendTo(int socket, const std::string &bytes)
    {
        const sockaddr_in link = Address("127.0.0.1", m_localPort);
        ASSERT_EQ(sendto(socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr *>(&link),
                         sizeof(link)),
                  static_cast<ssize_t>(bytes.size()));
    }
    // The module's next datagram, empty when none comes in time.
    std::string ModuleReceives(Millis timeout = Millis(5000))
    {
        timeval wait{static_cast<time_t>(timeout.count() / 1000), static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
        setsockopt(m_module.Get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
        std::string datagram(70000, '\0');
        const ssize_t size = recv(m_module.Get(), &datagram[0], datagram.size(), 0);
        datagram.resize(size > 0 ? static_cast<size_t>(size) : 0);
        return datagram;
    }

    Fd m_module;
    uint16_t m_modulePort = 0;
    uint16_t m_localPort = 0;
};

TEST_F(UdpLinkTest, DatagramsGoBothWaysOneDatagramOnePacket)
{
    EXPECT_EQ(Status(), "UDP to 127.0.0.1:" + std::to_string(m_modulePort) + ", receiving on port " +
                            std::to_string(m_localPort) + " | RX 0 B, TX 0 B");
    const std::string large(60000, 'L');
    for (const std::string &datagram : {std::string("one"), std::string("two"), large})
        SendTo(m_module.Get(), datagram);
    std::vector<std::string> packets;
    ASSERT_TRUE(Pump([&] {
        for (std::string &packet : Packets())
            packets.push_back(std::move(packet));
        return packets.size() >= 3;
    }));
    EXPECT_EQ(packets, (std::vector<std::string>{"one", "two", large}));

    ASSERT_TRUE(Sends("abc"));
    ASSERT_TRUE(Sends("de"));
    EXPECT_EQ(ModuleReceives(), "abc");
    EXPECT_EQ(ModuleReceives(), "de");
    EXPECT_EQ(Status().substr(Status().find(" | ")), " | RX 58.6 KB, TX 5 B");

    // Disconnected, the port is free for the next connection.
    m_link.Disconnect();
    EXPECT_FALSE(m_link.Reading());
    LinkEndpoint again("127.0.0.1", m_modulePort, LinkMode::Udp);
    again.localPort = m_localPort;
    again.listenAddress = "127.0.0.1";
    Open(again);
    SendTo(m_module.Get(), "back");
    EXPECT_EQ(ReceivedBytes(4), "back");
}

TEST_F(UdpLinkTest, ForeignDatagramsAreDroppedAndCounted)
{
    uint16_t foreignPort = 0;
    Fd foreign = BoundSocket(SOCK_DGRAM, "127.0.0.3", foreignPort);
    SendTo(foreign.Get(), "intruder");
    SendTo(foreign.Get(), "again");
    SendTo(m_module.Get(), "mine");
    EXPECT_EQ(ReceivedBytes(4), "mine");
    EXPECT_TRUE(Pump([this] { return Status().find("| Dropped 2 datagrams from other addresses") != std::string::npos; }))
        << Status();
    EXPECT_TRUE(Packets().empty());
}

TEST_F(UdpLinkTest, TooLargeForOneDatagramIsRefusedAndNothingSent)
{
    const std::string tooLarge(kLargestDatagram + 1, 'x');
    EXPECT_FALSE(Sends(tooLarge));
    EXPECT_EQ(errno, EMSGSIZE);
    std::string error;
    EXPECT_FALSE(m_link.StartPeriodic(MakePeriodicMessage({'a'}, 0, kLargestDatagram + 1), 10, false, error));
    EXPECT_EQ(error, "Too large for one datagram: a datagram holds at most 65507 bytes");
    EXPECT_FALSE(m_link.SendingPeriodically());
    EXPECT_EQ(ModuleReceives(Millis(200)), "");
    const std::string largest(kLargestDatagram, 'y');
    ASSERT_TRUE(Sends(largest));
    EXPECT_EQ(ModuleReceives().size(), kLargestDatagram);
}

TEST_F(UdpLinkTest, MediaGoesOutAChunkADatagram)
{
    char path[] = "/tmp/udp_media_XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    const std::string bytes(600, 'm');
    ASSERT_EQ(write(file, bytes.data(), bytes.size()), 600);
    close(file);
    std::string error;
    ASSERT_TRUE(m_link.PlayMedia(path, error)) << error;
    std::vector<size_t> sizes;
    for (int datagram = 0; datagram < 3; ++datagram)
        sizes.push_back(ModuleReceives().size());
    EXPECT_EQ(sizes, (std::vector<size_t>{256, 256, 88}));
    m_link.StopMedia();
    std::remove(path);
}

} // namespace
