#include "uart/periodic_settings.h"

#include <cctype>
#include <climits>

namespace {

// Large enough for any 3-digit field, small enough that x 1000 fits an int.
constexpr long kLargest = INT_MAX / 1000;

long LeadingNumber(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        if (value < kLargest)
            value = value * 10 + (text[i] - '0');
    if (value > kLargest)
        value = kLargest;
    return negative ? -value : value;
}

} // namespace

int PeriodMilliseconds(const std::string &text, int unitIndex)
{
    const long value = LeadingNumber(text);
    if (value <= 0)
        return 0;
    return static_cast<int>(unitIndex == 1 ? value * 1000 : value);
}

int TotalSizeFromText(const std::string &text)
{
    return static_cast<int>(LeadingNumber(text));
}
