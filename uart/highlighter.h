// Colours what regular expressions match in the received stream, fed chunk by
// chunk: a match that spans two chunks is found when the second comes (see
// RegexScanner for what a match may span). The spans are stream offsets; each
// view colours the text it shows for those bytes.
#ifndef ORV_UART_HIGHLIGHTER_H
#define ORV_UART_HIGHLIGHTER_H

#include "uart/regex_scanner.h"

#include <cstdint>
#include <string>
#include <vector>

struct HighlightPattern {
    // In characters up to U+00FF, as received bytes are matched.
    std::wstring regex;
    // 0xRRGGBB.
    uint32_t colour = 0;
};

struct HighlightSpan {
    StreamSpan span;
    uint32_t colour = 0;

    bool operator==(const HighlightSpan &other) const { return span == other.span && colour == other.colour; }
};

class Highlighter {
public:
    // Takes the patterns when all are valid, and returns an empty text;
    // otherwise keeps the ones it had and returns "Highlight N: " and why.
    // The stream starts over.
    std::string Load(const std::vector<HighlightPattern> &patterns);

    // Appends the spans these bytes complete. Colour them in the order
    // given: where spans overlap, the pattern listed first ends on top.
    void Feed(const uint8_t *data, size_t size, std::vector<HighlightSpan> &spans);
    void ResetStream();

private:
    struct Entry {
        RegexScanner scanner;
        uint32_t colour;
    };
    std::vector<Entry> m_entries;
    std::vector<StreamSpan> m_found;
};

#endif
