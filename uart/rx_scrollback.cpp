#include "uart/rx_scrollback.h"

namespace {

// Runs are kept below this size, so that the front one can go whole and a
// partly dropped one wastes little.
constexpr size_t kRunBytes = 64 * 1024;

bool IsContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xc0) == 0x80;
}

} // namespace

size_t CountChars(const char *data, size_t size)
{
    size_t chars = 0;
    for (size_t i = 0; i < size; ++i)
        chars += IsContinuation(data[i]) ? 0 : 1;
    return chars;
}

size_t RxScrollback::Append(const std::string &text, uint32_t colour)
{
    const size_t lastEnd = text.find_last_of("\r\n");
    if (lastEnd == std::string::npos)
        m_openLine += CountChars(text.data(), text.size());
    else
        m_openLine = CountChars(text.data() + lastEnd + 1, text.size() - lastEnd - 1);

    for (size_t at = 0; at < text.size();) {
        if (m_runs.empty() || m_runs.back().colour != colour || m_runs.back().utf8.size() + 4 > kRunBytes) {
            if (!m_runs.empty())
                m_runs.back().utf8.shrink_to_fit();
            m_runs.push_back({colour, std::string(), 0, 0});
        }
        Run &run = m_runs.back();
        size_t take = std::min(text.size() - at, kRunBytes - run.utf8.size());
        while (at + take < text.size() && IsContinuation(text[at + take]))
            --take;
        const size_t chars = CountChars(text.data() + at, take);
        run.utf8.append(text, at, take);
        run.chars += chars;
        m_chars += chars;
        at += take;
    }
    return Trim();
}

void RxScrollback::Clear()
{
    m_runs.clear();
    m_chars = 0;
    m_openLine = 0;
}

std::vector<RxScrollback::Piece> RxScrollback::Pieces() const
{
    std::vector<Piece> pieces;
    pieces.reserve(m_runs.size());
    for (const Run &run : m_runs)
        pieces.push_back({run.utf8.data() + run.begin, run.utf8.size() - run.begin, run.colour});
    return pieces;
}

std::string RxScrollback::Text() const
{
    std::string text;
    for (const Run &run : m_runs)
        text.append(run.utf8, run.begin, std::string::npos);
    return text;
}

// Cuts after the first line end at or past the excess, or, when the excess
// reaches into the open line, after the last line end.
size_t RxScrollback::Trim()
{
    if (m_chars <= m_limit)
        return 0;
    const size_t excess = m_chars - m_limit;
    const size_t whole = m_chars - m_openLine;
    if (whole == 0)
        return 0;
    if (excess >= whole) {
        DropChars(whole);
        return whole;
    }
    DropChars(excess - 1);
    const size_t rest = CharsThroughFirstLineEnd();
    DropChars(rest);
    return excess - 1 + rest;
}

void RxScrollback::DropChars(size_t count)
{
    m_chars -= count;
    while (count > 0 && m_runs.front().chars <= count) {
        count -= m_runs.front().chars;
        m_runs.pop_front();
    }
    if (count == 0)
        return;
    Run &run = m_runs.front();
    run.chars -= count;
    while (count > 0) {
        ++run.begin;
        while (run.begin < run.utf8.size() && IsContinuation(run.utf8[run.begin]))
            ++run.begin;
        --count;
    }
}

// A "\r\n" pair counts as one line end.
size_t RxScrollback::CharsThroughFirstLineEnd() const
{
    size_t chars = 0;
    bool afterReturn = false;
    for (const Run &run : m_runs)
        for (size_t i = run.begin; i < run.utf8.size(); ++i) {
            const char byte = run.utf8[i];
            if (afterReturn)
                return byte == '\n' ? chars + 1 : chars;
            chars += IsContinuation(byte) ? 0 : 1;
            if (byte == '\n')
                return chars;
            afterReturn = byte == '\r';
        }
    return chars;
}
