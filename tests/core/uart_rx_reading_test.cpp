#include "uart/millisecond_timestamp.h"
#include "uart/rx_hex_dump.h"
#include "uart/rx_line_splitter.h"
#include "uart/rx_render.h"
#include "uart/rx_scrollback.h"

#include <gtest/gtest.h>

namespace {

TEST(RxLineSplitter, NewLineAtEachEndingAlsoWhenSplitAcrossChunks)
{
    struct Case {
        const char *what;
        std::vector<std::string> chunks;
        // Per chunk: the pieces.
        std::vector<std::vector<RxLinePiece>> expected;
    };
    const std::vector<Case> cases = {
        {"a line in three pieces", {"AT+", "OK", "\r\n"}, {{{0, 3, true}}, {{0, 2, false}}, {{0, 2, false}}}},
        {"two lines in one chunk", {"a\r\nb\n"}, {{{0, 3, true}, {3, 5, true}}}},
        {"CR LF split", {"a\r", "\nb"}, {{{0, 2, true}}, {{0, 1, false}, {1, 2, true}}}},
        {"CR then another line", {"a\r", "b"}, {{{0, 2, true}}, {{0, 1, true}}}},
        {"LF CR is two endings", {"\n\r", "\n"}, {{{0, 1, true}, {1, 2, true}}, {{0, 1, false}}}},
        {"a CR mid-chunk leaves no CR behind",
         {"a\rb", "\nc"},
         {{{0, 2, true}, {2, 3, true}}, {{0, 1, false}, {1, 2, true}}}},
    };
    for (const Case &test : cases) {
        RxLineSplitter splitter;
        for (size_t n = 0; n < test.chunks.size(); ++n) {
            std::vector<RxLinePiece> pieces;
            splitter.Split(reinterpret_cast<const uint8_t *>(test.chunks[n].data()), test.chunks[n].size(), pieces);
            EXPECT_EQ(pieces, test.expected[n]) << test.what << ", chunk " << n;
        }
    }
}

TEST(RxHexDump, SixteenBytesALineCompletedAcrossChunks)
{
    const std::string data("AT+VERSION?\r\nOK\r\n\x00\xff", 19);
    RxHexDump dump;
    std::string completed;
    dump.Append(reinterpret_cast<const uint8_t *>(data.data()), 5, completed);
    EXPECT_EQ(completed, "");
    EXPECT_EQ(dump.OpenLine(), "00000000  41 54 2b 56 45                                    |AT+VE|");
    dump.Append(reinterpret_cast<const uint8_t *>(data.data()) + 5, 14, completed);
    EXPECT_EQ(completed, "00000000  41 54 2b 56 45 52 53 49  4f 4e 3f 0d 0a 4f 4b 0d  |AT+VERSION?..OK.|\n");
    EXPECT_EQ(dump.OpenLine(), "00000010  0a 00 ff                                          |...|");

    // Whole lines straight from one big chunk, then the open line after them.
    completed.clear();
    const std::string run(40, 'z');
    dump.Append(reinterpret_cast<const uint8_t *>(run.data()), run.size(), completed);
    EXPECT_EQ(completed, "00000010  0a 00 ff 7a 7a 7a 7a 7a  7a 7a 7a 7a 7a 7a 7a 7a  |...zzzzzzzzzzzzz|\n"
                         "00000020  7a 7a 7a 7a 7a 7a 7a 7a  7a 7a 7a 7a 7a 7a 7a 7a  |zzzzzzzzzzzzzzzz|\n");
    EXPECT_EQ(dump.OpenLine(), "00000030  7a 7a 7a 7a 7a 7a 7a 7a  7a 7a 7a                 |zzzzzzzzzzz|");
    dump.Reset();
    EXPECT_EQ(dump.OpenLine(), "");
}

TEST(RxHexDump, AnEndedLineStaysShortAndTheNextGoesOnAtItsOffset)
{
    RxHexDump dump;
    std::string completed;
    dump.Append(reinterpret_cast<const uint8_t *>("abc"), 3, completed);
    EXPECT_TRUE(dump.HasOpenLine());
    dump.EndLine();
    EXPECT_FALSE(dump.HasOpenLine());
    dump.Append(reinterpret_cast<const uint8_t *>("0123456789abcdefZ"), 17, completed);
    EXPECT_EQ(completed, "00000003  30 31 32 33 34 35 36 37  38 39 61 62 63 64 65 66  |0123456789abcdef|\n");
    EXPECT_EQ(dump.OpenLine(), "00000013  5a" + std::string(48, ' ') + "|Z|");
}

// Coloured bytes report their hex pairs (with the blanks between them) and
// their characters, also across a line's end; the open line reports them as
// often as it is written, until its line is complete.
TEST(RxHexDump, ColouredBytesReportTheirPairsAndCharacters)
{
    const auto coloured = [](const std::string &text, const std::vector<RxColourSpan> &spans) {
        std::vector<std::pair<std::string, uint32_t>> got;
        for (const RxColourSpan &span : spans)
            got.emplace_back(text.substr(span.begin, span.end - span.begin), span.colour);
        return got;
    };
    using Expected = std::vector<std::pair<std::string, uint32_t>>;
    const std::string data = "0123456789abcdefGHIJKLMNOPQRSTUVWXYZ";
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.data());
    RxHexDump dump;
    dump.Colour(6, 10, 1);
    dump.Colour(14, 18, 2);
    std::string completed;
    std::vector<RxColourSpan> spans;
    dump.Append(bytes, 3, completed, &spans);
    std::string open;
    dump.AppendOpenLine(open, spans);
    EXPECT_TRUE(spans.empty());

