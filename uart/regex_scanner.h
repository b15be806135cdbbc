// Finds the matches of a regular expression (PCRE2 syntax) in a received
// stream fed chunk by chunk. The stream is searched line by line: a match
// lies within one line and never takes in a line ending (CR or LF), so "^"
// and "$" are the line's start and end, and "$" matches only once the
// ending has come.
//
// A match is reported as soon as the bytes at hand complete it and never
// again; the search goes on after its end, and later bytes never make it
// longer. Across chunks the scanner keeps the line so far, at most its last
// kRegexLineWindow bytes: a match must lie within that many bytes of the
// chunk that completes it.
//
// PCRE2 rather than std::regex: on received lines std::regex was 20 to 30
// times slower (uart_rules_bench), took a second for one 4 KB line against
// "(a|b)*c" and overflowed the stack on a 30 KB one; PCRE2 with its JIT does
// neither, and its match limit bounds the time of any one search.
#ifndef ORV_UART_REGEX_SCANNER_H
#define ORV_UART_REGEX_SCANNER_H

#include "uart/stream_span.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr size_t kRegexLineWindow = 4096;

class RegexScanner {
public:
    // The scanner of `pattern`, in one-byte characters (as received bytes
    // are matched); nothing, with `error` saying why, when it is no valid
    // expression.
    static std::optional<RegexScanner> Compile(const std::string &pattern, std::string &error);

    RegexScanner(RegexScanner &&) noexcept;
    RegexScanner &operator=(RegexScanner &&) noexcept;
    ~RegexScanner();

    // Appends the matches these bytes complete, in stream order.
    void Feed(const uint8_t *data, size_t size, std::vector<StreamSpan> &found);
    // Where a match may be under way at the end of the bytes fed: the start
    // of a partial match on the current line after the last match, the
    // line's ending counting as still to come.
    std::optional<uint64_t> PendingFrom() const;
    void Reset();

private:
    // The compiled expression and what matching it needs (PCRE2's types).
    struct Matcher;
    explicit RegexScanner(std::unique_ptr<Matcher> matcher);

    // Searches the current line, whose first `length` bytes are at `line`.
    void Search(const char *line, size_t length, bool lineEnded, std::vector<StreamSpan> &found);

    std::unique_ptr<Matcher> m_matcher;
    // The current line so far and the stream offset of its first byte kept.
    std::string m_line;
    uint64_t m_lineStart = 0;
    // The line's start went out of the window: "^" no longer matches.
    bool m_lineCut = false;
    // Where the next match may start: after the last one reported.
    uint64_t m_searchFrom = 0;
    uint64_t m_fed = 0;
};

#endif
