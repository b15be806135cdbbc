#include "uart/rx_render.h"

#include "uart/rx_scrollback.h"

#include <algorithm>
#include <string_view>

namespace {

// Per-byte texts built once: formatting one byte at a time with a printf-style
// call costs more than the rest of the receive path together.
struct ByteTexts {
    char hex[256][2];
    char binary[256][8];
    char decimal[256][3];
    uint8_t decimalLength[256];

    ByteTexts()
    {
        const char digits[] = "0123456789abcdef";
        for (int value = 0; value < 256; ++value) {
            hex[value][0] = digits[value >> 4];
            hex[value][1] = digits[value & 0x0f];
            for (int bit = 0; bit < 8; ++bit)
                binary[value][bit] = (value >> (7 - bit)) & 1 ? '1' : '0';
            const std::string text = std::to_string(value);
            decimalLength[value] = static_cast<uint8_t>(text.size());
            text.copy(decimal[value], text.size());
        }
    }
};

const ByteTexts &Texts()
{
    static const ByteTexts texts;
    return texts;
}

// ISO 8859-1 to UTF-8: the byte value is the character's code.
void AppendAscii(const uint8_t *data, size_t size, std::string &out)
{
    out.reserve(out.size() + size);
    for (size_t i = 0; i < size; ++i) {
        const uint8_t byte = data[i];
        if (byte == 0)
            continue;
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
        } else {
            out.push_back(static_cast<char>(0xc0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3f)));
        }
    }
}

template <size_t Width>
void AppendFixed(const char (&table)[256][Width], const uint8_t *data, size_t size, std::string &out)
{
    if (size == 0)
        return;
    const size_t start = out.size();
    out.resize(start + size * (Width + 1) - 1, ' ');
    char *cursor = &out[start];
    for (size_t i = 0; i < size; ++i) {
        const char *text = table[data[i]];
        for (size_t k = 0; k < Width; ++k)
            cursor[k] = text[k];
        cursor += Width + 1;
    }
}

void AppendDecimal(const uint8_t *data, size_t size, std::string &out)
{
    const ByteTexts &texts = Texts();
    out.reserve(out.size() + size * 4);
    for (size_t i = 0; i < size; ++i) {
        if (i != 0)
            out.push_back(' ');
        out.append(texts.decimal[data[i]], texts.decimalLength[data[i]]);
    }
}

constexpr std::string_view kRxMarker = " [RX] - ";

// The bytes in ASCII, a line break before a character that would pass the
// bound; the data's own line ends start a new line.
void AppendAsciiBounded(const uint8_t *data, size_t size, size_t limit, size_t &column, std::string &out)
{
    size_t from = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t byte = data[i];
        if (byte == '\n' || byte == '\r') {
            column = 0;
        } else if (byte != 0) {
            if (column >= limit) {
                AppendAscii(data + from, i - from, out);
                out += '\n';
                from = i;
                column = 0;
            }
            ++column;
        }
    }
    AppendAscii(data + from, size - from, out);
}

// Fixed-width texts separated by blanks, as many per line as fit; a line
// takes at least one byte's text.
template <size_t Width>
void AppendFixedBounded(const char (&table)[256][Width], const uint8_t *data, size_t size, size_t limit,
                        size_t &column, bool afterByte, std::string &out)
{
    bool separate = afterByte && column > 0;
    for (size_t i = 0; i < size;) {
        const size_t first = separate ? Width + 1 : Width;
        const size_t room = limit > column ? limit - column : 0;
        if (room < first && column > 0) {
            out += '\n';
            column = 0;
            separate = false;
            continue;
        }
        const size_t count = room < first ? 1 : std::min(size - i, 1 + (room - first) / (Width + 1));
        if (separate)
            out += ' ';
        AppendFixed(table, data + i, count, out);
        column += first + (count - 1) * (Width + 1);
        i += count;
        separate = true;
    }
}

void AppendDecimalBounded(const uint8_t *data, size_t size, size_t limit, size_t &column, bool afterByte,
                          std::string &out)
{
    const ByteTexts &texts = Texts();
    for (size_t i = 0; i < size; ++i) {
        const size_t length = texts.decimalLength[data[i]];
        if (i != 0 || (afterByte && column > 0)) {
            if (column + 1 + length > limit) {
                out += '\n';
                column = 0;
            } else {
                out += ' ';
                ++column;
            }
        } else if (column > 0 && column + length > limit) {
            out += '\n';
            column = 0;
        }
        out.append(texts.decimal[data[i]], length);
        column += length;
    }
}

