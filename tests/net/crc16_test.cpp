#include "net/tcp.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

const uint8_t kCheck[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};

TEST(Crc16Block, MatchesTheModbusCheckValueAndFrames)
{
    EXPECT_EQ(crc16_block(kCheck, sizeof(kCheck)), 0x4B37);
    // Read holding registers 0..1 of unit 1 is sent as 01 03 00 00 00 02 C4 0B.
    const uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02};
    const int crc = crc16_block(request, sizeof(request));
    EXPECT_EQ(crc & 0xFF, 0xC4);
    EXPECT_EQ(crc >> 8, 0x0B);
}

TEST(Crc16Block, EmptyBlockGivesAllBitsSet)
{
    EXPECT_EQ(crc16_block(kCheck, 0), -1);
}

TEST(Crc16Update, FoldsByteByByteAndRestarts)
{
    int crc = 0;
    for (size_t index = 0; index < sizeof(kCheck); ++index)
        crc = crc16_update(kCheck[index], index == 0);
    EXPECT_EQ(crc, 0x4B37);
    crc16_update(0x55, true);
    for (size_t index = 0; index < sizeof(kCheck); ++index)
        crc = crc16_update(kCheck[index], index == 0);
    EXPECT_EQ(crc, 0x4B37) << "restart forgets the earlier bytes";
}

TEST(ByteOrder, SwapsBytes)
{
    EXPECT_EQ(swap16(0x1234), 0x3412);
    EXPECT_EQ(swap32(0x12345678U), 0x78563412U);
}

} // namespace
