// Splits received chunks at the data's own line endings, so that a device
// whose lines come in several TCP pieces still gets one display line (and
// one timestamp) per line. CR, LF and CR LF each end a line, also a CR LF
// whose two bytes come in two chunks.
#ifndef ORV_UART_RX_LINE_SPLITTER_H
#define ORV_UART_RX_LINE_SPLITTER_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Bytes [begin, end) of a chunk: they run up to and including one line
// ending, or up to the chunk's end.
struct RxLinePiece {
    size_t begin = 0;
    size_t end = 0;
    // The piece begins a new line (false: it goes on with the line before).
    bool startsLine = false;

    bool operator==(const RxLinePiece &other) const
    {
        return begin == other.begin && end == other.end && startsLine == other.startsLine;
    }
};

class RxLineSplitter {
public:
    // Appends the chunk's pieces, covering all of it in order.
    void Split(const uint8_t *data, size_t size, std::vector<RxLinePiece> &pieces);
    // The next byte begins a new line.
    void Reset();

private:
    bool m_atLineStart = true;
    // The last byte was a CR, whose LF may still come.
    bool m_afterCr = false;
};

#endif
