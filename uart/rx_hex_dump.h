// The "Hex + ASCII" view's text: the received bytes as a dump, 16 to a line,
// each line the stream offset of its first byte, the bytes in hex (lower
// case, as the Hex view writes them) and their printable characters:
//
//   00000000  41 54 2b 56 45 52 53 49  4f 4e 3f 0d 0a 4f 4b 0d  |AT+VERSION?..OK.|
//
// Bytes outside 0x20 to 0x7e show as '.'. A line that a chunk leaves short
// is the open line: the view shows it last and puts the line that the next
// chunks complete in its place.
#ifndef ORV_UART_RX_HEX_DUMP_H
#define ORV_UART_RX_HEX_DUMP_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kHexDumpBytesPerLine = 16;

// A range, of bytes or of a text, in a view's colour (wxColour::GetRGB()).
struct RxColourSpan {
    size_t begin;
    size_t end;
    uint32_t colour;
};

class RxHexDump {
public:
    // Bytes to come, from `begin` to `end` counted from the next byte
    // appended, show in `colour`: their hex pairs, with the blanks between
    // them, and their characters, on every line written with them, the open
    // line as often as it is written. Spans are given in stream order and
    // do not overlap.
    void Colour(size_t begin, size_t end, uint32_t colour);
    // Appends to `completed` the lines these bytes complete, each ended by
    // '\n'; `colours` gets the ranges of `completed` in colour, in order.
    void Append(const uint8_t *data, size_t size, std::string &completed,
                std::vector<RxColourSpan> *colours = nullptr);
    // The line begun but not complete, without a line end; empty when none.
    std::string OpenLine() const;
    // The same appended to `out`, its colours to `colours`.
    void AppendOpenLine(std::string &out, std::vector<RxColourSpan> &colours) const;
    // The open line stays as it is, short: the next byte starts a new line
    // at its own offset.
    void EndLine();
    bool HasOpenLine() const { return !m_open.empty(); }
    // The next byte is at offset 0 on a new line.
    void Reset();

private:
    void AppendLine(uint64_t offset, const uint8_t *bytes, size_t count, std::string &out,
                    std::vector<RxColourSpan> *colours) const;
    // Drops the colours of bytes before the open line.
    void ForgetWrittenColours();

    uint64_t m_offset = 0;
    std::vector<uint8_t> m_open;
    // Stream offsets of coloured bytes not yet on a complete line.
    std::vector<RxColourSpan> m_colours;
};

#endif
