// Finds a byte sequence in a stream fed chunk by chunk, also where it spans
// chunks. Occurrences do not overlap: the search goes on after the end of
// each one, so each is found once.
#ifndef ORV_UART_LITERAL_SCANNER_H
#define ORV_UART_LITERAL_SCANNER_H

#include "uart/stream_span.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class LiteralScanner {
public:
    // `pattern` holds at least one byte.
    explicit LiteralScanner(std::string pattern) : m_pattern(std::move(pattern)) {}

    // Appends the occurrences these bytes complete, in stream order.
    void Feed(const uint8_t *data, size_t size, std::vector<StreamSpan> &found);
    // Where an occurrence may be under way at the end of the bytes fed: the
    // start of the longest end of them that begins the pattern, if any.
    std::optional<uint64_t> PendingFrom() const;
    void Reset();

private:
    std::string m_pattern;
    // The last bytes fed that may begin an occurrence: at most the pattern's
    // length minus one, none before the end of the last occurrence.
    std::string m_tail;
    uint64_t m_fed = 0;
};

#endif
