#include "uart/port_text.h"

#include <gtest/gtest.h>

TEST(PortFromText, ReadsLikeAtoiAndKeepsTheLow16Bits)
{
    EXPECT_EQ(PortFromText("65100"), 65100);
    EXPECT_EQ(PortFromText("70000"), 4464);
    EXPECT_EQ(PortFromText("65536"), 0);
    EXPECT_EQ(PortFromText("  80abc"), 80);
    EXPECT_EQ(PortFromText("+22"), 22);
    EXPECT_EQ(PortFromText("-1"), 65535);
    EXPECT_EQ(PortFromText("not set"), 0);
    EXPECT_EQ(PortFromText(""), 0);
    // Far beyond int: the exact value modulo 65536 (10^20 mod 2^16 = 0).
    EXPECT_EQ(PortFromText("100000000000000000000"), 0);
    EXPECT_EQ(PortFromText("100000000000000000001"), 1);
}
