// Where something was found in a received stream: byte offsets counted from
// the first byte fed after the finder was made or reset, end exclusive.
#ifndef ORV_UART_STREAM_SPAN_H
#define ORV_UART_STREAM_SPAN_H

#include <cstdint>

struct StreamSpan {
    uint64_t begin = 0;
    uint64_t end = 0;

    bool operator==(const StreamSpan &other) const { return begin == other.begin && end == other.end; }
};

#endif
