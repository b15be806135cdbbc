#include "uart/rx_line_splitter.h"

void RxLineSplitter::Split(const uint8_t *data, size_t size, std::vector<RxLinePiece> &pieces)
{
    if (size == 0)
        return;
    size_t at = 0;
    // The LF of a CR LF split between chunks ends no line of its own.
    if (m_afterCr && data[0] == '\n') {
        pieces.push_back({0, 1, false});
        at = 1;
    }
    while (at < size) {
        const size_t begin = at;
        while (at < size && data[at] != '\r' && data[at] != '\n')
            ++at;
        const bool ended = at < size;
        if (ended)
            at += data[at] == '\r' && at + 1 < size && data[at + 1] == '\n' ? 2 : 1;
        pieces.push_back({begin, at, m_atLineStart});
        m_atLineStart = ended;
    }
    m_afterCr = data[size - 1] == '\r';
}

void RxLineSplitter::Reset()
{
    m_atLineStart = true;
    m_afterCr = false;
}
