// The text of one receive view within its scrollback limit: when the text
// passes the limit, its oldest whole lines go, so that a session of any
// length holds a bounded amount of text. Texts are UTF-8; sizes count
// characters (code points), the positions text views count in. A line ends
// at '\n' or '\r', as the text views break paragraphs.
#ifndef ORV_UART_RX_SCROLLBACK_H
#define ORV_UART_RX_SCROLLBACK_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// Characters each receive view keeps: some 12,000 lines of 80 characters.
// The shown view's cost per appended character grows with the text it
// holds, so a longer scrollback would slow the intake of a fast stream.
constexpr size_t kRxScrollbackChars = size_t{1} << 20;
// Longest display line of received text without wrapping. The text view
// lays out the line being appended to again and again while it takes in new
// text, so a stream without line breaks is only taken in as fast as one in
// short lines with display lines this short.
constexpr size_t kRxLineChars = 1024;
// With wrapping every chunk ends its line, so the chunk bounds the line: a
// wrapped 512-byte chunk with its timestamp stays whole in every notation
// (Binary takes 4,607 characters), as breaking it only costs the views.
constexpr size_t kRxWrappedLineChars = 4800;

// The display-line bound for received text: `bound`, with wrapping at least
// kRxWrappedLineChars.
inline size_t RxLineBoundFor(size_t bound, bool wrap)
{
    return wrap && bound < kRxWrappedLineChars ? kRxWrappedLineChars : bound;
}

// Characters (code points) in UTF-8 text.
size_t CountChars(const char *data, size_t size);

class RxScrollback {
public:
    struct Piece {
        const char *data;
        size_t size;
        uint32_t colour;
    };

    explicit RxScrollback(size_t limit = kRxScrollbackChars) : m_limit(limit) {}

    void SetLimit(size_t chars) { m_limit = chars; }
    // Appends text in a colour (a value the caller chooses) and returns how
    // many characters went from the front to keep within the limit. The open
    // line, the one the text ends in, never goes.
    size_t Append(const std::string &text, uint32_t colour);
    void Clear();
    // Takes the open line away (a line the caller shows again, grown).
    void DropOpenLine();
    size_t Characters() const { return m_chars; }
    // Characters after the last line end.
    size_t OpenLineChars() const { return m_openLine; }
    // Whether the open line ends in something other than a blank.
    bool OpenLineEndsInText() const
    {
        return m_openLine > 0 && m_runs.back().utf8.back() != ' ';
    }
    // The text in runs of one colour, oldest first; each is whole characters.
    std::vector<Piece> Pieces() const { return PiecesBetween(0, m_chars); }
    // The same for the characters from index `begin` up to `end` (indexes
    // count characters from the oldest one kept).
    std::vector<Piece> PiecesBetween(size_t begin, size_t end) const;
    std::string Text() const;
    // Where a block of at most `chars` characters that ends at index `end`
    // starts, moved on to the start of a line when one begins within its
    // first `reach` characters (a "\r\n" pair counts as one line end), so
    // that a view showing the block from there shows whole lines, and at
    // least `chars` - `reach` characters.
    size_t BlockStart(size_t end, size_t chars, size_t reach = SIZE_MAX) const;
    // Characters dropped from the front since the start or the last Clear:
    // with it, an index names the same character after later trims.
    uint64_t Dropped() const { return m_dropped; }

private:
    struct Run {
        uint32_t colour;
        std::string utf8;
        size_t begin; // bytes already dropped from the front
        size_t chars;
    };

    static size_t ByteOfChar(const Run &run, size_t chars);
    size_t Trim();
    void DropChars(size_t count);
    size_t CharsThroughFirstLineEnd() const;

    size_t m_limit;
    std::deque<Run> m_runs;
    size_t m_chars = 0;
    size_t m_openLine = 0;
    uint64_t m_dropped = 0;
};

#endif
