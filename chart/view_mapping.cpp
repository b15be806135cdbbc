#include "chart/view_mapping.h"

#include <algorithm>
#include <cmath>

namespace {

// A value range keeps this much of its magnitude, so that zooming never
// reaches the resolution of a double.
constexpr double kNarrowestRelative = 1e-9;
constexpr double kNarrowestAbsolute = 1e-12;

TimeUs Clamp(double span)
{
    return static_cast<TimeUs>(
        std::clamp(span, static_cast<double>(kShortestSpan), static_cast<double>(kLongestSpan)));
}

} // namespace

double TimeToX(TimeUs time, TimeSpan span, const PlotArea &area)
{
    const double width = static_cast<double>(std::max<TimeUs>(1, span.end - span.start));
    return area.left + static_cast<double>(time - span.start) * area.width / width;
}

TimeUs XToTime(double x, TimeSpan span, const PlotArea &area)
{
    const double width = static_cast<double>(span.end - span.start);
    return span.start + static_cast<TimeUs>(std::llround((x - area.left) * width / std::max(1.0, area.width)));
}

double ValueToY(double value, ValueRange range, const PlotArea &area)
{
    const double span = range.high - range.low;
    if (!(span > 0))
        return area.top + area.height / 2;
    return area.top + (range.high - value) * area.height / span;
}

double YToValue(double y, ValueRange range, const PlotArea &area)
{
    return range.high - (y - area.top) * (range.high - range.low) / std::max(1.0, area.height);
}

TimeSpan ZoomTime(TimeSpan span, double factor, TimeUs anchor)
{
    const TimeUs width = span.end - span.start;
    const TimeUs zoomed = Clamp(static_cast<double>(width) * factor);
    const double share = width > 0 ? static_cast<double>(anchor - span.start) / static_cast<double>(width) : 0.5;
    const TimeUs start = anchor - static_cast<TimeUs>(std::llround(share * static_cast<double>(zoomed)));
    return {start, start + zoomed};
}

TimeSpan PanTime(TimeSpan span, double fraction)
{
    const TimeUs shift = static_cast<TimeUs>(std::llround(static_cast<double>(span.end - span.start) * fraction));
    return {span.start + shift, span.end + shift};
}

ValueRange ZoomValues(ValueRange range, double factor, double anchor)
{
    const double span = range.high - range.low;
    const double narrowest =
        std::max(kNarrowestAbsolute, kNarrowestRelative * std::max(std::fabs(range.low), std::fabs(range.high)));
    const double zoomed = std::max(narrowest, span * factor);
    if (!std::isfinite(zoomed) || !(span > 0))
        return range;
    const double share = (anchor - range.low) / span;
    const double low = anchor - share * zoomed;
    return {low, low + zoomed};
}

ValueRange PanValues(ValueRange range, double fraction)
{
    const double shift = (range.high - range.low) * fraction;
    if (!std::isfinite(range.low + shift) || !std::isfinite(range.high + shift))
        return range;
    return {range.low + shift, range.high + shift};
}

TimeSpan WholeSpan(std::optional<TimeSpan> data, TimeUs now)
{
    if (!data)
        return {now - kMinuteUs, now};
    const TimeUs width = std::clamp(data->end - data->start, kSecondUs, kLongestSpan);
    return {data->end - width, data->end};
}

namespace {

// The smallest power of two above a 128th of the width: 64 to 128 steps across it.
TimeUs WidthStep(TimeUs width)
{
    TimeUs step = 1;
    while (step <= width / 128)
        step *= 2;
    return step;
}

TimeUs RoundUp(TimeUs time, TimeUs step)
{
    const TimeUs steps = time / step; // towards zero: below a positive time, above a negative one
    return (steps * step < time ? steps + 1 : steps) * step;
}

} // namespace

TimeUs SteppedWidth(TimeUs width)
{
    width = std::max<TimeUs>(1, width);
    return RoundUp(width, WidthStep(width));
}

TimeSpan GrowingWholeSpan(std::optional<TimeSpan> data, TimeUs now, bool dropping)
{
    const TimeSpan whole = WholeSpan(data, now);
    if (!dropping)
        return {whole.start, whole.start + SteppedWidth(whole.end - whole.start)};
    const TimeUs step = WidthStep(whole.end - whole.start);
    const TimeUs start = RoundUp(whole.start, step);
    return {start, std::max(start + step, RoundUp(whole.end, step))};
}
