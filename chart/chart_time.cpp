#include "chart/chart_time.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Days since 1970-01-01 to a proleptic Gregorian date (the well-known
// era-based conversion, exact for every day an int64 time can name).
void CivilFromDays(TimeUs days, ClockFields &fields)
{
    days += 719468;
    const TimeUs era = FloorDiv(days, 146097);
    const TimeUs dayOfEra = days - era * 146097;
    const TimeUs yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const TimeUs dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const TimeUs monthIndex = (5 * dayOfYear + 2) / 153;
    fields.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    fields.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    fields.year = static_cast<int>(yearOfEra + era * 400 + (fields.month <= 2 ? 1 : 0));
}

} // namespace

long LocalUtcOffset(TimeUs when)
{
    const std::time_t seconds = static_cast<std::time_t>(FloorDiv(when, kSecondUs));
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return 0;
    return local.tm_gmtoff;
}

TimeUs NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

ClockFields LocalFields(TimeUs when, long offsetSeconds)
{
    const TimeUs local = when + static_cast<TimeUs>(offsetSeconds) * kSecondUs;
    const TimeUs days = FloorDiv(local, kDayUs);
    const TimeUs ofDay = local - days * kDayUs;
    ClockFields fields;
    CivilFromDays(days, fields);
    fields.hour = static_cast<int>(ofDay / kHourUs);
    fields.minute = static_cast<int>(ofDay % kHourUs / kMinuteUs);
    fields.second = static_cast<int>(ofDay % kMinuteUs / kSecondUs);
    fields.millisecond = static_cast<int>(ofDay % kSecondUs / kMillisecondUs);
    return fields;
}

std::string IsoTime(TimeUs when, long offsetSeconds)
{
    const ClockFields f = LocalFields(when, offsetSeconds);
    const long offsetMinutes = std::labs(offsetSeconds) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld", f.year, f.month, f.day, f.hour,
                  f.minute, f.second, f.millisecond, offsetSeconds < 0 ? '-' : '+', offsetMinutes / 60,
                  offsetMinutes % 60);
    return text;
}
