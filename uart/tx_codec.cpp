#include "uart/tx_codec.h"

#include <cstdio>
#include <cstdlib>

namespace {

size_t Utf8Length(const std::wstring &text)
{
    size_t bytes = 0;
    for (const wchar_t character : text) {
        const auto code = static_cast<uint32_t>(character);
        bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    }
    return bytes;
}

// A narrow copy for the runtime library's number reading; characters beyond
// ASCII can never be digits, so any non-digit stands in for them.
std::string Narrow(const std::wstring &text)
{
    std::string narrow;
    narrow.reserve(text.size());
    for (const wchar_t character : text)
        narrow.push_back(static_cast<uint32_t>(character) < 0x80 ? static_cast<char>(character) : '?');
    return narrow;
}

long ReadNumber(const std::wstring &group, int base)
{
    return std::strtol(Narrow(group).c_str(), nullptr, base);
}

// UTF-8 of a text, for the messages that quote what was typed.
std::string ToUtf8(const std::wstring &text)
{
    std::string utf8;
    for (const wchar_t character : text) {
        const auto code = static_cast<uint32_t>(character);
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (code >> 18));
            utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

bool IsDigitOf(wchar_t character, Notation notation)
{
    switch (notation) {
    case NotationHex:
        return (character >= L'0' && character <= L'9') || (character >= L'a' && character <= L'f') ||
               (character >= L'A' && character <= L'F');
    case NotationBinary:
        return character == L'0' || character == L'1';
    default:
        return character >= L'0' && character <= L'9';
    }
}

// The refusal of a group holding a character that is no digit of its
// notation: the encoder would read such a group as some other number, or 0.
std::string CheckDigits(const std::wstring &group, Notation notation)
{
    for (const wchar_t character : group)
        if (!IsDigitOf(character, notation)) {
            const char *names[] = {"", "hex", "binary", "decimal"};
            const char *digits[] = {"", "0-9, a-f, A-F", "0 and 1", "0-9"};
            return std::string("Invalid ") + names[notation] + " group '" + ToUtf8(group) + "': use only the digits " +
                   digits[notation];
        }
    return std::string();
}

// The refusal of an ASCII text with a character that is no single byte: the
// encoder would send only its low 8 bits, another character.
std::string CheckSingleBytes(const std::wstring &text)
{
    for (const wchar_t character : text)
        if (static_cast<uint32_t>(character) > 0xFF) {
            char code[16];
            std::snprintf(code, sizeof(code), "U+%04X", static_cast<unsigned>(character));
            return "The character '" + ToUtf8(std::wstring(1, character)) + "' (" + code +
                   ") is not one byte: use Hex for such bytes";
        }
    return std::string();
}

int BaseOf(int notation)
{
    switch (notation) {
    case NotationHex:
        return 16;
    case NotationBinary:
        return 2;
    default:
        return 10;
    }
}

} // namespace

std::vector<std::wstring> SplitGroups(const std::wstring &text)
{
    std::vector<std::wstring> groups;
    size_t start = text.find_first_not_of(L' ');
    while (start != std::wstring::npos) {
        const size_t end = text.find(L' ', start);
        groups.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        start = end == std::wstring::npos ? end : text.find_first_not_of(L' ', end);
    }
    return groups;
}

std::string CheckTypedMessage(const std::wstring &text, Notation notation)
{
    if (text.find_first_not_of(L' ') == std::wstring::npos)
        return "Invalid blank input";
    if (notation == NotationAscii)
        return Utf8Length(text) > kMaxMessageBytes ? "Max 128 bytes" : CheckSingleBytes(text);
    for (const std::wstring &group : SplitGroups(text)) {
        if (notation == NotationHex && group.size() > 2)
            return "Hex can be length max 2 digits";
        if (notation == NotationBinary && group.size() > 8)
            return "Binary can be length max 8 digits";
        if (notation == NotationDecimal && ReadNumber(group, 10) > 255)
            return "Decimal value max 255";
        std::string refusal = CheckDigits(group, notation);
        if (!refusal.empty())
            return refusal;
    }
    return std::string();
}

const char *LineEndingName(int ending)
{
    static const char *const names[kLineEndingCount] = {"none", "CR", "LF", "CR LF"};
    return ending > LineEndingNone && ending < kLineEndingCount ? names[ending] : names[LineEndingNone];
}

const char *LineEndingBytes(int ending)
{
    static const char *const bytes[kLineEndingCount] = {"", "\r", "\n", "\r\n"};
    return ending > LineEndingNone && ending < kLineEndingCount ? bytes[ending] : bytes[LineEndingNone];
}

std::vector<uint8_t> EncodeMessage(const std::wstring &text, int notation, int ending)
{
    std::vector<uint8_t> bytes;
    if (notation == NotationAscii) {
        const std::string tail = LineEndingBytes(ending);
        bytes.reserve(text.size() + tail.size());
        for (const wchar_t character : text)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(character) & 0xFFU));
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    }
    if (notation < NotationHex || notation > NotationDecimal)
        return bytes;
    const int base = BaseOf(notation);
    for (const std::wstring &group : SplitGroups(text))
        bytes.push_back(static_cast<uint8_t>(static_cast<unsigned long>(ReadNumber(group, base)) & 0xFFU));
    return bytes;
}

std::wstring MessageListLabel(const std::wstring &text, int notation, int ending)
{
    static const wchar_t *const names[kNotationCount] = {L"ASCII", L"Hex", L"Binary", L"Decimal"};
    std::wstring label = text + L" (" + (notation > NotationAscii && notation < kNotationCount ? names[notation]
                                                                                                : names[0]);
    if (notation == NotationAscii && ending > LineEndingNone && ending < kLineEndingCount) {
        const std::string name = LineEndingName(ending);
        label += L", " + std::wstring(name.begin(), name.end());
    }
    return label + L")";
}
