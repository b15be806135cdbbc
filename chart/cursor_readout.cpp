#include "chart/cursor_readout.h"

#include "chart/number_text.h"

std::optional<size_t> NearestPoint(const SeriesPoints &points, TimeUs time)
{
    if (points.empty())
        return std::nullopt;
    const size_t after = points.LowerBound(time);
    if (after == 0)
        return 0;
    if (after == points.size())
        return after - 1;
    return time - points[after - 1].time <= points[after].time - time ? after - 1 : after;
}

std::string ReadoutText(double value)
{
    return RoundedText(value, 10);
}

std::string ReadoutLine(const std::string &name, const SeriesPoints &points, TimeUs time)
{
    const std::optional<size_t> nearest = NearestPoint(points, time);
    return name + ": " + (nearest ? ReadoutText(points[*nearest].value) : std::string("-"));
}
