#include "net/tcp.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

TEST(TcpStrerror, OwnCodesUseTheTableWhenNoTextIsStored)
{
    tcp_set_error(-2);
    EXPECT_EQ(tcp_last_error(), -2);
    EXPECT_STREQ(tcp_strerror(-2), "socket connection timeout");
    EXPECT_STREQ(tcp_strerror(-1), "winsock init failure");
    EXPECT_STREQ(tcp_strerror(-3), "socket reciv timeout");
    EXPECT_STREQ(tcp_strerror(-14), "function is not supported for the selected Zumbrel Module");
    EXPECT_STREQ(tcp_strerror(-15), "");
    EXPECT_STREQ(tcp_strerror(-20), "");
}

TEST(TcpStrerror, NonNegativeCodesUseTheRuntimeText)
{
    tcp_set_error(0);
    EXPECT_STREQ(tcp_strerror(0), std::strerror(0));
    EXPECT_STREQ(tcp_strerror(ECONNREFUSED), std::strerror(ECONNREFUSED));
    // Only the low 16 bits count: 65536 + 111 reads as 111.
    EXPECT_STREQ(tcp_strerror(65536 + ECONNREFUSED), std::strerror(ECONNREFUSED));
}

TEST(TcpStrerror, StoredTextWinsWhateverTheCode)
{
    tcp_set_error(-3);
    tcp_set_error_text("module said no");
    EXPECT_STREQ(tcp_strerror(-3), "module said no");
    EXPECT_STREQ(tcp_strerror(0), "module said no");
    tcp_set_error(-3);
    EXPECT_STREQ(tcp_strerror(-3), "socket reciv timeout") << "setting a code clears the text";
}

TEST(TcpErrorState, CodeIsKeptAsSigned16Bits)
{
    tcp_set_error(0x1FFFF);
    EXPECT_EQ(tcp_last_error(), -1);
    tcp_set_error(-32769);
    EXPECT_EQ(tcp_last_error(), 32767);
}

TEST(TcpErrorState, TextIsCutTo255Characters)
{
    const std::string longText(300, 'x');
    tcp_set_error(0);
    tcp_set_error_text(longText.c_str());
    EXPECT_EQ(std::string(tcp_strerror(0)), std::string(255, 'x'));
}

TEST(TcpErrorState, SystemErrorStoresThePlatformText)
{
    tcp_set_error(ECONNRESET);
    tcp_store_system_error(ECONNRESET);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), std::strerror(ECONNRESET));
    tcp_set_system_error(EPIPE);
    EXPECT_EQ(tcp_last_error(), EPIPE);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), std::strerror(EPIPE));
    tcp_set_error_with_text(ETIMEDOUT, "timed out after 3 bytes");
    EXPECT_EQ(tcp_last_error(), ETIMEDOUT);
    EXPECT_STREQ(tcp_strerror(tcp_last_error()), "timed out after 3 bytes");
}

TEST(TcpPerror, WritesPrefixAndText)
{
    tcp_set_error(-2);
    testing::internal::CaptureStderr();
    tcp_perror("connect");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "connect: socket connection timeout\n");

    tcp_set_error(-40);
    testing::internal::CaptureStderr();
    tcp_perror("odd");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "odd: Undefined error: -40\n");
}

TEST(TcpErrorState, ConcurrentUpdatesAreNeverTorn)
{
    const std::string a(200, 'a');
    const std::string b(200, 'b');
    tcp_set_error(1);
    std::atomic<bool> stop{false};
    auto writer = [&](const std::string &text) {
        while (!stop) {
            tcp_set_error(1);
            tcp_set_error_text(text.c_str());
        }
    };
    std::thread first(writer, a);
    std::thread second(writer, b);
    int mixed = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string seen = tcp_strerror(1);
        if (seen != a && seen != b && seen != std::strerror(1))
            ++mixed;
    }
    stop = true;
    first.join();
    second.join();
    EXPECT_EQ(mixed, 0);
}

// A system error's code and text are set in one update. Only the checking
// thread sets the layer's own code -2, so a code that reads -2 before and
// after the text was read cannot belong to the system's text.
TEST(TcpErrorState, SystemErrorIsNeverSplitByAnotherThreadsError)
{
    std::atomic<bool> stop{false};
    std::thread system([&] {
        while (!stop)
            tcp_set_system_error(EPIPE);
    });
    const std::string pipeText = std::strerror(EPIPE);
    int torn = 0;
    for (int round = 0; round < 200000 && torn == 0; ++round) {
        tcp_set_error(-2);
        const int before = tcp_last_error();
        const std::string seen = tcp_strerror(before);
        torn += before == -2 && tcp_last_error() == -2 && seen == pipeText;
    }
    stop = true;
    system.join();
    EXPECT_EQ(torn, 0);
}

TEST(TcpTimeouts, SettersKeepTheLow8Bits)
{
    const uint8_t connect = tcp_get_connect_timeout();
    const uint8_t recv = tcp_get_recv_timeout();
    EXPECT_EQ(connect, 5);
    EXPECT_EQ(recv, 10);
    tcp_set_connect_timeout(300);
    tcp_set_recv_timeout(256 + 7);
    EXPECT_EQ(tcp_get_connect_timeout(), 44);
    EXPECT_EQ(tcp_get_recv_timeout(), 7);
    tcp_set_connect_timeout(connect);
    tcp_set_recv_timeout(recv);
}

} // namespace
