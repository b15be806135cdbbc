// The time axis: ticks on round times of the local clock, and labels whose
// precision follows the step between them.
#ifndef ORV_CHART_TIME_AXIS_H
#define ORV_CHART_TIME_AXIS_H

#include "chart/chart_time.h"

#include <string>
#include <vector>

enum class TimePrecision {
    Days,        // "2026-12-09"
    Minutes,     // "10:15"
    Seconds,     // "10:15:02"
    Milliseconds // "02.125"
};

struct TimeTicks {
    std::vector<TimeUs> at;
    TimeUs step = 0;
    TimePrecision precision = TimePrecision::Seconds;
};

// Ticks within [start, end] at most `maxTicks` intervals apart: every 1, 2,
// 5, 10 ... ms, 1, 2, 5, 10, 15, 30 s or min, 1, 2, 3, 6, 12 h, or whole
// days, counted on the local clock (so an hourly tick falls on the local
// hour also in a zone half an hour off UTC).
TimeTicks PlaceTimeTicks(TimeUs start, TimeUs end, int maxTicks, const UtcOffset &offset);

TimePrecision PrecisionOfStep(TimeUs step);
std::string TimeLabel(TimeUs when, TimePrecision precision, long offsetSeconds);

// The cursor's time, whole: "2026-12-09 10:15:02.125".
std::string CursorTimeLabel(TimeUs when, long offsetSeconds);

#endif
