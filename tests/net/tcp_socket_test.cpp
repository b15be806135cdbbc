#include "net/tcp.h"
#include "tests/support/loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// The kernel answers a connect with EAGAIN only when no local port is free,
// which a test cannot arrange: while g_fakeConnectErrno is set, connect fails
// with it without starting a connection.
std::atomic<int> g_fakeConnectErrno{0};

extern "C" int connect(int fd, const sockaddr *address, socklen_t length)
{
    if (const int fake = g_fakeConnectErrno.load()) {
        errno = fake;
        return -1;
    }
    using Connect = int (*)(int, const sockaddr *, socklen_t);
    static const auto real = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "connect"));
    return real(fd, address, length);
}

namespace {

using namespace testing_support;
using Clock = std::chrono::steady_clock;

bool IsOpen(int fd)
{
    return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

// Connects through the layer; the test fails when that does not work.
int ConnectedSocket(uint16_t port)
{
    const int fd = tcp_socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_GE(fd, 0);
    sockaddr_in address;
    tcp_make_address(&address, "127.0.0.1", port);
    EXPECT_EQ(tcp_connect(fd, &address), 1) << tcp_strerror(tcp_last_error());
    return fd;
}

void ResetOnClose(int fd)
{
    const linger hard = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
}

class TimeoutGuard {
public:
    explicit TimeoutGuard(int seconds)
        : m_connect(tcp_get_connect_timeout()), m_recv(tcp_get_recv_timeout())
    {
        tcp_set_connect_timeout(seconds);
        tcp_set_recv_timeout(seconds);
    }
    ~TimeoutGuard()
    {
        tcp_set_connect_timeout(m_connect);
        tcp_set_recv_timeout(m_recv);
    }

private:
    uint8_t m_connect;
    uint8_t m_recv;
};

TEST(TcpMakeAddress, FillsAnIpv4Address)
{
    sockaddr_in address;
    std::memset(&address, 0xAB, sizeof(address));
    tcp_make_address(&address, "192.0.2.7", 65100);
    EXPECT_EQ(address.sin_family, AF_INET);
    EXPECT_EQ(ntohs(address.sin_port), 65100);
    EXPECT_EQ(ntohl(address.sin_addr.s_addr), 0xC0000207U);
    for (unsigned char byte : address.sin_zero)
        EXPECT_EQ(byte, 0);

    tcp_make_address(&address, "", 1);
    EXPECT_EQ(address.sin_addr.s_addr, htonl(INADDR_ANY));
    tcp_make_address(&address, "not an address", 1);
    EXPECT_EQ(address.sin_addr.s_addr, INADDR_NONE);
}

TEST(TcpConnect, ConnectsAndLeavesTheSocketBlocking)
{
    LoopbackListener listener;
    const int fd = ConnectedSocket(listener.Port());
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_TRUE(listener.Accept().Valid());
    tcp_close(fd);
}

TEST(TcpConnect, RefusedConnectReportsTheSystemText)
{
    RefusingPort refusing;
    const int fd = tcp_socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address;
    tcp_make_address(&address, "127.0.0.1", refusing.Port());
    EXPECT_EQ(tcp_connect(fd, &address), -1);
    EXPECT_EQ(tcp_last_error(), ECONNREFUSED);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), "Connection refused");
    tcp_close(fd);
}

TEST(TcpConnect, NeverReportsAConnectionThatIsNotThere)
{
    LoopbackListener listener;
    sockaddr_in address;
    tcp_make_address(&address, "127.0.0.1", listener.Port());
    // EAGAIN is a failure, not a pending connect; EINPROGRESS on a socket that
    // never connected is caught once poll says it is ready.
    for (const int fake : {EAGAIN, EINPROGRESS}) {
        const int fd = tcp_socket(AF_INET, SOCK_STREAM, 0);
        g_fakeConnectErrno = fake;
        EXPECT_EQ(tcp_connect(fd, &address), -1) << fake;
        g_fakeConnectErrno = 0;
        EXPECT_EQ(tcp_last_error(), fake == EAGAIN ? EAGAIN : ENOTCONN);
        tcp_close(fd);
    }
}

TEST(TcpConnect, SilentPeerTimesOutWithTheLayersOwnCode)
{
    SilentPeer silent;
    const TimeoutGuard timeout(1);
    const int fd = tcp_socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address;
    tcp_make_address(&address, "127.0.0.1", silent.Port());
    const auto start = Clock::now();
    EXPECT_EQ(tcp_connect(fd, &address), -1);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_GE(waited.count(), 900) << "gave up before the connect time-out";
    EXPECT_EQ(tcp_last_error(), -2);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), "socket connection timeout");
    tcp_close(fd);
}

