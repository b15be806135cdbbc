#include "uart/periodic_settings.h"

#include "uart/leading_integer.h"

namespace {

// The leading number of the text, 0 when negative or absent; `limit` + 1
// for any number above `limit`.
long LeadingNumberUpTo(const std::string &text, long limit)
{
    const LeadingInteger number = ScanLeadingInteger(text);
    long value = 0;
    for (const char digit : number.digits) {
        value = value * 10 + (digit - '0');
        if (value > limit)
            return number.negative ? 0 : limit + 1;
    }
    return number.negative ? 0 : value;
}

} // namespace

int PeriodMilliseconds(const std::string &text, int unitIndex)
{
    const long factor = unitIndex == 1 ? 1000 : 1;
    const long value = LeadingNumberUpTo(text, kMaxPeriodMs / factor);
    if (value * factor > kMaxPeriodMs)
        return kPeriodTooLong;
    return static_cast<int>(value * factor);
}

int TotalSizeFromText(const std::string &text)
{
    const long value = LeadingNumberUpTo(text, kMaxTotalSize);
    return value > kMaxTotalSize ? kTotalSizeTooLarge : static_cast<int>(value);
}
