#include "uart/rx_find.h"
#include "uart/rx_render.h"
#include "uart/rx_scrollback.h"

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
                           lineStart, views, lines);
    }
    bool lineStart = true;
    RxViewTexts views;
    RxLineBound lines{kRxLineChars};
};

TEST_F(RxChunkLayout, PlainChunksRunOn)
{
    Chunk("12", false, false);
    Chunk("34", false, false);
    EXPECT_EQ(views[NotationAscii], "1234");
    EXPECT_EQ(views[NotationHex], "31 32 33 34");
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
// the line break and the stamp, and only for the first chunk; a chunk that
// goes on after another's bytes is set apart from them by a blank.
TEST_F(RxChunkLayout, TimestampWithoutWrappingStampsOnlyTheFirstChunkInAsciiOnly)
{
    Chunk("A", true, false);
    Chunk("B", true, false);
    EXPECT_EQ(views[NotationAscii], "\nT [RX] - AB");
    EXPECT_EQ(views[NotationHex], "41 42");
    EXPECT_EQ(views[NotationBinary], "01000001 01000010");
    EXPECT_EQ(views[NotationDecimal], "65 66");
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

// A stream without line breaks goes on on a new line at the bound, between
// two bytes' texts, in every notation; the data's own line ends and the
// wrapping of a whole chunk at the usual bound stay as they are.
TEST_F(RxChunkLayout, LineBoundBreaksARunOnStreamBetweenBytes)
{
    lines.limit = 8;
    Chunk("ABCDEFGHIJ", false, false);
    Chunk("K", false, false);
    EXPECT_EQ(views[NotationAscii], "ABCDEFGH\nIJK");
    EXPECT_EQ(views[NotationHex], "41 42 43\n44 45 46\n47 48 49\n4a 4b");
    EXPECT_EQ(views[NotationBinary].substr(0, 18), "01000001\n01000010\n");
    EXPECT_EQ(views[NotationBinary].size(), 11u * 9 - 1);
    EXPECT_EQ(views[NotationDecimal], "65 66 67\n68 69 70\n71 72 73\n74 75");
    Chunk("\rLMNOPQRSTU", false, false);
    EXPECT_EQ(views[NotationAscii], "ABCDEFGH\nIJK\rLMNOPQRS\nTU");

    EXPECT_EQ(RxLineBoundFor(8, false), 8u);
    lines = RxLineBound{RxLineBoundFor(kRxLineChars, true)};
    views = RxViewTexts();
    Chunk(std::string(512, '\xff'), true, true);
    for (const std::string &view : views)
        EXPECT_EQ(view.find('\n'), view.size() - 1);
}

// Cut for colouring, a chunk gets the very text it gets whole, line breaks
// and stamps included, and each cut falls where its byte's text begins (or
// before the blank or break that separates it).
TEST_F(RxChunkLayout, CutsLeaveTheTextAsItIsAndMarkTheBytes)
{
    lines.limit = 8;
    const std::string bytes = "ABCDEFGHIJ";
    Chunk("Z", true, false);
    bool cutStart = lineStart;
    RxViewTexts cutViews = views;
    RxLineBound cutLines = lines;
    RxCuts cuts;
    cuts.bytes = {0, 2, 9, 10};
    AppendChunkToViews(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), {true, false}, "T", cutStart,
                       cutViews, cutLines, &cuts);
    Chunk(bytes, true, false);
    EXPECT_EQ(cutViews, views);
    EXPECT_EQ(cutStart, lineStart);
    const std::string &ascii = views[NotationAscii];
    EXPECT_EQ(ascii.substr(cuts.at[NotationAscii][0], 2), "AB");
    EXPECT_EQ(ascii.substr(cuts.at[NotationAscii][1], 2), "CD");
    EXPECT_EQ(ascii.substr(cuts.at[NotationAscii][2]), "J");
    EXPECT_EQ(cuts.at[NotationAscii][3], ascii.size());
    const std::string &hex = views[NotationHex];
    const auto byteText = [&hex](size_t at) { return hex.substr(hex.find_first_not_of(" \n", at), 2); };
    EXPECT_EQ(byteText(cuts.at[NotationHex][0]), "41");
    EXPECT_EQ(byteText(cuts.at[NotationHex][1]), "43");
    EXPECT_EQ(hex.substr(cuts.at[NotationHex][2]), " 4a");
    EXPECT_EQ(cuts.at[NotationDecimal][3], views[NotationDecimal].size());
}

// At a limit of 10 characters: the oldest whole lines go ("\r\n" is one
// line end, a two-byte character one character), runs keep their colours,
// and the open line stays even when it alone passes the limit.
TEST(RxScrollback, OldestWholeLinesGoWhenTheLimitIsPassed)
{
    RxScrollback back(10);
    EXPECT_EQ(back.Append("aaa\nbb\xc3\xbf\n", 1), 0u);
    EXPECT_EQ(back.Append("cc\r\n", 2), 4u);
    EXPECT_EQ(back.Text(), "bb\xc3\xbf\ncc\r\n");
    EXPECT_EQ(back.Characters(), 8u);
    const std::vector<RxScrollback::Piece> pieces = back.Pieces();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(std::string(pieces[0].data, pieces[0].size), "bb\xc3\xbf\n");
    EXPECT_EQ(pieces[0].colour, 1u);
    EXPECT_EQ(pieces[1].colour, 2u);
    EXPECT_EQ(back.Append("d\re", 1), 4u);
    EXPECT_EQ(back.Append("ffff", 1), 4u);
    EXPECT_EQ(back.Text(), "d\reffff");
    EXPECT_EQ(back.Append("gggggggggg", 1), 2u);
    EXPECT_EQ(back.Text(), "effffgggggggggg");
    EXPECT_EQ(back.OpenLineChars(), 15u);
    EXPECT_EQ(back.Dropped(), 14u);
    back.Clear();
    EXPECT_EQ(back.Text(), "");
    EXPECT_EQ(back.OpenLineChars(), 0u);
    EXPECT_EQ(back.Dropped(), 0u);
}

std::string Joined(const std::vector<RxScrollback::Piece> &pieces)
{
    std::string text;
    for (const RxScrollback::Piece &piece : pieces)
        text.append(piece.data, piece.size);
    return text;
}

// A block that a receive view shows of the kept text: it starts at a line
// start when one lies within its reach ("\r\n" one line end), and its pieces cut
// runs at whole characters, keeping their colours.
TEST(RxScrollback, BlocksStartAtALineWithin)
{
    RxScrollback back;
    back.Append("ab\ncd\r\n", 1);
    back.Append("\xc3\xbf\xc3\xbfx\rgh", 2);
    const size_t end = back.Characters();
    ASSERT_EQ(end, 13u);
    EXPECT_EQ(back.BlockStart(end, 100), 0u);
    EXPECT_EQ(back.BlockStart(end, 11), 3u);
    EXPECT_EQ(back.BlockStart(end, 8), 7u) << "after the \\r\\n pair";
    EXPECT_EQ(back.BlockStart(end, 6), 7u);
    EXPECT_EQ(back.BlockStart(end, 2), 11u) << "after the lone \\r";
    EXPECT_EQ(back.BlockStart(end, 1), 12u) << "no line start within: the cut";
    EXPECT_EQ(back.BlockStart(6, 4), 3u);
    EXPECT_EQ(back.BlockStart(end, 11, 1), 3u);
    EXPECT_EQ(back.BlockStart(end, 9, 1), 4u) << "the line start lies past the reach";
    EXPECT_EQ(back.BlockStart(end, 8, 1), 5u) << "the \r\n pair at the reach is not split";
    EXPECT_EQ(Joined(back.PiecesBetween(7, end)), "\xc3\xbf\xc3\xbfx\rgh");
    const std::vector<RxScrollback::Piece> pieces = back.PiecesBetween(4, 9);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(std::string(pieces[0].data, pieces[0].size), "d\r\n");
    EXPECT_EQ(pieces[1].colour, 2u);
    EXPECT_EQ(std::string(pieces[1].data, pieces[1].size), "\xc3\xbf\xc3\xbf");
    EXPECT_EQ(Joined(back.Pieces()), back.Text());
}

// Next and previous from a place, round the end, in either case unless asked.
TEST(RxFind, NextAndPreviousWrapRound)
{
    const std::wstring text = L"OK\nerror 1\nok\nERROR 2\n";
    auto at = [&](std::optional<RxFound> found) { return found ? static_cast<long>(found->at) : -1L; };
    EXPECT_EQ(at(FindInRxText(text, L"error", 0, true, false)), 3);
    EXPECT_EQ(at(FindInRxText(text, L"error", 3, true, false)), 14) << "after the match in hand";
    EXPECT_EQ(at(FindInRxText(text, L"error", 3, true, false, true)), 3) << "from a place, inclusive";
    const std::optional<RxFound> round = FindInRxText(text, L"error", 14, true, false);
    ASSERT_TRUE(round);
    EXPECT_EQ(round->at, 3u);
    EXPECT_TRUE(round->wrapped);
    EXPECT_EQ(at(FindInRxText(text, L"error", 14, false, false)), 3);
    EXPECT_EQ(at(FindInRxText(text, L"error", 3, false, false)), 14) << "backwards round the start";
    EXPECT_EQ(at(FindInRxText(text, L"ERROR", 0, true, true)), 14);
    EXPECT_EQ(at(FindInRxText(text, L"warning", 0, true, false)), -1);
    EXPECT_EQ(at(FindInRxText(text, L"", 0, true, false)), -1);
    EXPECT_EQ(at(FindInRxText(L"ab", L"abc", 0, true, false)), -1);
}

} // namespace
