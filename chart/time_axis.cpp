#include "chart/time_axis.h"

#include "chart/value_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The steps shorter than a day, each dividing a day evenly.
constexpr TimeUs kClockSteps[] = {
    1 * kMillisecondUs, 2 * kMillisecondUs, 5 * kMillisecondUs, 10 * kMillisecondUs, 20 * kMillisecondUs,
    50 * kMillisecondUs, 100 * kMillisecondUs, 200 * kMillisecondUs, 500 * kMillisecondUs, kSecondUs,
    2 * kSecondUs, 5 * kSecondUs, 10 * kSecondUs, 15 * kSecondUs, 30 * kSecondUs, kMinuteUs, 2 * kMinuteUs,
    5 * kMinuteUs, 10 * kMinuteUs, 15 * kMinuteUs, 30 * kMinuteUs, kHourUs, 2 * kHourUs, 3 * kHourUs,
    6 * kHourUs, 12 * kHourUs};

TimeUs ChooseStep(TimeUs span, int maxTicks)
{
    for (const TimeUs step : kClockSteps)
        if (span / step <= maxTicks)
            return step;
    const double days = static_cast<double>(span) / static_cast<double>(kDayUs);
    return static_cast<TimeUs>(std::max(1.0, NiceStep(days, maxTicks))) * kDayUs;
}

// The UTC time at which the local clock shows `local`; near a change of
// the offset, the offset after the change.
TimeUs FromLocal(TimeUs local, const UtcOffset &offset)
{
    const TimeUs guess = local - offset(local) * kSecondUs;
    return local - offset(guess) * kSecondUs;
}

} // namespace

TimePrecision PrecisionOfStep(TimeUs step)
{
    if (step < kSecondUs)
        return TimePrecision::Milliseconds;
    if (step < kMinuteUs)
        return TimePrecision::Seconds;
    if (step < kDayUs)
        return TimePrecision::Minutes;
    return TimePrecision::Days;
}

TimeTicks PlaceTimeTicks(TimeUs start, TimeUs end, int maxTicks, const UtcOffset &offset)
{
    TimeTicks ticks;
    if (end <= start)
        return ticks;
    maxTicks = std::max(1, maxTicks);
    ticks.step = ChooseStep(end - start, maxTicks);
    ticks.precision = PrecisionOfStep(ticks.step);
    // Counted on the local clock: a tick is a multiple of the step there.
    const TimeUs localStart = start + offset(start) * kSecondUs;
    TimeUs local = -FloorDiv(-localStart, ticks.step) * ticks.step;
    // Bounded: the step fits the span at most maxTicks times; a change of
    // the offset within the span can add one or two.
    for (int count = 0; count <= maxTicks + 2; ++count, local += ticks.step) {
        const TimeUs at = FromLocal(local, offset);
        if (at > end)
            break;
        if (at >= start && (ticks.at.empty() || at > ticks.at.back()))
            ticks.at.push_back(at);
    }
    return ticks;
}

std::string TimeLabel(TimeUs when, TimePrecision precision, long offsetSeconds)
{
    const ClockFields f = LocalFields(when, offsetSeconds);
    char text[32];
    switch (precision) {
    case TimePrecision::Days:
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", f.year, f.month, f.day);
        break;
    case TimePrecision::Minutes:
        std::snprintf(text, sizeof text, "%02d:%02d", f.hour, f.minute);
        break;
    case TimePrecision::Seconds:
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", f.hour, f.minute, f.second);
        break;
    case TimePrecision::Milliseconds:
        std::snprintf(text, sizeof text, "%02d.%03d", f.second, f.millisecond);
        break;
    }
    return text;
}

std::string CursorTimeLabel(TimeUs when, long offsetSeconds)
{
    const ClockFields f = LocalFields(when, offsetSeconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", f.year, f.month, f.day, f.hour, f.minute,
                  f.second, f.millisecond);
    return text;
}
