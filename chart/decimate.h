// Decimation to the plot's pixel columns: a line through every point of a
// column would paint that column over and over; its first, lowest, highest
// and last points paint the same pixels. The points just outside the span
// are kept so that the line runs on to the edges.
#ifndef ORV_CHART_DECIMATE_H
#define ORV_CHART_DECIMATE_H

#include "chart/series_store.h"
#include "chart/value_axis.h"
#include "chart/view_mapping.h"

#include <optional>
#include <vector>

struct PlotPoint {
    double x; // in pixels
    double value;
};

struct Decimated {
    std::vector<PlotPoint> points; // in time order
    // The lowest and highest value within the span (not of the points
    // outside it); nullopt when none is within.
    std::optional<ValueRange> extent;
};

// `out` is reused between calls, so that a redraw allocates nothing.
void DecimateToColumns(const SeriesPoints &points, TimeSpan span, const PlotArea &area, Decimated &out);

#endif
