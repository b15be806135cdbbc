#include "uart/rx_render.h"

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
                        bool &lineStart, RxViewTexts &views)
{
    for (int view = 0; view < kNotationCount; ++view) {
        std::string &text = views[static_cast<size_t>(view)];
        if (options.timestamp && (options.wrap || lineStart)) {
            if (!options.wrap)
                text += '\n';
            text += stamp;
            text += " [RX] - ";
            lineStart = false;
        }
        AppendRendered(static_cast<Notation>(view), data, size, text);
        if (options.wrap) {
            text += '\n';
            if (options.timestamp)
                lineStart = true;
        }
    }
}
