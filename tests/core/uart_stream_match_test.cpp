#include "uart/highlighter.h"
#include "uart/literal_scanner.h"
#include "uart/regex_scanner.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Spans = std::vector<StreamSpan>;

template <typename Scanner>
Spans FeedAll(Scanner &scanner, const std::vector<std::string> &chunks)
{
    Spans found;
    for (const std::string &chunk : chunks)
        scanner.Feed(reinterpret_cast<const uint8_t *>(chunk.data()), chunk.size(), found);
    return found;
}

Spans RegexSpans(const std::string &pattern, const std::vector<std::string> &chunks)
{
    std::string error;
    std::optional<RegexScanner> scanner = RegexScanner::Compile(pattern, error);
    EXPECT_TRUE(scanner) << pattern << ": " << error;
    return scanner ? FeedAll(*scanner, chunks) : Spans();
}

struct ScanCase {
    const char *what;
    std::string pattern;
    std::vector<std::string> chunks;
    Spans expected;
};

TEST(LiteralScanner, FindsEachOccurrenceOnceAcrossChunks)
{
    const std::vector<ScanCase> cases = {
        {"whole in one chunk", "OK", {"xOKyOK"}, {{1, 3}, {4, 6}}},
        {"split over three chunks", "READY?", {"xxREA", "D", "Y?z"}, {{2, 8}}},
        {"occurrences do not overlap", "aa", {"aaa"}, {{0, 2}}},
        {"byte by byte", "aa", {"a", "a", "a", "a"}, {{0, 2}, {2, 4}}},
        {"CR LF split", "\r\n", {"OK\r", "\nOK\r\n"}, {{2, 4}, {6, 8}}},
        {"zero bytes are data", std::string("\0\1", 2), {std::string("x\0", 2), std::string("\1", 1)}, {{1, 3}}},
        {"a near miss keeps no stale tail", "abc", {"ab", "xabc"}, {{3, 6}}},
    };
    for (const ScanCase &test : cases) {
        LiteralScanner scanner(test.pattern);
        EXPECT_EQ(FeedAll(scanner, test.chunks), test.expected) << test.what;
    }
}

TEST(RegexScanner, MatchesWithinLinesAcrossChunks)
{
    const std::vector<ScanCase> cases = {
        {"split match", "READY\\?", {"RE", "ADY?"}, {{0, 6}}},
        {"reported as soon as complete, never extended", "ERR\\d+", {"x ERR1", "23 ERR4\n"}, {{2, 6}, {9, 13}}},
        {"$ waits for the line ending", "^OK$", {"OK", "\r\nOK", "x\nOK\n"}, {{0, 2}, {8, 10}}},
        {"^ is each line's start", "^AT", {"xAT\rAT", "\nAT"}, {{4, 6}, {7, 9}}},
        {"no match spans a line ending", "A.B", {"A\nB", "A\rB"}, {}},
        {"empty matches are never reported", "x*", {"ab", "axxb"}, {{3, 5}}},
        {"bytes beyond ASCII", "\xfc\xfc", {"a\xfc", "\xfc" "b"}, {{1, 3}}},
        {"case matters unless asked", "(?i)error", {"Error ERROR"}, {{0, 5}, {6, 11}}},
    };
    for (const ScanCase &test : cases)
        EXPECT_EQ(RegexSpans(test.pattern, test.chunks), test.expected) << test.what;
}

TEST(RegexScanner, KeepsAtMostTheLineWindowButSearchesEveryByte)
{
    const std::string filler(kRegexLineWindow + 100, '.');
    EXPECT_EQ(RegexSpans("START.*END", {"START", std::string(100, '.'), "END"}), (Spans{{0, 108}}));
    EXPECT_EQ(RegexSpans("START.*END", {"START", filler, "END"}), Spans()) << "begun beyond the window";
    EXPECT_EQ(RegexSpans("^x", {filler, "x"}), Spans()) << "the line's start went out of the window";

    // One big chunk: matches far before its end are found before it is cut.
    std::string big;
    for (int n = 0; n < 100; ++n)
        big += std::string(98, '.') + "ab";
    EXPECT_EQ(RegexSpans("ab", {big}).size(), 100U);
}

TEST(RegexScanner, RefusesInvalidExpressionsAndBoundsBacktracking)
{
    std::string error;
    EXPECT_FALSE(RegexScanner::Compile("(ab", error));
    EXPECT_EQ(error, "missing closing parenthesis at the end");
    EXPECT_FALSE(RegexScanner::Compile("a)b", error));
    EXPECT_EQ(error, "unmatched closing parenthesis at character 2");
    EXPECT_FALSE(RegexScanner::Compile("(*UTF)x", error)) << "received bytes are not UTF-8";

    // Backtracking that would take years ends at the match limit with no
    // match, and the next line is searched as ever.
    EXPECT_EQ(RegexSpans("^(a|aa)*$", {std::string(60, 'a') + "x\n", "aa\n"}), (Spans{{62, 64}}));
}

TEST(Highlighter, SpansOfEachPatternAcrossPiecesFirstPatternOnTop)
{
    Highlighter highlighter;
    ASSERT_EQ(highlighter.Load({{L"ERROR \\d+", 0xff0000}, {L"\\d+", 0x0000ff}}), "");
    std::vector<HighlightSpan> spans;
    const std::string pieces[] = {"ok 7 ERR", "OR 42\n"};
    for (const std::string &piece : pieces)
        highlighter.Feed(reinterpret_cast<const uint8_t *>(piece.data()), piece.size(), spans);
    const std::vector<HighlightSpan> expected = {
        {{3, 4}, 0x0000ff}, {{11, 13}, 0x0000ff}, {{5, 13}, 0xff0000}};
    EXPECT_EQ(spans, expected);

    highlighter.ResetStream();
    spans.clear();
    highlighter.Feed(reinterpret_cast<const uint8_t *>("OR 1"), 4, spans);
    EXPECT_EQ(spans, (std::vector<HighlightSpan>{{{3, 4}, 0x0000ff}})) << "offsets start over";

    EXPECT_EQ(highlighter.Load({{L"ok", 1}, {L"[", 2}}), "Highlight 2: invalid regular expression: "
                                                         "missing terminating ] for character class at the end");
    EXPECT_EQ(highlighter.Load({{L"\u03a9", 1}}), "Highlight 1: in the expression the character '\xce\xa9' "
                                                  "(U+03A9) is not one byte");
}

} // namespace
