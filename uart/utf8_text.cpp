#include "uart/utf8_text.h"

#include <cstdint>
#include <cstdio>

std::string Utf8FromWide(const std::wstring &text)
{
    std::string bytes;
    for (const wchar_t character : text) {
        const auto code = static_cast<uint32_t>(character);
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | (code >> 6));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | (code >> 12));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | ((code >> 18) & 0x07));
            bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

bool IsUtf8(const std::string &bytes)
{
    return WideFromUtf8(bytes).has_value();
}

std::optional<std::wstring> WideFromUtf8(const std::string &bytes)
{
    std::wstring text;
    for (size_t at = 0; at < bytes.size();) {
        const auto lead = static_cast<uint8_t>(bytes[at]);
        const size_t extra =
            lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 4;
        if (extra > 3 || bytes.size() - at <= extra)
            return std::nullopt;
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (size_t n = 1; n <= extra; ++n) {
            const auto next = static_cast<uint8_t>(bytes[at + n]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        text += static_cast<wchar_t>(code);
        at += extra + 1;
    }
    return text;
}

std::optional<std::string> Latin1FromWide(const std::wstring &text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t character : text) {
        if (static_cast<uint32_t>(character) > 0xFF)
            return std::nullopt;
        bytes += static_cast<char>(static_cast<uint8_t>(character));
    }
    return bytes;
}

std::string OneByteRefusal(const std::wstring &text)
{
    for (const wchar_t character : text)
        if (static_cast<uint32_t>(character) > 0xFF) {
            char code[16];
            std::snprintf(code, sizeof(code), "U+%04X", static_cast<unsigned>(character));
            return "the character '" + Utf8FromWide(std::wstring(1, character)) + "' (" + code +
                   ") is not one byte";
        }
    return std::string();
}
