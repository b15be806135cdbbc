#include "app/ip_address.h"

#include <cstdlib>

namespace ip_address {

const char *const kDottedQuadPattern = "([0-9]{1,3})([.])([0-9]{1,3})([.])([0-9]{1,3})([.])([0-9]{1,3})";

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsDigitRun(const std::string &text, std::size_t maxLength)
{
    if (text.empty() || text.size() > maxLength)
        return false;
    for (const char c : text)
        if (!IsDigit(c))
            return false;
    return true;
}

// Length of the run of digits at `pos`, counting at most `limit`.
std::size_t DigitsAt(const std::string &text, std::size_t pos, std::size_t limit)
{
    std::size_t n = 0;
    while (n < limit && pos + n < text.size() && IsDigit(text[pos + n]))
        ++n;
    return n;
}

// The four fields of a match starting exactly at `start`, if there is one.
// Only the last group has a choice of length (the others end at a dot), and
// the longest match takes up to three digits there.
std::optional<FieldTexts> MatchAt(const std::string &text, std::size_t start)
{
    FieldTexts fields;
    std::size_t pos = start;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t digits = DigitsAt(text, pos, 3);
        if (digits == 0)
            return std::nullopt;
        fields[i] = text.substr(pos, digits);
        pos += digits;
        if (i + 1 < fields.size()) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
    }
    return fields;
}

} // namespace

std::optional<FieldTexts> FindDottedQuad(const std::string &text)
{
    for (std::size_t start = 0; start < text.size(); ++start)
        if (auto fields = MatchAt(text, start))
            return fields;
    return std::nullopt;
}

bool FollowsAddressRule(const std::array<unsigned long, 4> &bytes)
{
    if (bytes[0] < 1 || bytes[0] > 223)
        return false;
    for (std::size_t i = 1; i < bytes.size(); ++i)
        if (bytes[i] > 255)
            return false;
    return true;
}

unsigned long ReadFieldUnsigned(const std::string &text)
{
    return std::strtoul(text.c_str(), nullptr, 10);
}

long ReadFieldSigned(const std::string &text)
{
    // strtol saturates at the limits of long instead of overflowing.
    return std::strtol(text.c_str(), nullptr, 10);
}

bool FieldsFormAddress(const FieldTexts &fields)
{
    std::array<unsigned long, 4> bytes{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!IsDigitRun(fields[i], 3))
            return false;
        bytes[i] = ReadFieldUnsigned(fields[i]);
    }
    return FollowsAddressRule(bytes);
}

std::string CanonicalField(const std::string &field)
{
    const std::size_t firstNonZero = field.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return field.empty() ? field : "0";
    return field.substr(firstNonZero);
}

bool IsPortText(const std::string &text)
{
    return IsDigitRun(text, 5) && ReadFieldUnsigned(text) <= 65535;
}

} // namespace ip_address
