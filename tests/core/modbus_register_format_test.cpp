#include "modbus/register_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BinaryDigits, ComeLeastSignificantFirst)
{
    EXPECT_EQ(BinaryDigitsLsbFirst(0), "0");
    EXPECT_EQ(BinaryDigitsLsbFirst(1), "1");
    EXPECT_EQ(BinaryDigitsLsbFirst(2), "01");
    EXPECT_EQ(BinaryDigitsLsbFirst(6), "011");
    EXPECT_EQ(BinaryDigitsLsbFirst(0x1234), "0010110001001");
    EXPECT_EQ(BinaryDigitsLsbFirst(0xFFFF), std::string(16, '1'));
}

TEST(FormatRegister, SignedFormatsShowTheSignedValue)
{
    EXPECT_EQ(FormatRegister(0x00FF, FORMAT_DECIMAL_S8), "[-1]");
    EXPECT_EQ(FormatRegister(0x1280, FORMAT_DECIMAL_S8), "[-128]");
    EXPECT_EQ(FormatRegister(0x007F, FORMAT_DECIMAL_S8), "[127]");
    EXPECT_EQ(FormatRegister(0xFFFF, FORMAT_DECIMAL_S16), "[-1]");
    EXPECT_EQ(FormatRegister(0x8000, FORMAT_DECIMAL_S16), "[-32768]");
    EXPECT_EQ(FormatRegister(0x7FFF, FORMAT_DECIMAL_S16), "[32767]");
    EXPECT_EQ(FormatRegister(0xFFFF, FORMAT_DECIMAL_U8), "[255]");
    EXPECT_EQ(FormatRegister(0xFFFF, FORMAT_DECIMAL_U16), "[65535]");
}

TEST(FormatRegister, HexAndBinaryEdges)
{
    EXPECT_EQ(FormatRegister(0, FORMAT_HEX), "[0]");
    EXPECT_EQ(FormatRegister(0xABCD, FORMAT_HEX), "[abcd]");
    EXPECT_EQ(FormatRegister(0x000F, FORMAT_HEX), "[f]");
    EXPECT_EQ(FormatRegister(5, FORMAT_BINARY_16), "00000101");
    EXPECT_EQ(FormatRegister(0, FORMAT_BINARY_16), "00000000");
    EXPECT_EQ(FormatRegister(255, FORMAT_BINARY_16), "11111111");
    EXPECT_EQ(FormatRegister(256, FORMAT_BINARY_16), "100000000");
    EXPECT_EQ(FormatRegister(0xFFFF, FORMAT_BINARY_16), std::string(16, '1'));
    EXPECT_EQ(FormatRegister(0xFF00, FORMAT_BINARY_8), "00000000");
    EXPECT_EQ(FormatRegister(0x1234, -1), "");
    EXPECT_EQ(FormatRegister(0x1234, FORMAT_COUNT), "");
}

TEST(FormatRegister, BareTextAndNumberAreWhatTheFormShows)
{
    for (int format = 0; format < FORMAT_COUNT; ++format)
        for (const uint16_t value : {0x0000, 0x00FF, 0x1234, 0x8000, 0xFFFF}) {
            const std::string form = FormatRegister(value, format);
            const std::string bare = RegisterText(value, format);
            EXPECT_TRUE(form == bare || form == "[" + bare + "]") << form << " " << bare;
        }
    EXPECT_EQ(RegisterText(0x12FE, FORMAT_DECIMAL_S8), "-2");
    EXPECT_EQ(RegisterNumber(0x12FE, FORMAT_DECIMAL_S8), -2);
    EXPECT_EQ(RegisterNumber(0xFFFF, FORMAT_DECIMAL_S16), -1);
    EXPECT_EQ(RegisterNumber(0x1234, FORMAT_BINARY_8), 0x34);
    EXPECT_EQ(RegisterNumber(0x1234, FORMAT_HEX), 0x1234);
    EXPECT_EQ(RegisterNumber(0x1234, FORMAT_BINARY_16), 0x1234);
}

TEST(FormatValues, ListsFollowEachOtherWithoutSeparators)
{
    const uint8_t bits[] = {1, 0, 1};
    EXPECT_EQ(FormatBits(bits, 3), "[1][0][1]");
    EXPECT_EQ(FormatBits(bits, 0), "");
    const uint16_t registers[] = {0x1234, 0x5678, 5};
    EXPECT_EQ(FormatDecimalRegisters(registers, 2), "[4660][22136]");
    EXPECT_EQ(FormatRegisters(registers, 3, FORMAT_BINARY_8), "001101000111100000000101");
    EXPECT_EQ(ReadBitsResult(3), "Read 3 bits");
    EXPECT_EQ(ReadRegistersResult(125), "Read 125 registers");
}

TEST(SlaveIdText, SkipsZeroBytesAndKeepsTheRest)
{
    const uint8_t answer[] = {0x01, 0xFF, 'O', 'R', 'V', 0x00, '1', 0xE9};
    EXPECT_EQ(SlaveIdLatin1(answer, sizeof answer), std::string("\x01\xFFORV1\xE9"));
    const uint8_t zeros[] = {0, 0};
    EXPECT_EQ(SlaveIdLatin1(zeros, 2), "");
}

} // namespace
