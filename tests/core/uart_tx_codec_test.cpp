#include "uart/tx_codec.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;
constexpr Notation kAscii = NotationAscii, kHex = NotationHex, kBinary = NotationBinary,
                   kDecimal = NotationDecimal;

TEST(TxCodec, EncodesTheWorkedExamples)
{
    EXPECT_EQ(EncodeMessage(L"1 0a ff", kHex), (Bytes{0x01, 0x0A, 0xFF}));
    EXPECT_EQ(EncodeMessage(L"101 11111111", kBinary), (Bytes{0x05, 0xFF}));
    EXPECT_EQ(EncodeMessage(L"0 65 255", kDecimal), (Bytes{0x00, 0x41, 0xFF}));
    EXPECT_EQ(EncodeMessage(L"AB C", kAscii), (Bytes{0x41, 0x42, 0x20, 0x43}));
}

TEST(TxCodec, BlanksAroundAndBetweenGroupsSeparateOnce)
{
    EXPECT_EQ(CheckTypedMessage(L"  0a   1b ", kHex), "");
    EXPECT_EQ(EncodeMessage(L"  0a   1b ", kHex), (Bytes{0x0A, 0x1B}));
    EXPECT_EQ(SplitGroups(L"   "), std::vector<std::wstring>{});
}

TEST(TxCodec, AsciiKeepsTheLow8BitsOfEachCharacter)
{
    EXPECT_EQ(EncodeMessage(L"\u00ff\u0100\u20ac", kAscii), (Bytes{0xFF, 0x00, 0xAC}));
    EXPECT_EQ(EncodeMessage(L"  ", kAscii), (Bytes{0x20, 0x20})) << "blanks are bytes in ASCII";
}

TEST(TxCodec, GroupsReadLikeTheRuntimeConversion)
{
    EXPECT_EQ(EncodeMessage(L"0x1f zz 1g", kHex), (Bytes{0x1F, 0x00, 0x01}));
    EXPECT_EQ(EncodeMessage(L"-1 +7", kDecimal), (Bytes{0xFF, 0x07}));
    EXPECT_EQ(EncodeMessage(L"12", kBinary), (Bytes{0x01})) << "reading stops at the first non-binary digit";
    EXPECT_EQ(EncodeMessage(L"99999999999999999999", kDecimal), (Bytes{0xFF})) << "clamped, not undefined";
    EXPECT_EQ(EncodeMessage(L"1 2", 7), Bytes{});
}

TEST(TxCodec, RefusesBlankInput)
{
    EXPECT_EQ(CheckTypedMessage(L"", kAscii), "Invalid blank input");
    EXPECT_EQ(CheckTypedMessage(L"   ", kAscii), "Invalid blank input");
    EXPECT_EQ(CheckTypedMessage(L"   ", kHex), "Invalid blank input");
}

TEST(TxCodec, RefusesGroupsBeyondTheirNotation)
{
    EXPECT_EQ(CheckTypedMessage(L"1 22 333", kHex), "Hex can be length max 2 digits");
    EXPECT_EQ(CheckTypedMessage(L"100000000", kBinary), "Binary can be length max 8 digits");
    EXPECT_EQ(CheckTypedMessage(L"11111111", kBinary), "");
    EXPECT_EQ(CheckTypedMessage(L"256", kDecimal), "Decimal value max 255");
    EXPECT_EQ(CheckTypedMessage(L"255 0", kDecimal), "");
    EXPECT_EQ(CheckTypedMessage(L"99999999999999999999", kDecimal), "Decimal value max 255");
    EXPECT_EQ(CheckTypedMessage(L"1 333", kAscii), "") << "ASCII has no group check";
}

TEST(TxCodec, AsciiIsLimitedTo128Utf8Bytes)
{
    EXPECT_EQ(CheckTypedMessage(std::wstring(128, L'a'), kAscii), "");
    EXPECT_EQ(CheckTypedMessage(std::wstring(129, L'a'), kAscii), "Max 128 bytes");
    EXPECT_EQ(CheckTypedMessage(std::wstring(64, L'\u00e9'), kAscii), "");
    EXPECT_EQ(CheckTypedMessage(std::wstring(65, L'\u00e9'), kAscii), "Max 128 bytes");
}

} // namespace
