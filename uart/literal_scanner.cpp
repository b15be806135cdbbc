#include "uart/literal_scanner.h"

#include <algorithm>

void LiteralScanner::Feed(const uint8_t *data, size_t size, std::vector<StreamSpan> &found)
{
    if (m_pattern.empty())
        return;
    std::string buffer = std::move(m_tail);
    const uint64_t bufferStart = m_fed - buffer.size();
    buffer.append(reinterpret_cast<const char *>(data), size);
    const size_t length = m_pattern.size();
    size_t from = 0;
    for (size_t at = buffer.find(m_pattern); at != std::string::npos; at = buffer.find(m_pattern, from)) {
        found.push_back({bufferStart + at, bufferStart + at + length});
        from = at + length;
    }
    const size_t keep = std::max(from, buffer.size() >= length ? buffer.size() - (length - 1) : size_t{0});
    m_tail = buffer.substr(keep);
    m_fed += size;
}

std::optional<uint64_t> LiteralScanner::PendingFrom() const
{
    const size_t longest = m_pattern.empty() ? 0 : std::min(m_tail.size(), m_pattern.size() - 1);
    for (size_t length = longest; length > 0; --length)
        if (m_tail.compare(m_tail.size() - length, length, m_pattern, 0, length) == 0)
            return m_fed - length;
    return std::nullopt;
}

void LiteralScanner::Reset()
{
    m_tail.clear();
    m_fed = 0;
}
