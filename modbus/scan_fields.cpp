#include "modbus/scan_fields.h"

#include <cerrno>
#include <cstdlib>

std::optional<int> NumberInRange(const std::string &text, int least, int most)
{
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    if (first == std::string::npos)
        return std::nullopt;
    const std::string digits = text.substr(first, last - first + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9)
        return std::nullopt;
    const long value = std::strtol(digits.c_str(), nullptr, 10);
    if (value < least || value > most)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string RangeReason(const std::string &field, int least, int most)
{
    return field + " must be " + std::to_string(least) + " to " + std::to_string(most);
}
