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

// The ending belongs to ASCII messages only; the list names it so that two
// entries of the same text stay apart.
TEST(TxCodec, AsciiMessagesEndWithTheirChosenEnding)
{
    EXPECT_EQ(EncodeMessage(L"AT", kAscii, LineEndingCrLf), (Bytes{'A', 'T', 0x0D, 0x0A}));
    EXPECT_EQ(EncodeMessage(L"AT", kAscii, LineEndingCr), (Bytes{'A', 'T', 0x0D}));
    EXPECT_EQ(EncodeMessage(L"", kAscii, LineEndingLf), (Bytes{0x0A}));
    EXPECT_EQ(EncodeMessage(L"AT", kAscii, 9), (Bytes{'A', 'T'})) << "an unknown ending reads as none";
    EXPECT_EQ(EncodeMessage(L"0a", kHex, LineEndingCrLf), (Bytes{0x0A})) << "numbers carry their own bytes";
    EXPECT_EQ(MessageListLabel(L"AT+VERSION?", kAscii, LineEndingCrLf), L"AT+VERSION? (ASCII, CR LF)");
    EXPECT_EQ(MessageListLabel(L"AT", kAscii, LineEndingNone), L"AT (ASCII)");
    EXPECT_EQ(MessageListLabel(L"1 0a", kHex, LineEndingCr), L"1 0a (Hex)");
    EXPECT_STREQ(LineEndingName(-1), "none");
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

// A group with a character that is no digit of its notation is refused,
// naming the group; upper-case hex digits are digits. The first failing
// group decides, and a group too long or too large keeps its own refusal.
TEST(TxCodec, RefusesGroupsWithCharactersThatAreNoDigits)
{
    EXPECT_EQ(CheckTypedMessage(L"0A Ff aB 09", kHex), "");
    EXPECT_EQ(EncodeMessage(L"0A Ff", kHex), EncodeMessage(L"0a ff", kHex));
    EXPECT_EQ(CheckTypedMessage(L"10 zz g1", kHex), "Invalid hex group 'zz': use only the digits 0-9, a-f, A-F");
    EXPECT_EQ(CheckTypedMessage(L"+5", kHex), "Invalid hex group '+5': use only the digits 0-9, a-f, A-F");
    EXPECT_EQ(CheckTypedMessage(L"\u00e9", kHex), "Invalid hex group '\xc3\xa9': use only the digits 0-9, a-f, A-F");
    EXPECT_EQ(CheckTypedMessage(L"zzz", kHex), "Hex can be length max 2 digits");
    EXPECT_EQ(CheckTypedMessage(L"101 12", kBinary), "Invalid binary group '12': use only the digits 0 and 1");
    EXPECT_EQ(CheckTypedMessage(L"-1", kBinary), "Invalid binary group '-1': use only the digits 0 and 1");
    EXPECT_EQ(CheckTypedMessage(L"7 7x", kDecimal), "Invalid decimal group '7x': use only the digits 0-9");
    EXPECT_EQ(CheckTypedMessage(L"-1", kDecimal), "Invalid decimal group '-1': use only the digits 0-9");
    EXPECT_EQ(CheckTypedMessage(L"\u0663", kDecimal), "Invalid decimal group '\xd9\xa3': use only the digits 0-9");
    EXPECT_EQ(CheckTypedMessage(L"1\t2", kDecimal), "Invalid decimal group '1\t2': use only the digits 0-9");
    EXPECT_EQ(CheckTypedMessage(L"999x", kDecimal), "Decimal value max 255");
}

// An ASCII text goes out one byte per character: a character above U+00FF
// has no byte of its own and is refused, naming it.
TEST(TxCodec, AsciiRefusesCharactersAboveOneByte)
{
    EXPECT_EQ(CheckTypedMessage(L"a\tb\u00ff", kAscii), "");
    EXPECT_EQ(CheckTypedMessage(L"ab\u20acc", kAscii),
              "The character '\xe2\x82\xac' (U+20AC) is not one byte: use Hex for such bytes");
    EXPECT_EQ(CheckTypedMessage(L"\U0001F600", kAscii),
              "The character '\xf0\x9f\x98\x80' (U+1F600) is not one byte: use Hex for such bytes");
    EXPECT_EQ(CheckTypedMessage(std::wstring(43, L'\u20ac'), kAscii), "Max 128 bytes");
}

TEST(TxCodec, AsciiIsLimitedTo128Utf8Bytes)
{
    EXPECT_EQ(CheckTypedMessage(std::wstring(128, L'a'), kAscii), "");
    EXPECT_EQ(CheckTypedMessage(std::wstring(129, L'a'), kAscii), "Max 128 bytes");
    EXPECT_EQ(CheckTypedMessage(std::wstring(64, L'\u00e9'), kAscii), "");
    EXPECT_EQ(CheckTypedMessage(std::wstring(65, L'\u00e9'), kAscii), "Max 128 bytes");
}

} // namespace
