#include "modbus/form_number.h"

#include <cstddef>
#include <limits>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

int32_t ReadFormNumber(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated as a magnitude that stops growing one past INT32_MAX, which
    // leaves room for INT32_MIN and keeps any number of digits from overflowing.
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

std::string MissingNumberReason(const std::string &text, const std::string &field)
{
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    if (i == text.size())
        return field + " is empty";
    if (text[i] == '+' || text[i] == '-')
        ++i;
    return i < text.size() && IsDigit(text[i]) ? "" : field + " is no number";
}

std::optional<uint16_t> FieldAddress(const std::string &text)
{
    const int32_t value = ReadFormNumber(text);
    if (value < 0 || value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

std::optional<uint16_t> FieldRegisterValue(const std::string &text)
{
    const int32_t value = ReadFormNumber(text);
    if (value < -0x8000 || value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFFu);
}

uint8_t ReadCoilCell(const std::string &text)
{
    return static_cast<uint8_t>(static_cast<uint32_t>(ReadFormNumber(text)) & 0xFFu);
}

uint16_t ReadRegisterCell(const std::string &text)
{
    return static_cast<uint16_t>(static_cast<uint32_t>(ReadFormNumber(text)) & 0xFFFFu);
}
