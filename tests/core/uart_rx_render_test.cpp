#include "uart/rx_render.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

std::string Render(Notation notation, const std::vector<uint8_t> &bytes)
{
    return Rendered(notation, bytes.data(), bytes.size());
}

// The per-byte texts as printf makes them, to hold the tables against.
std::string Printed(const char *format, int value)
{
    char text[16];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

TEST(RxRender, ThreeBytesInEachNotation)
{
    const std::vector<uint8_t> bytes = {0x41, 0x0a, 0xff};
    EXPECT_EQ(Render(NotationAscii, bytes), "A\n\xc3\xbf");
    EXPECT_EQ(Render(NotationHex, bytes), "41 0a ff");
    EXPECT_EQ(Render(NotationBinary, bytes), "01000001 00001010 11111111");
    EXPECT_EQ(Render(NotationDecimal, bytes), "65 10 255");
}

TEST(RxRender, EveryByteValueMatchesItsPrintfText)
{
    for (int value = 0; value < 256; ++value) {
        const std::vector<uint8_t> byte = {static_cast<uint8_t>(value)};
        EXPECT_EQ(Render(NotationHex, byte), Printed("%02x", value));
        EXPECT_EQ(Render(NotationDecimal, byte), Printed("%d", value));
        std::string binary;
        for (int bit = 7; bit >= 0; --bit)
            binary += (value >> bit) & 1 ? '1' : '0';
        EXPECT_EQ(Render(NotationBinary, byte), binary);
        const std::string latin1 = value == 0    ? ""
                                   : value < 128 ? std::string(1, static_cast<char>(value))
                                                 : std::string{static_cast<char>(0xc0 | (value >> 6)),
                                                               static_cast<char>(0x80 | (value & 0x3f))};
        EXPECT_EQ(Render(NotationAscii, byte), latin1);
    }
}

TEST(RxRender, ZeroBytesAddNothingToAsciiButCountElsewhere)
{
    const std::vector<uint8_t> bytes = {'a', 0, 'b'};
    EXPECT_EQ(Render(NotationAscii, bytes), "ab");
    EXPECT_EQ(Render(NotationHex, bytes), "61 00 62");
    EXPECT_EQ(Render(NotationDecimal, bytes), "97 0 98");
    EXPECT_EQ(Render(NotationHex, {}), "");
}

TEST(RxRender, AppendsToExistingText)
{
    std::string text = "x";
    const uint8_t bytes[] = {1, 2};
    AppendRendered(NotationHex, bytes, 2, text);
    AppendRendered(NotationBinary, bytes, 1, text);
    EXPECT_EQ(text, "x01 0200000001");
}

class RxChunkLayout : public ::testing::Test {
protected:
    void Chunk(const std::string &bytes, bool timestamp, bool wrap)
    {
        AppendChunkToViews(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), {timestamp, wrap}, "T",
                           lineStart, views);
    }
    bool lineStart = true;
    RxViewTexts views;
};

TEST_F(RxChunkLayout, PlainChunksRunOn)
{
    Chunk("12", false, false);
    Chunk("34", false, false);
    EXPECT_EQ(views[NotationAscii], "1234");
    EXPECT_EQ(views[NotationHex], "31 3233 34");
    EXPECT_TRUE(lineStart);
}

TEST_F(RxChunkLayout, WrappingEndsEveryChunkWithALineBreak)
{
    Chunk("12", false, true);
    Chunk("34", false, true);
    EXPECT_EQ(views[NotationAscii], "12\n34\n");
    EXPECT_EQ(views[NotationDecimal], "49 50\n51 52\n");
}

TEST_F(RxChunkLayout, TimestampAndWrappingGiveOneStampedLinePerChunkInEveryView)
{
    Chunk("A", true, true);
    Chunk("B", true, true);
    EXPECT_EQ(views[NotationAscii], "T [RX] - A\nT [RX] - B\n");
    EXPECT_EQ(views[NotationHex], "T [RX] - 41\nT [RX] - 42\n");
    EXPECT_EQ(views[NotationBinary], "T [RX] - 01000001\nT [RX] - 01000010\n");
    EXPECT_EQ(views[NotationDecimal], "T [RX] - 65\nT [RX] - 66\n");
    EXPECT_TRUE(lineStart);
}

// The one shared flag is used up by the ASCII view, so only that view gets
// the line break and the stamp, and only for the first chunk.
TEST_F(RxChunkLayout, TimestampWithoutWrappingStampsOnlyTheFirstChunkInAsciiOnly)
{
    Chunk("A", true, false);
    Chunk("B", true, false);
    EXPECT_EQ(views[NotationAscii], "\nT [RX] - AB");
    EXPECT_EQ(views[NotationHex], "4142");
    EXPECT_EQ(views[NotationBinary], "0100000101000010");
    EXPECT_EQ(views[NotationDecimal], "6566");
    EXPECT_FALSE(lineStart);
}

// Switching wrapping on later: the flag, cleared by the first chunk, is set
// again only at the end of a wrapped view, so the next view gets the stamp.
TEST_F(RxChunkLayout, FlagWalksViewByViewWhenOptionsChange)
{
    Chunk("A", true, false);
    Chunk("B", true, true);
    EXPECT_EQ(views[NotationAscii], "\nT [RX] - AT [RX] - B\n");
    EXPECT_EQ(views[NotationHex], "41T [RX] - 42\n");
    Chunk("C", true, false);
    EXPECT_EQ(views[NotationAscii], "\nT [RX] - AT [RX] - B\n\nT [RX] - C");
    EXPECT_EQ(views[NotationHex], "41T [RX] - 42\n43");
}

} // namespace