TEST(TcpSendAll, EmptyBufferSendsNothing)
{
    uint16_t length = 0;
    tcp_set_error(0);
    EXPECT_EQ(tcp_send_all(-1, "", &length), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(tcp_last_error(), 0);
}

TEST(TcpSendAll, SlowPeerTakingSmallPiecesGetsEverything)
{
    LoopbackListener listener;
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    ShrinkReceiveBuffer(peer.Get(), 1024);

    std::string payload(65535, '\0');
    for (size_t index = 0; index < payload.size(); ++index)
        payload[index] = static_cast<char>(index * 7);
    std::string received;
    std::thread reader([&] {
        char piece[97];
        while (received.size() < payload.size()) {
            const ssize_t count = recv(peer.Get(), piece, sizeof(piece), 0);
            if (count <= 0)
                break;
            received.append(piece, static_cast<size_t>(count));
        }
    });
    uint16_t length = static_cast<uint16_t>(payload.size());
    EXPECT_EQ(tcp_send_all(fd, payload.data(), &length), 0);
    EXPECT_EQ(length, payload.size());
    reader.join();
    EXPECT_EQ(received, payload);
    tcp_close(fd);
}

TEST(TcpSendAll, FailureReportsTheBytesSentSoFar)
{
    // The peer's window must stay small from the start, or the whole payload
    // fits into the buffers on the way before the reset comes.
    LoopbackListener listener;
    listener.ShrinkReceiveBuffers(1024);
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    ShrinkReceiveBuffer(peer.Get(), 1024);
    const int small = 4096;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof(small));

    std::thread resetter([&] {
        // Read some, then reset the connection while the sender is blocked.
        ReadAtLeast(peer.Get(), 3000, Millis(2000));
        ResetOnClose(peer.Get());
        peer.Reset();
    });
    const std::string payload(65535, 'z');
    uint16_t length = static_cast<uint16_t>(payload.size());
    EXPECT_EQ(tcp_send_all(fd, payload.data(), &length), -1);
    resetter.join();
    EXPECT_GE(length, 3000);
    EXPECT_LT(length, payload.size());
    EXPECT_TRUE(tcp_last_error() == ECONNRESET || tcp_last_error() == EPIPE) << tcp_last_error();
    tcp_close(fd);
}

TEST(TcpSendAll, SendingToAClosedPeerFailsWithoutSignal)
{
    LoopbackListener listener;
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    ResetOnClose(peer.Get());
    peer.Reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string payload(1000, 'q');
    int result = 0;
    // The first send may still be taken by the kernel; a later one fails.
    for (int attempt = 0; attempt < 5 && result == 0; ++attempt) {
        uint16_t length = static_cast<uint16_t>(payload.size());
        result = tcp_send_all(fd, payload.data(), &length);
    }
    EXPECT_EQ(result, -1) << "and the process is still alive: no SIGPIPE";
    tcp_close(fd);
}

TEST(TcpRecv, ReturnsDataThenZeroAndClosesWhenThePeerCloses)
{
    LoopbackListener listener;
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    ASSERT_TRUE(WriteAll(peer.Get(), "hello"));
    char buffer[512];
    ASSERT_EQ(tcp_recv(fd, buffer, sizeof(buffer)), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_TRUE(IsOpen(fd));
    peer.Reset();
    EXPECT_EQ(tcp_recv(fd, buffer, sizeof(buffer)), 0);
    EXPECT_FALSE(IsOpen(fd)) << "the layer closes the socket itself";
}

TEST(TcpRecv, ResetFailsRecordsAndCloses)
{
    LoopbackListener listener;
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    ResetOnClose(peer.Get());
    peer.Reset();
    char buffer[16];
    EXPECT_EQ(tcp_recv(fd, buffer, sizeof(buffer)), -1);
    EXPECT_EQ(tcp_last_error(), ECONNRESET);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), std::strerror(ECONNRESET));
    EXPECT_FALSE(IsOpen(fd));
}

TEST(TcpShutdown, EndsAReceiveBlockedInAnotherThread)
{
    LoopbackListener listener;
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    int result = 99;
    std::thread receiver([&] {
        char buffer[16];
        result = tcp_recv(fd, buffer, sizeof(buffer));
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(tcp_shutdown(fd));
    receiver.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(IsOpen(fd));
}

TEST(TcpShutdown, FailureIsRecorded)
{
    EXPECT_FALSE(tcp_shutdown(-1));
    EXPECT_EQ(tcp_last_error(), EBADF);
}

TEST(TcpRecvTimeout, TimesOutWithTheLayersOwnCodeAndCloses)
{
    LoopbackListener listener;
    const TimeoutGuard timeout(1);
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(tcp_recv_timeout(fd, buffer, sizeof(buffer)), -1);
    EXPECT_EQ(tcp_last_error(), -3);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), "socket reciv timeout");
    EXPECT_EQ(std::string(buffer, sizeof(buffer)), std::string(sizeof(buffer), '\0'));
    EXPECT_FALSE(IsOpen(fd));
}

TEST(TcpRecvTimeout, ReceivesWhatArrivesInTime)
{
    LoopbackListener listener;
    const int fd = ConnectedSocket(listener.Port());
    Fd peer = listener.Accept();
    ASSERT_TRUE(WriteAll(peer.Get(), "ab"));
    char buffer[8];
    EXPECT_EQ(tcp_recv_timeout(fd, buffer, sizeof(buffer)), 2);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    tcp_close(fd);
}

TEST(TcpSocket, FailureIsRecorded)
{
    EXPECT_EQ(tcp_socket(-5, SOCK_STREAM, 0), -1);
    EXPECT_EQ(tcp_last_error(), EAFNOSUPPORT);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), std::strerror(EAFNOSUPPORT));
}

} // namespace
