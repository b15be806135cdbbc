#include "uart/rx_render.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

std::wstring Render(Notation notation, const std::vector<uint8_t> &bytes)
{
    return Rendered(notation, bytes.data(), bytes.size());
}

// The per-byte texts as printf makes them, to hold the tables against.
std::wstring Printed(const char *format, int value)
{
    char text[16];
    std::snprintf(text, sizeof(text), format, value);
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

TEST(RxRender, ThreeBytesInEachNotation)
{
    const std::vector<uint8_t> bytes = {0x41, 0x0a, 0xff};
    EXPECT_EQ(Render(NotationAscii, bytes), L"A\n\u00ff");
    EXPECT_EQ(Render(NotationHex, bytes), L"41 0a ff");
    EXPECT_EQ(Render(NotationBinary, bytes), L"01000001 00001010 11111111");
    EXPECT_EQ(Render(NotationDecimal, bytes), L"65 10 255");
}

TEST(RxRender, EveryByteValueMatchesItsPrintfText)
{
    for (int value = 0; value < 256; ++value) {
        const std::vector<uint8_t> byte = {static_cast<uint8_t>(value)};
        EXPECT_EQ(Render(NotationHex, byte), Printed("%02x", value));
        EXPECT_EQ(Render(NotationDecimal, byte), Printed("%d", value));
        std::wstring binary;
        for (int bit = 7; bit >= 0; --bit)
            binary += (value >> bit) & 1 ? L'1' : L'0';
        EXPECT_EQ(Render(NotationBinary, byte), binary);
        EXPECT_EQ(Render(NotationAscii, byte), value == 0 ? std::wstring() : std::wstring(1, wchar_t(value)));
    }
}

TEST(RxRender, ZeroBytesAddNothingToAsciiButCountElsewhere)
{
    const std::vector<uint8_t> bytes = {'a', 0, 'b'};
    EXPECT_EQ(Render(NotationAscii, bytes), L"ab");
    EXPECT_EQ(Render(NotationHex, bytes), L"61 00 62");
    EXPECT_EQ(Render(NotationDecimal, bytes), L"97 0 98");
    EXPECT_EQ(Render(NotationHex, {}), L"");
}

TEST(RxRender, AppendsToExistingText)
{
    std::wstring text = L"x";
    const uint8_t bytes[] = {1, 2};
    AppendRendered(NotationHex, bytes, 2, text);
    AppendRendered(NotationBinary, bytes, 1, text);
    EXPECT_EQ(text, L"x01 0200000001");
}

class RxChunkLayout : public ::testing::Test {
protected:
    void Chunk(const std::string &bytes, bool timestamp, bool wrap)
    {
        AppendChunkToViews(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), {timestamp, wrap}, L"T",
                           lineStart, views);
    }
    bool lineStart = true;
    RxViewTexts views;
};

TEST_F(RxChunkLayout, PlainChunksRunOn)
{
    Chunk("12", false, false);
    Chunk("34", false, false);
    EXPECT_EQ(views[NotationAscii], L"1234");
    EXPECT_EQ(views[NotationHex], L"31 3233 34");
    EXPECT_TRUE(lineStart);
}

TEST_F(RxChunkLayout, WrappingEndsEveryChunkWithALineBreak)
{
    Chunk("12", false, true);
    Chunk("34", false, true);
    EXPECT_EQ(views[NotationAscii], L"12\n34\n");
    EXPECT_EQ(views[NotationDecimal], L"49 50\n51 52\n");
}

TEST_F(RxChunkLayout, TimestampAndWrappingGiveOneStampedLinePerChunkInEveryView)
{
    Chunk("A", true, true);
    Chunk("B", true, true);
    EXPECT_EQ(views[NotationAscii], L"T [RX] - A\nT [RX] - B\n");
    EXPECT_EQ(views[NotationHex], L"T [RX] - 41\nT [RX] - 42\n");
    EXPECT_EQ(views[NotationBinary], L"T [RX] - 01000001\nT [RX] - 01000010\n");
    EXPECT_EQ(views[NotationDecimal], L"T [RX] - 65\nT [RX] - 66\n");
    EXPECT_TRUE(lineStart);
}

// The one shared flag is used up by the ASCII view, so only that view gets
// the line break and the stamp, and only for the first chunk.
TEST_F(RxChunkLayout, TimestampWithoutWrappingStampsOnlyTheFirstChunkInAsciiOnly)
{
    Chunk("A", true, false);
    Chunk("B", true, false);
    EXPECT_EQ(views[NotationAscii], L"\nT [RX] - AB");
    EXPECT_EQ(views[NotationHex], L"4142");
    EXPECT_EQ(views[NotationBinary], L"0100000101000010");
    EXPECT_EQ(views[NotationDecimal], L"6566");
    EXPECT_FALSE(lineStart);
}

// Switching wrapping on later: the flag, cleared by the first chunk, is set
// again only at the end of a wrapped view, so the next view gets the stamp.
TEST_F(RxChunkLayout, FlagWalksViewByViewWhenOptionsChange)
{
    Chunk("A", true, false);
    Chunk("B", true, true);
    EXPECT_EQ(views[NotationAscii], L"\nT [RX] - AT [RX] - B\n");
    EXPECT_EQ(views[NotationHex], L"41T [RX] - 42\n");
    Chunk("C", true, false);
    EXPECT_EQ(views[NotationAscii], L"\nT [RX] - AT [RX] - B\n\nT [RX] - C");
    EXPECT_EQ(views[NotationHex], L"41T [RX] - 42\n43");
}

} // namespace
