#include "uart/link_status.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkStatus, CountsLogAndReconnectingFollowTheState)
{
    LinkStatus status;
    EXPECT_EQ(LinkStatusText(status), "Not connected") << "no counts before a connection";
    status.state = LinkState::Connected;
    status.host = "127.0.0.1";
    status.port = 65100;
    status.rxBytes = 1536;
    status.txBytes = 7;
    EXPECT_EQ(LinkStatusText(status), "Connected to 127.0.0.1:65100 | RX 1.5 KB, TX 7 B");
    status.logPath = "/home/ada/logs/wifilog-20261209-053001.txt";
    status.logBytes = 3 * 1024 * 1024;
    EXPECT_EQ(LinkStatusText(status),
              "Connected to 127.0.0.1:65100 | RX 1.5 KB, TX 7 B | "
              "Log /home/ada/logs/wifilog-20261209-053001.txt (3.0 MB)");
    status = LinkStatus();
    status.state = LinkState::Lost;
    status.endedAt = "T";
    status.reason = "Connection reset by peer";
    status.reconnecting = true;
    EXPECT_EQ(LinkStatusText(status),
              "Reconnecting every 2 s | Connection lost at T: Connection reset by peer | RX 0 B, TX 0 B");
}

TEST(LinkStatus, ByteCountsStepBy1024)
{
    EXPECT_EQ(ByteCountText(0), "0 B");
    EXPECT_EQ(ByteCountText(1023), "1023 B");
    EXPECT_EQ(ByteCountText(1024), "1.0 KB");
    EXPECT_EQ(ByteCountText(10 * 1024 * 1024 + 512 * 1024), "10.5 MB");
    EXPECT_EQ(ByteCountText(5ull << 40), "5120.0 GB");
}

} // namespace
