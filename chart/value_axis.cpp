#include "chart/value_axis.h"

#include <algorithm>
#include <cmath>
#include <charconv>

namespace {

constexpr double kSteps[] = {1, 2, 5};
// Ticks are generated from integers; a range that would need more is drawn
// without them rather than looped over for long.
constexpr int kMostTicks = 1000;

// The nice step at or above `step`.
double NiceAtOrAbove(double step)
{
    const double decade = std::pow(10.0, std::floor(std::log10(step)));
    for (const double multiple : kSteps)
        if (multiple * decade >= step * (1 - 1e-12))
            return multiple * decade;
    return 10 * decade;
}

} // namespace

double NiceStep(double span, int maxTicks)
{
    maxTicks = std::max(1, maxTicks);
    if (!(span > 0) || !std::isfinite(span))
        return 1;
    const double raw = span / maxTicks;
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    return NiceAtOrAbove(raw);
}

ValueRange AutoRange(std::optional<ValueRange> data, int maxTicks)
{
    if (!data || !(data->low <= data->high))
        return {0, 1};
    double low = data->low;
    double high = data->high;
    if (low == high) {
        const double room = low == 0 ? 1 : std::fabs(low) * 0.05;
        low -= room;
        high += room;
    }
    if (!std::isfinite(high - low))
        return {low, high};
    maxTicks = std::max(1, maxTicks);
    double step = NiceStep(high - low, maxTicks);
    // Rounding out can add an interval at each end: take the next step up
    // until the bounds fit the count.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const double niceLow = std::floor(low / step) * step;
        const double niceHigh = std::ceil(high / step) * step;
        if ((niceHigh - niceLow) / step <= maxTicks + 1e-9)
            return {niceLow, niceHigh};
        step = NiceAtOrAbove(step * 1.5);
    }
    return {low, high};
}

ValueRange ResolveScale(const ScaleSetting &setting, std::optional<ValueRange> data, int maxTicks)
{
    return setting.fixed ? setting.range : AutoRange(data, maxTicks);
}

ValueTicks PlaceValueTicks(ValueRange range, int maxTicks)
{
    ValueTicks ticks;
    const double span = range.high - range.low;
    if (!(span > 0) || !std::isfinite(span))
        return ticks;
    ticks.step = NiceStep(span, maxTicks);
    const double first = std::ceil(range.low / ticks.step - 1e-9);
    const double last = std::floor(range.high / ticks.step + 1e-9);
    if (!(last - first < kMostTicks))
        return ticks;
    for (double k = first; k <= last; ++k) {
        const double value = k * ticks.step;
        ticks.at.push_back(k == 0 ? 0.0 : value);
    }
    return ticks;
}

std::string ValueTickLabel(double value, double step)
{
    // Locale-free, like every number the chart writes.
    char text[48];
    const double magnitude = std::max(std::fabs(value), std::fabs(step));
    if (!(step > 0) || magnitude >= 1e15 || step < 1e-9)
        return std::string(text, std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr);
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    // A value that rounds to zero prints as "0", not "-0".
    if (std::fabs(value) < step * 1e-6)
        value = 0;
    return std::string(text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr);
}

std::optional<ValueRange> Union(std::optional<ValueRange> a, std::optional<ValueRange> b)
{
    if (!a)
        return b;
    if (!b)
        return a;
    return ValueRange{std::min(a->low, b->low), std::max(a->high, b->high)};
}
