#include "uart/periodic_settings.h"

#include <climits>

#include "uart/leading_integer.h"

namespace {

// Large enough for any 3-digit field, small enough that x 1000 fits an int.
constexpr long kLargest = INT_MAX / 1000;

long LeadingNumber(const std::string &text)
{
    const LeadingInteger number = ScanLeadingInteger(text);
    long value = 0;
    for (const char digit : number.digits)
        if (value < kLargest)
            value = value * 10 + (digit - '0');
    if (value > kLargest)
        value = kLargest;
    return number.negative ? -value : value;
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
