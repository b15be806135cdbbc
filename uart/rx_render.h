// Rendering of received bytes for the four receive views, and the per-chunk
// line layout (timestamp, " [RX] - ", line break) the views share. Texts are
// UTF-8.
#ifndef ORV_UART_RX_RENDER_H
#define ORV_UART_RX_RENDER_H

#include "uart/notation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Appends the bytes as `notation` shows them: ASCII as the ISO 8859-1
// characters, in UTF-8 (a zero byte adds nothing), Hex as two lower-case digits, Binary
// as eight digits, Decimal without padding; the last three separate the bytes
// with one blank.
void AppendRendered(Notation notation, const uint8_t *data, size_t size, std::string &out);
std::string Rendered(Notation notation, const uint8_t *data, size_t size);

struct RxLineOptions {
    bool timestamp = false;
    bool wrap = false;
};

using RxViewTexts = std::array<std::string, kNotationCount>;

// Where each view's display line stands: its characters so far, whether it
// ends in a byte's text, and the most it may take. Received text that would
// make a line longer goes on on a new line, between two bytes' texts (the
// break takes the place of the blank), so that a stream without line breaks
// never makes the text views lay out one giant paragraph. A chunk that goes
// on after a byte's text starts with a blank, so that the bytes of two
// chunks never run together into one number.
struct RxLineBound {
    size_t limit;
    std::array<size_t, kNotationCount> column{};
    std::array<bool, kNotationCount> afterByte{};
};

// Places in a chunk (byte indexes, ascending, up to its size) and, filled by
// AppendChunkToViews, where each one falls in each view's text: the byte's
// text starts there (a separating blank or line break may come first), or
// the chunk's bytes end there for its size. The texts are those of the
// chunk whole.
struct RxCuts {
    std::vector<size_t> bytes;
    std::array<std::vector<size_t>, kNotationCount> at;
};

// Appends one received chunk to the texts of all four views, in the order
// ASCII, Hex, Binary, Decimal. `lineStart` is the one flag the whole panel
// shares: it is tested and changed view by view, so with timestamps on and
// wrapping off only the ASCII view gets the line break and timestamp that
// start a new run.
void AppendChunkToViews(const uint8_t *data, size_t size, const RxLineOptions &options, const std::string &stamp,
                        bool &lineStart, RxViewTexts &views, RxLineBound &lines, RxCuts *cuts = nullptr);

// Appends one piece of a received line (uart/rx_line_splitter.h) to the
// four texts. A piece that starts a line starts a display line, with the
// stamp and " [RX] - " unless `stamp` is empty; the line ending's bytes stay
// on the line they end. `cuts`, as for AppendChunkToViews, with byte
// indexes of the piece.
void AppendLinePieceToViews(const uint8_t *data, size_t size, const std::string &stamp, bool startsLine,
                            RxViewTexts &views, RxLineBound &lines, RxCuts *cuts = nullptr);

#endif
