#include "uart/rx_hex_dump.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr char kDigits[] = "0123456789abcdef";
// The offset, the 16 byte columns with one extra blank after the eighth, and
// the blanks before the characters.
constexpr size_t kCharactersColumn = 8 + 2 + kHexDumpBytesPerLine * 3 + 1 + 1;

} // namespace

void RxHexDump::AppendLine(uint64_t offset, const uint8_t *bytes, size_t count, std::string &out) const
{
    const size_t lineStart = out.size();
    char number[24];
    std::snprintf(number, sizeof(number), "%08llx ", static_cast<unsigned long long>(offset));
    out += number;
    for (size_t n = 0; n < count; ++n) {
        out += n == kHexDumpBytesPerLine / 2 ? "  " : " ";
        out += kDigits[bytes[n] >> 4];
        out += kDigits[bytes[n] & 0x0f];
    }
    // Offsets beyond eight digits push the columns right on their lines only.
    const size_t width = kCharactersColumn + (std::string(number).size() - 9);
    out.append(width - (out.size() - lineStart), ' ');
    out += '|';
    for (size_t n = 0; n < count; ++n)
        out += bytes[n] >= 0x20 && bytes[n] < 0x7f ? static_cast<char>(bytes[n]) : '.';
    out += '|';
}

void RxHexDump::Append(const uint8_t *data, size_t size, std::string &completed)
{
    size_t at = 0;
    if (!m_open.empty()) {
        const size_t take = std::min(size, kHexDumpBytesPerLine - m_open.size());
        m_open.insert(m_open.end(), data, data + take);
        at = take;
        if (m_open.size() < kHexDumpBytesPerLine)
            return;
        AppendLine(m_offset, m_open.data(), m_open.size(), completed);
        completed += '\n';
        m_offset += kHexDumpBytesPerLine;
        m_open.clear();
    }
    for (; size - at >= kHexDumpBytesPerLine; at += kHexDumpBytesPerLine) {
        AppendLine(m_offset, data + at, kHexDumpBytesPerLine, completed);
        completed += '\n';
        m_offset += kHexDumpBytesPerLine;
    }
    m_open.assign(data + at, data + size);
}

std::string RxHexDump::OpenLine() const
{
    std::string line;
    if (!m_open.empty())
        AppendLine(m_offset, m_open.data(), m_open.size(), line);
    return line;
}

void RxHexDump::EndLine()
{
    m_offset += m_open.size();
    m_open.clear();
}

void RxHexDump::Reset()
{
    m_offset = 0;
    m_open.clear();
}
