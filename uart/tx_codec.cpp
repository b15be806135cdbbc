#include "uart/tx_codec.h"

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
    if (notation == NotationAscii && Utf8Length(text) > kMaxMessageBytes)
        return "Max 128 bytes";
    for (const std::wstring &group : SplitGroups(text)) {
        if (notation == NotationHex && group.size() > 2)
            return "Hex can be length max 2 digits";
        if (notation == NotationBinary && group.size() > 8)
            return "Binary can be length max 8 digits";
        if (notation == NotationDecimal && ReadNumber(group, 10) > 255)
            return "Decimal value max 255";
    }
    return std::string();
}

std::vector<uint8_t> EncodeMessage(const std::wstring &text, int notation)
{
    std::vector<uint8_t> bytes;
    if (notation == NotationAscii) {
        bytes.reserve(text.size());
        for (const wchar_t character : text)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(character) & 0xFFU));
        return bytes;
    }
    if (notation < NotationHex || notation > NotationDecimal)
        return bytes;
    const int base = BaseOf(notation);
    for (const std::wstring &group : SplitGroups(text))
        bytes.push_back(static_cast<uint8_t>(static_cast<unsigned long>(ReadNumber(group, base)) & 0xFFU));
    return bytes;
}
