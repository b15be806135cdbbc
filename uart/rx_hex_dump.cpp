#include "uart/rx_hex_dump.h"

#include <algorithm>

namespace {

constexpr char kDigits[] = "0123456789abcdef";
// The offset, the 16 byte columns with one extra blank after the eighth, and
// the blanks before the characters.
constexpr size_t kCharactersColumn = 8 + 2 + kHexDumpBytesPerLine * 3 + 1 + 1;

} // namespace

// Built in a buffer of its own and appended once: the dump is made for
// every received byte, shown or not.
void RxHexDump::AppendLine(uint64_t offset, const uint8_t *bytes, size_t count, std::string &out,
                           std::vector<RxColourSpan> *colours) const
{
    char line[kCharactersColumn + 8 + kHexDumpBytesPerLine + 2];
    size_t at = 0;
    // Offsets beyond eight digits push the columns right on their lines only.
    int digits = 8;
    while (digits < 16 && (offset >> (4 * digits)) != 0)
        ++digits;
    for (int digit = digits - 1; digit >= 0; --digit)
        line[at++] = kDigits[(offset >> (4 * digit)) & 0x0f];
    line[at++] = ' ';
    size_t hexAt[kHexDumpBytesPerLine];
    for (size_t n = 0; n < count; ++n) {
        line[at++] = ' ';
        if (n == kHexDumpBytesPerLine / 2)
            line[at++] = ' ';
        hexAt[n] = at;
        line[at++] = kDigits[bytes[n] >> 4];
        line[at++] = kDigits[bytes[n] & 0x0f];
    }
    const size_t width = kCharactersColumn + static_cast<size_t>(digits - 8);
    while (at < width)
        line[at++] = ' ';
    line[at++] = '|';
    for (size_t n = 0; n < count; ++n)
        line[at++] = bytes[n] >= 0x20 && bytes[n] < 0x7f ? static_cast<char>(bytes[n]) : '.';
    line[at++] = '|';
    if (colours != nullptr && !m_colours.empty()) {
        const size_t start = out.size();
        const size_t characters = width + 1;
        std::vector<RxColourSpan> onLine;
        for (const RxColourSpan &span : m_colours)
            if (span.begin < offset + count && span.end > offset)
                onLine.push_back({static_cast<size_t>(std::max<uint64_t>(span.begin, offset) - offset),
                                  static_cast<size_t>(std::min<uint64_t>(span.end, offset + count) - offset),
                                  span.colour});
        for (const RxColourSpan &span : onLine)
            colours->push_back({start + hexAt[span.begin], start + hexAt[span.end - 1] + 2, span.colour});
        for (const RxColourSpan &span : onLine)
            colours->push_back({start + characters + span.begin, start + characters + span.end, span.colour});
    }
    out.append(line, at);
}

void RxHexDump::Colour(size_t begin, size_t end, uint32_t colour)
{
    const uint64_t next = m_offset + m_open.size();
    if (begin < end)
        m_colours.push_back({static_cast<size_t>(next + begin), static_cast<size_t>(next + end), colour});
}

void RxHexDump::ForgetWrittenColours()
{
    const auto written = std::find_if(m_colours.begin(), m_colours.end(),
                                      [this](const RxColourSpan &span) { return span.end > m_offset; });
    m_colours.erase(m_colours.begin(), written);
}

void RxHexDump::Append(const uint8_t *data, size_t size, std::string &completed, std::vector<RxColourSpan> *colours)
{
    size_t at = 0;
    if (!m_open.empty()) {
        const size_t take = std::min(size, kHexDumpBytesPerLine - m_open.size());
        m_open.insert(m_open.end(), data, data + take);
        at = take;
        if (m_open.size() < kHexDumpBytesPerLine)
            return;
        AppendLine(m_offset, m_open.data(), m_open.size(), completed, colours);
        completed += '\n';
        m_offset += kHexDumpBytesPerLine;
        m_open.clear();
    }
    for (; size - at >= kHexDumpBytesPerLine; at += kHexDumpBytesPerLine) {
        AppendLine(m_offset, data + at, kHexDumpBytesPerLine, completed, colours);
        completed += '\n';
        m_offset += kHexDumpBytesPerLine;
    }
    m_open.assign(data + at, data + size);
    ForgetWrittenColours();
}

std::string RxHexDump::OpenLine() const
{
    std::string line;
    if (!m_open.empty())
        AppendLine(m_offset, m_open.data(), m_open.size(), line, nullptr);
    return line;
}

void RxHexDump::AppendOpenLine(std::string &out, std::vector<RxColourSpan> &colours) const
{
    if (!m_open.empty())
        AppendLine(m_offset, m_open.data(), m_open.size(), out, &colours);
}

void RxHexDump::EndLine()
{
    m_offset += m_open.size();
    m_open.clear();
    ForgetWrittenColours();
}

void RxHexDump::Reset()
{
    m_offset = 0;
    m_open.clear();
    m_colours.clear();
}
