// Time as the chart keeps it: microseconds since the Unix epoch (UTC), and
// the local clock's fields of such a time for a given offset from UTC. The
// offset is a parameter so that labels and files can be checked in any zone.
#ifndef ORV_CHART_CHART_TIME_H
#define ORV_CHART_CHART_TIME_H

#include <cstdint>
#include <functional>
#include <string>

using TimeUs = std::int64_t;

constexpr TimeUs kMillisecondUs = 1000;
constexpr TimeUs kSecondUs = 1000 * kMillisecondUs;
constexpr TimeUs kMinuteUs = 60 * kSecondUs;
constexpr TimeUs kHourUs = 60 * kMinuteUs;
constexpr TimeUs kDayUs = 24 * kHourUs;

// Seconds east of UTC at the given time.
using UtcOffset = std::function<long(TimeUs)>;

// The system's local zone (daylight saving included).
long LocalUtcOffset(TimeUs when);
TimeUs NowUs();

struct ClockFields {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The fields of the local clock `offsetSeconds` east of UTC; the fraction is
// cut to the millisecond, never rounded up into the next second.
ClockFields LocalFields(TimeUs when, long offsetSeconds);

// "2026-12-09T10:15:02.125+01:00" (ISO 8601, extended form).
std::string IsoTime(TimeUs when, long offsetSeconds);

// Floor division, also for times before the epoch.
constexpr TimeUs FloorDiv(TimeUs value, TimeUs divisor)
{
    return value / divisor - ((value % divisor != 0 && (value < 0) != (divisor < 0)) ? 1 : 0);
}

#endif
