#include "chart/decimate.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// The pixel place of a time, with the scale worked out once per series.
struct XScale {
    TimeUs start;
    double left;
    double perUs;
    double operator()(TimeUs time) const { return left + static_cast<double>(time - start) * perUs; }
};

struct Column {
    double index = 0;
    size_t first = 0;
    size_t lowest = 0;
    size_t highest = 0;
    size_t last = 0;
    double low = 0;
    double high = 0;
};

class Emitter {
public:
    Emitter(const SeriesPoints &points, const XScale &x, std::vector<PlotPoint> &out) : m_points(points), m_x(x), m_out(out)
    {
    }
    // Each point once, in time order.
    void operator()(size_t index)
    {
        if (m_last != kNone && index <= m_last)
            return;
        m_out.push_back({m_x(m_points[index].time), m_points[index].value});
        m_last = index;
    }
    void Flush(const Column &column)
    {
        (*this)(column.first);
        (*this)(std::min(column.lowest, column.highest));
        (*this)(std::max(column.lowest, column.highest));
        (*this)(column.last);
    }

private:
    const SeriesPoints &m_points;
    const XScale &m_x;
    std::vector<PlotPoint> &m_out;
    size_t m_last = kNone;
};

} // namespace

void DecimateToColumns(const SeriesPoints &points, TimeSpan span, const PlotArea &area, Decimated &out)
{
    out.points.clear();
    out.extent.reset();
    const XScale x{span.start, area.left,
                   area.width / static_cast<double>(std::max<TimeUs>(1, span.end - span.start))};
    Emitter emit(points, x, out.points);
    const size_t begin = points.LowerBound(span.start);
    const size_t end = points.UpperBound(span.end);
    if (begin > 0)
        emit(begin - 1);
    if (begin < end) {
        double low = points[begin].value;
        double high = low;
        Column column{std::floor(x(points[begin].time)), begin, begin, begin, begin, low, low};
        points.ForEachRun(begin + 1, end, [&](const ChartPoint *run, size_t count, size_t firstIndex) {
            for (size_t offset = 0; offset < count; ++offset) {
                const ChartPoint &point = run[offset];
                const size_t index = firstIndex + offset;
                low = std::min(low, point.value);
                high = std::max(high, point.value);
                const double at = std::floor(x(point.time));
                if (at != column.index) {
                    emit.Flush(column);
                    column = {at, index, index, index, index, point.value, point.value};
                    continue;
                }
                column.last = index;
                if (point.value < column.low) {
                    column.lowest = index;
                    column.low = point.value;
                }
                if (point.value > column.high) {
                    column.highest = index;
                    column.high = point.value;
                }
            }
        });
        emit.Flush(column);
        out.extent = ValueRange{low, high};
    }
    if (end < points.size())
        emit(end);
}
