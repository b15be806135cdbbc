#include "chart/column_raster.h"

#include <algorithm>
#include <cmath>

void TraceColumns(const std::vector<PixelPoint> &line, double left, size_t columns, std::vector<ColumnSpan> &out,
                  size_t firstColumn)
{
    out.assign(columns, ColumnSpan());
    if (columns <= firstColumn)
        return;
    const auto cover = [&out](size_t column, double y0, double y1) {
        ColumnSpan &span = out[column];
        const double top = std::min(y0, y1);
        const double bottom = std::max(y0, y1);
        span.top = span.covered ? std::min(span.top, top) : top;
        span.bottom = span.covered ? std::max(span.bottom, bottom) : bottom;
        span.covered = true;
    };
    const double right = left + static_cast<double>(columns);
    const double start = left + static_cast<double>(firstColumn);
    const auto columnOf = [left, firstColumn, columns](double x) {
        return static_cast<size_t>(
            std::clamp(std::floor(x - left), static_cast<double>(firstColumn), static_cast<double>(columns - 1)));
    };
    if (line.size() == 1 && line[0].x >= start && line[0].x < right)
        cover(columnOf(line[0].x), line[0].y, line[0].y);
    // The segments before the first column wanted are passed over at once.
    size_t i = std::lower_bound(line.begin(), line.end(), start,
                                [](const PixelPoint &point, double x) { return point.x < x; }) -
               line.begin();
    for (i = std::max<size_t>(1, i); i < line.size(); ++i) {
        const PixelPoint &a = line[i - 1];
        const PixelPoint &b = line[i];
        if (b.x < start || a.x >= right)
            continue;
        const double run = b.x - a.x;
        const auto yAt = [&](double x) { return run > 0 ? a.y + (b.y - a.y) * (x - a.x) / run : b.y; };
        const size_t first = columnOf(std::max(a.x, start));
        const size_t last = columnOf(std::min(b.x, right - 1e-9));
        for (size_t column = first; column <= last; ++column) {
            const double from = std::max(a.x, left + static_cast<double>(column));
            const double to = std::min(b.x, left + static_cast<double>(column + 1));
            cover(column, run > 0 ? yAt(from) : a.y, run > 0 ? yAt(to) : b.y);
        }
    }
}

namespace {

// The colour at `coverage` (0 to 1) of one pixel, over what the layer holds there.
void Blend(LineLayer &layer, size_t pixel, double coverage, const uint8_t colour[3])
{
    const int alpha = static_cast<int>(coverage * 255 + 0.5);
    if (alpha <= 0)
        return;
    uint8_t *rgb = layer.rgb + 3 * pixel;
    const int below = layer.alpha[pixel] * (255 - alpha) / 255;
    if (below == 0) { // nothing shows through: the colour alone
        rgb[0] = colour[0];
        rgb[1] = colour[1];
        rgb[2] = colour[2];
        layer.alpha[pixel] = static_cast<uint8_t>(alpha);
        return;
    }
    // "Over" with straight alpha: the colour at its coverage over what is there.
    const int total = alpha + below;
    for (int channel = 0; channel < 3; ++channel)
        rgb[channel] = static_cast<uint8_t>((colour[channel] * alpha + rgb[channel] * below + total / 2) / total);
    layer.alpha[pixel] = static_cast<uint8_t>(total);
}

} // namespace

void PaintColumns(const std::vector<ColumnSpan> &spans, double halfWidth, double top, const uint8_t colour[3],
                  LineLayer &layer, size_t firstColumn)
{
    const size_t columns = std::min(spans.size(), static_cast<size_t>(std::max(0, layer.width)));
    const auto width = static_cast<size_t>(std::max(0, layer.width));
    for (size_t column = firstColumn; column < columns; ++column) {
        const ColumnSpan &span = spans[column];
        if (!span.covered)
            continue;
        const double from = std::max(0.0, span.top - halfWidth - top);
        const double to = std::min(static_cast<double>(layer.height), span.bottom + halfWidth - top);
        if (!(from < to))
            continue;
        const auto pixel = [&](double row) { return static_cast<size_t>(row) * width + column; };
        // Rows the line covers whole take the colour alone, the one or two
        // rows at its ends their share of it.
        const double wholeFrom = std::ceil(from);
        const double wholeTo = std::floor(to);
        if (wholeTo < wholeFrom) {
            Blend(layer, pixel(wholeTo), to - from, colour);
            continue;
        }
        if (from < wholeFrom)
            Blend(layer, pixel(from), wholeFrom - from, colour);
        uint8_t *rgb = layer.rgb + 3 * pixel(wholeFrom);
        uint8_t *alpha = layer.alpha + pixel(wholeFrom);
        for (double row = wholeFrom; row < wholeTo; ++row, rgb += 3 * width, alpha += width) {
            rgb[0] = colour[0];
            rgb[1] = colour[1];
            rgb[2] = colour[2];
            *alpha = 255;
        }
        if (wholeTo < to)
            Blend(layer, pixel(wholeTo), to - wholeTo, colour);
    }
}

size_t FirstChangedColumn(const std::vector<PixelPoint> &before, const std::vector<PixelPoint> &after, double left,
                          size_t columns)
{
    const size_t common = std::min(before.size(), after.size());
    size_t same = 0;
    while (same < common && before[same].x == after[same].x && before[same].y == after[same].y)
        ++same;
    if (same == before.size() && same == after.size())
        return columns;
    if (same == 0)
        return 0;
    // A single point is drawn where it is; a longer line from the one before.
    const double x = std::floor(after[same - 1].x - left);
    return static_cast<size_t>(std::clamp(x, 0.0, static_cast<double>(columns)));
}
