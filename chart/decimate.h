// Decimation to the plot's pixel columns: a line through every point of a
// column would paint that column over and over; its first, lowest, highest
// and last points paint the same pixels. The points just outside the span
// are kept so that the line runs on to the edges.
#ifndef ORV_CHART_DECIMATE_H
#define ORV_CHART_DECIMATE_H

#include "chart/series_store.h"
#include "chart/value_axis.h"
#include "chart/view_mapping.h"

#include <cstdint>
#include <optional>
#include <vector>

struct PlotPoint {
    double x; // in pixels
    double value;
};

// A pixel column being decimated: the indexes of its first, lowest, highest
// and last points.
struct DecimationColumn {
    double index = 0;
    size_t first = 0;
    size_t lowest = 0;
    size_t highest = 0;
    size_t last = 0;
    double low = 0;
    double high = 0;
};

// Where a decimation stopped, so that the next one of the same points on the
// same columns can go on from there once the series has grown.
struct DecimationTrail {
    bool valid = false;
    uint64_t source = 0;     // the caller's number for the series
    uint64_t firstCount = 0; // of the point at index 0: it moves when the ring drops points
    TimeUs start = 0;        // the columns: from `start`, `perUs` pixels a microsecond
    double left = 0;
    double perUs = 0;
    size_t begin = 0; // the points read: [begin, end)
    size_t end = 0;
    size_t settled = 0;     // output points of the columns before the open one
    size_t lastEmitted = 0; // the index of the last of them
    DecimationColumn open;
    ValueRange extent;
};

struct Decimated {
    std::vector<PlotPoint> points; // in time order
    // The lowest and highest value within the span (not of the points
    // outside it); nullopt when none is within.
    std::optional<ValueRange> extent;
    DecimationTrail trail;
};

// `out` is reused between calls, so that a redraw allocates nothing.
void DecimateToColumns(const SeriesPoints &points, TimeSpan span, const PlotArea &area, Decimated &out);

// The same, going on from the last decimation into `out` where that was of
// the same `source` on the same span and columns and the points within the
// span (and the one before it) are still there, so the series has only grown
// or dropped points before them: the columns it finished are kept and only
// the newer points are read, so that a live chart's redraw costs what came,
// not the history.
void DecimateGrowing(const SeriesPoints &points, uint64_t source, TimeSpan span, const PlotArea &area,
                     Decimated &out);

#endif
