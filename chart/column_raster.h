// A line drawn column by column: the pixels it passes in each column of
// the plot, filled with coverage at their ends. However dense the data, a
// line costs the pixels it covers; the drawing library's outline of a line
// that folds back on itself in every column costs many times a frame.
#ifndef ORV_CHART_COLUMN_RASTER_H
#define ORV_CHART_COLUMN_RASTER_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct PixelPoint {
    double x;
    double y;
};

// The pixels a line covers in one column: from `top` to `bottom` (y grows
// downwards); `covered` is false where the line does not pass.
struct ColumnSpan {
    bool covered = false;
    double top = 0;
    double bottom = 0;
};

// Where a line through `line` (in x order) passes in each of `columns`
// pixel columns from `left` on; the columns before `firstColumn` are left uncovered.
void TraceColumns(const std::vector<PixelPoint> &line, double left, size_t columns, std::vector<ColumnSpan> &out,
                  size_t firstColumn = 0);

// An image of lines: RGB and alpha planes apart (as a wxImage keeps them).
struct LineLayer {
    int width = 0;
    int height = 0;
    uint8_t *rgb = nullptr;   // 3 bytes a pixel, rows from the top
    uint8_t *alpha = nullptr; // 1 byte a pixel
};

// Paints the spans from column `firstColumn` on, each widened by `halfWidth` above
// and below, over what the layer holds; `top` is the layer's first row in
// the spans' pixels. Rows partly covered get that part of the colour.
void PaintColumns(const std::vector<ColumnSpan> &spans, double halfWidth, double top, const uint8_t colour[3],
                  LineLayer &layer, size_t firstColumn = 0);

// The first column whose pixels may differ between lines `before` and
// `after`: where they part, the segment into the first point that differs
// is redrawn. `columns` when they are the same.
size_t FirstChangedColumn(const std::vector<PixelPoint> &before, const std::vector<PixelPoint> &after, double left,
                          size_t columns);

#endif
