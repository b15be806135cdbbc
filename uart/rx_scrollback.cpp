#include "uart/rx_scrollback.h"

#include <algorithm>

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
    m_dropped = 0;
}

void RxScrollback::DropOpenLine()
{
    m_chars -= m_openLine;
    for (size_t left = m_openLine; left > 0;) {
        Run &run = m_runs.back();
        if (run.chars <= left) {
            left -= run.chars;
            m_runs.pop_back();
            continue;
        }
        run.utf8.resize(ByteOfChar(run, run.chars - left));
        run.chars -= left;
        left = 0;
    }
    m_openLine = 0;
}

// The byte of a run's text where its `chars`-th kept character starts.
size_t RxScrollback::ByteOfChar(const Run &run, size_t chars)
{
    // A run of single-byte characters, as most received text is, needs no walk.
    if (run.utf8.size() - run.begin == run.chars)
        return run.begin + chars;
    size_t at = run.begin;
    for (; chars > 0; --chars) {
        ++at;
        while (at < run.utf8.size() && IsContinuation(run.utf8[at]))
            ++at;
    }
    return at;
}

std::vector<RxScrollback::Piece> RxScrollback::PiecesBetween(size_t begin, size_t end) const
{
    std::vector<Piece> pieces;
    size_t first = 0; // index of the run's first character
    for (const Run &run : m_runs) {
        const size_t last = first + run.chars;
        if (last > begin && first < end) {
            const size_t from = begin > first ? ByteOfChar(run, begin - first) : run.begin;
            const size_t to = end < last ? ByteOfChar(run, end - first) : run.utf8.size();
            pieces.push_back({run.utf8.data() + from, to - from, run.colour});
        }
        if (last >= end)
            break;
        first = last;
    }
    return pieces;
}

size_t RxScrollback::BlockStart(size_t end, size_t chars, size_t reach) const
{
    end = std::min(end, m_chars);
    const size_t cut = end > chars ? end - chars : 0;
    if (cut == 0)
        return 0;
    // The character before the cut decides whether a line starts there.
    size_t index = cut - 1;
    bool afterReturn = false;
    // One character past the reach tells whether a '\r' there ends its line.
    const size_t last = reach < end - cut ? cut + reach + 1 : end;
    const auto lineStart = [&](size_t at) { return at < end && at - cut <= reach ? at : cut; };
    for (const Piece &piece : PiecesBetween(index, last))
        for (size_t i = 0; i < piece.size; ++i) {
            const char byte = piece.data[i];
            if (IsContinuation(byte))
                continue;
            if (afterReturn && byte != '\n')
                return lineStart(index);
            afterReturn = byte == '\r';
            ++index;
            if (byte == '\n')
                return lineStart(index);
        }
    return afterReturn ? lineStart(index) : cut;
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
    m_dropped += count;
    while (count > 0 && m_runs.front().chars <= count) {
        count -= m_runs.front().chars;
        m_runs.pop_front();
    }
    if (count == 0)
        return;
    Run &run = m_runs.front();
    run.begin = ByteOfChar(run, count);
    run.chars -= count;
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
