// Between data and pixels: where a time or a value lands in the plot, and
// the spans that zooming and panning make. Pure functions.
#ifndef ORV_CHART_VIEW_MAPPING_H
#define ORV_CHART_VIEW_MAPPING_H

#include "chart/series_store.h"
#include "chart/value_axis.h"

// The plot's rectangle in pixels.
struct PlotArea {
    double left = 0;
    double top = 0;
    double width = 1;
    double height = 1;
};

// Zooming stops at a millisecond across and at a thousand days.
constexpr TimeUs kShortestSpan = kMillisecondUs;
constexpr TimeUs kLongestSpan = 1000 * kDayUs;

double TimeToX(TimeUs time, TimeSpan span, const PlotArea &area);
TimeUs XToTime(double x, TimeSpan span, const PlotArea &area);
// Larger values higher up.
double ValueToY(double value, ValueRange range, const PlotArea &area);
double YToValue(double y, ValueRange range, const PlotArea &area);

// `factor` below 1 zooms in; the anchor keeps its place on the axis.
TimeSpan ZoomTime(TimeSpan span, double factor, TimeUs anchor);
// Moves by a fraction of the width; positive is later.
TimeSpan PanTime(TimeSpan span, double fraction);
ValueRange ZoomValues(ValueRange range, double factor, double anchor);
// Moves by a fraction of the height; positive is higher.
ValueRange PanValues(ValueRange range, double fraction);

// The span that shows all of the given data (at least a second across,
// ending at the newest point), or the minute before `now` without data.
TimeSpan WholeSpan(std::optional<TimeSpan> data, TimeUs now);

// A width rounded up to one of 64 steps per doubling: at most a 64th wider.
TimeUs SteppedWidth(TimeUs width);

// The whole span as a live view shows it: from the same start, as wide as
// WholeSpan rounded up to a step, so that while the data grow a little the
// scale holds and a redraw need only draw what came. While the store drops
// its oldest points (`dropping`), both ends are on the steps, the start at
// or after the oldest point, so that the span holds for a step's time.
TimeSpan GrowingWholeSpan(std::optional<TimeSpan> data, TimeUs now, bool dropping = false);

#endif