    dump.Append(bytes + 3, 17, completed, &spans);
    EXPECT_EQ(coloured(completed, spans), (Expected{{"36 37  38 39", 1}, {"65 66", 2}, {"6789", 1}, {"ef", 2}}));
    for (int written = 0; written < 2; ++written) {
        open.clear();
        spans.clear();
        dump.AppendOpenLine(open, spans);
        EXPECT_EQ(coloured(open, spans), (Expected{{"47 48", 2}, {"GH", 2}}));
    }
    completed.clear();
    spans.clear();
    dump.Append(bytes + 20, 16, completed, &spans);
    EXPECT_EQ(coloured(completed, spans), (Expected{{"47 48", 2}, {"GH", 2}}));
    open.clear();
    spans.clear();
    dump.AppendOpenLine(open, spans);
    EXPECT_EQ(open, "00000020  57 58 59 5a" + std::string(39, ' ') + "|WXYZ|");
    EXPECT_TRUE(spans.empty());
}

// Pieces of lines as the splitter gives them: each line starts a display
// line with its stamp in every view; the ASCII view's own line ending
// already broke its line.
TEST(RxLinePieces, EachLineStampedOnceHoweverItCame)
{
    RxViewTexts views;
    RxLineBound lines{kRxLineChars};
    const auto piece = [&](const std::string &bytes, bool startsLine) {
        AppendLinePieceToViews(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), "T", startsLine, views,
                               lines);
    };
    piece("ab", true);
    piece("c\r", false);
    piece("\n", false);
    piece("d", true);
    EXPECT_EQ(views[NotationAscii], "T [RX] - abc\r\nT [RX] - d");
    EXPECT_EQ(views[NotationHex], "T [RX] - 61 62 63 0d 0a\nT [RX] - 64");
    EXPECT_EQ(views[NotationDecimal], "T [RX] - 97 98 99 13 10\nT [RX] - 100");

    // Cut, a piece marks its bytes after the stamp and the line's break.
    RxViewTexts cutViews = views;
    RxLineBound cutLines = lines;
    RxCuts cuts;
    cuts.bytes = {1, 2};
    AppendLinePieceToViews(reinterpret_cast<const uint8_t *>("ef"), 2, "T", true, cutViews, cutLines, &cuts);
    piece("ef", true);
    EXPECT_EQ(cutViews, views);
    EXPECT_EQ(views[NotationAscii].substr(cuts.at[NotationAscii][0]), "f");
    EXPECT_EQ(views[NotationHex].substr(cuts.at[NotationHex][0]), " 66");
    EXPECT_EQ(cuts.at[NotationBinary][1], views[NotationBinary].size());

    RxViewTexts plain;
    RxLineBound plainLines{kRxLineChars};
    for (const char *bytes : {"1\n", "2"})
        AppendLinePieceToViews(reinterpret_cast<const uint8_t *>(bytes), 2 - (bytes[1] == 0), "", true, plain,
                               plainLines);
    EXPECT_EQ(plain[NotationAscii], "1\n2");
    EXPECT_EQ(plain[NotationHex], "31 0a\n32");
}

TEST(RxScrollbackOpenLine, DropsOnlyTheOpenLineAcrossRuns)
{
    RxScrollback back;
    back.Append("kept\nop", 1);
    back.Append("en", 2);
    back.DropOpenLine();
    EXPECT_EQ(back.Text(), "kept\n");
    EXPECT_EQ(back.Characters(), 5u);
    EXPECT_EQ(back.OpenLineChars(), 0u);
    back.Append("\xc3\xbfx", 1);
    EXPECT_EQ(back.OpenLineChars(), 2u);
    back.DropOpenLine();
    back.Append("new", 1);
    EXPECT_EQ(back.Text(), "kept\nnew");
    EXPECT_EQ(back.Pieces().size(), 1u);
}

TEST(MillisecondTimestamp, MillisecondsAfterTheSeconds)
{
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 8;
    local.tm_wday = 2;
    local.tm_hour = 15;
    local.tm_min = 15;
    local.tm_sec = 15;
    char text[64];
    std::strftime(text, sizeof(text), "%c", &local);
    EXPECT_EQ(WithMilliseconds(text, local, 42), "Tue Dec  8 15:15:15.042 2026") << "the C locale";
    EXPECT_EQ(WithMilliseconds("Di 08 Dez 2026 15:15:15 CET", local, 999), "Di 08 Dez 2026 15:15:15.999 CET");
    EXPECT_EQ(WithMilliseconds("03:15:15 PM", local, 7), "03:15:15.007 PM");
    EXPECT_EQ(WithMilliseconds("2026\xe5\xb9\xb4 15\xe6\x99\x82", local, 0), "2026\xe5\xb9\xb4 15\xe6\x99\x82.000");

    const std::string now = MillisecondTimestamp(std::chrono::system_clock::now());
    EXPECT_NE(now.find('.'), std::string::npos) << now;
}

} // namespace
