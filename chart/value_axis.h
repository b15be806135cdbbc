// The value axis: automatic bounds on "nice" numbers, tick places and their
// labels. Pure functions of the numbers they are given.
#ifndef ORV_CHART_VALUE_AXIS_H
#define ORV_CHART_VALUE_AXIS_H

#include <optional>
#include <string>
#include <vector>

struct ValueRange {
    double low = 0;
    double high = 1;
};

// What a scale shows: the data's own range on nice bounds, or a fixed one.
struct ScaleSetting {
    bool fixed = false;
    ValueRange range;
};

// The smallest step of 1, 2 or 5 times a power of ten that divides `span`
// into at most `maxTicks` intervals.
double NiceStep(double span, int maxTicks);

// Bounds on multiples of a nice step that hold [min, max], with at most
// `maxTicks` intervals between them. A single value gets room on both
// sides; no values (nullopt) give 0 to 1.
ValueRange AutoRange(std::optional<ValueRange> data, int maxTicks);

// The range a scale shows for the data it covers.
ValueRange ResolveScale(const ScaleSetting &setting, std::optional<ValueRange> data, int maxTicks);

struct ValueTicks {
    std::vector<double> at;
    double step = 0;
};

// The multiples of a nice step within the range, at most `maxTicks` + 1.
ValueTicks PlaceValueTicks(ValueRange range, int maxTicks);

// A tick's text with as many decimals as the step needs: "0.25" for step
// 0.05, "1500" for step 500; far beyond the usual sizes, in exponent form.
std::string ValueTickLabel(double value, double step);

// The union of two optional ranges.
std::optional<ValueRange> Union(std::optional<ValueRange> a, std::optional<ValueRange> b);

#endif