void AppendBounded(Notation notation, const uint8_t *data, size_t size, size_t limit, size_t &column,
                   bool &afterByte, std::string &out)
{
    switch (notation) {
    case NotationAscii:
        AppendAsciiBounded(data, size, limit, column, out);
        return;
    case NotationHex:
        AppendFixedBounded(Texts().hex, data, size, limit, column, afterByte, out);
        break;
    case NotationBinary:
        AppendFixedBounded(Texts().binary, data, size, limit, column, afterByte, out);
        break;
    case NotationDecimal:
        AppendDecimalBounded(data, size, limit, column, afterByte, out);
        break;
    }
    afterByte = afterByte || size > 0;
}

// The same, marking where the cuts fall: a chunk rendered in pieces gets the
// text it gets whole, as the line state carries over from piece to piece.
void AppendBoundedCut(Notation notation, const uint8_t *data, size_t size, size_t limit, size_t &column,
                      bool &afterByte, std::string &out, const std::vector<size_t> &cuts, std::vector<size_t> &at)
{
    size_t from = 0;
    for (const size_t cut : cuts) {
        if (cut > from) {
            AppendBounded(notation, data + from, cut - from, limit, column, afterByte, out);
            from = cut;
        }
        at.push_back(out.size());
    }
    AppendBounded(notation, data + from, size - from, limit, column, afterByte, out);
}

} // namespace

void AppendRendered(Notation notation, const uint8_t *data, size_t size, std::string &out)
{
    switch (notation) {
    case NotationAscii:
        AppendAscii(data, size, out);
        break;
    case NotationHex:
        AppendFixed(Texts().hex, data, size, out);
        break;
    case NotationBinary:
        AppendFixed(Texts().binary, data, size, out);
        break;
    case NotationDecimal:
        AppendDecimal(data, size, out);
        break;
    }
}

std::string Rendered(Notation notation, const uint8_t *data, size_t size)
{
    std::string text;
    AppendRendered(notation, data, size, text);
    return text;
}

void AppendChunkToViews(const uint8_t *data, size_t size, const RxLineOptions &options, const std::string &stamp,
                        bool &lineStart, RxViewTexts &views, RxLineBound &lines, RxCuts *cuts)
{
    const size_t stampChars = CountChars(stamp.data(), stamp.size()) + kRxMarker.size();
    for (int view = 0; view < kNotationCount; ++view) {
        std::string &text = views[static_cast<size_t>(view)];
        size_t &column = lines.column[static_cast<size_t>(view)];
        bool &afterByte = lines.afterByte[static_cast<size_t>(view)];
        if (options.timestamp && (options.wrap || lineStart)) {
            if (!options.wrap) {
                text += '\n';
                column = 0;
            }
            text += stamp;
            text += kRxMarker;
            column += stampChars;
            afterByte = false;
            lineStart = false;
        }
        if (cuts != nullptr)
            AppendBoundedCut(static_cast<Notation>(view), data, size, lines.limit, column, afterByte, text,
                             cuts->bytes, cuts->at[static_cast<size_t>(view)]);
        else
            AppendBounded(static_cast<Notation>(view), data, size, lines.limit, column, afterByte, text);
        if (options.wrap) {
            text += '\n';
            column = 0;
            afterByte = false;
            if (options.timestamp)
                lineStart = true;
        }
    }
}

void AppendLinePieceToViews(const uint8_t *data, size_t size, const std::string &stamp, bool startsLine,
                            RxViewTexts &views, RxLineBound &lines, RxCuts *cuts)
{
    const size_t stampChars = CountChars(stamp.data(), stamp.size()) + kRxMarker.size();
    for (size_t view = 0; view < views.size(); ++view) {
        std::string &text = views[view];
        size_t &column = lines.column[view];
        bool &afterByte = lines.afterByte[view];
        if (startsLine) {
            // The ASCII view's line ending already broke its line.
            if (column > 0) {
                text += '\n';
                column = 0;
            }
            afterByte = false;
            if (!stamp.empty()) {
                text += stamp;
                text += kRxMarker;
                column += stampChars;
            }
        }
        if (cuts != nullptr)
            AppendBoundedCut(static_cast<Notation>(view), data, size, lines.limit, column, afterByte, text,
                             cuts->bytes, cuts->at[view]);
        else
            AppendBounded(static_cast<Notation>(view), data, size, lines.limit, column, afterByte, text);
    }
}
