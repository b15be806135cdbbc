#include "chart/decimate.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// The pixel place of a time, with the scale worked out once per series.
struct XScale {
    TimeUs start;
    double left;
    double perUs;
    double operator()(TimeUs time) const { return left + static_cast<double>(time - start) * perUs; }
};

using Column = DecimationColumn;

class Emitter {
public:
    Emitter(const SeriesPoints &points, const XScale &x, std::vector<PlotPoint> &out, size_t last = kNone)
        : m_points(points), m_x(x), m_out(out), m_last(last)
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
    size_t Last() const { return m_last; }

private:
    const SeriesPoints &m_points;
    const XScale &m_x;
    std::vector<PlotPoint> &m_out;
    size_t m_last;
};

// Walks the points of the span column by column; where the store keeps block
// extremes, a block whose points all fall in one column is taken whole, with
// the same outcome as taking its points one by one.
class ColumnWalk {
public:
    ColumnWalk(const SeriesPoints &points, const XScale &x, size_t begin, Emitter &emit)
        : m_points(points), m_x(x), m_emit(emit), m_low(points[begin].value), m_high(m_low),
          m_column{std::floor(X(begin)), begin, begin, begin, begin, m_low, m_low}
    {
    }
    // Going on from where an earlier walk over the same points stopped.
    ColumnWalk(const SeriesPoints &points, const XScale &x, const DecimationTrail &trail, Emitter &emit)
        : m_points(points), m_x(x), m_emit(emit), m_low(trail.extent.low), m_high(trail.extent.high),
          m_column(trail.open)
    {
    }

    void Run(size_t from, size_t end)
    {
        const PointBlocks *blocks = m_points.Blocks();
        if (blocks == nullptr) {
            TakePoints(from, end);
            return;
        }
        const size_t smallest = PointBlocks::Size(0);
        while (from < end) {
            if (TakeBlock(*blocks, from, end))
                continue;
            // Point by point to where the next block starts.
            const size_t next = std::min(end, from + smallest - ((m_points.FirstCount() + from) & (smallest - 1)));
            TakePoints(from, next);
            from = next;
        }
    }

    ValueRange Finish()
    {
        m_emit.Flush(m_column);
        return {m_low, m_high};
    }
    // What a later walk needs to go on, taken before Finish.
    void Keep(DecimationTrail &trail) const
    {
        trail.open = m_column;
        trail.extent = {m_low, m_high};
        trail.lastEmitted = m_emit.Last();
    }

private:
    // Past the column: times only grow, so a place is never left of it,
    // and a comparison spares the floor of each point's place.
    bool Beyond(double x) const { return x >= m_column.index + 1; }
    double X(size_t index) const { return m_x(m_points[index].time); }

    void StartColumn(const Column &next)
    {
        m_emit.Flush(m_column);
        m_column = next;
    }

    void TakePoints(size_t from, size_t end)
    {
        m_points.ForEachRun(from, end, [&](const ChartPoint *run, size_t count, size_t firstIndex) {
            for (size_t offset = 0; offset < count; ++offset)
                TakePoint(run[offset], firstIndex + offset);
        });
    }

    void TakePoint(const ChartPoint &point, size_t index)
    {
        m_low = std::min(m_low, point.value);
        m_high = std::max(m_high, point.value);
        const double x = m_x(point.time);
        if (Beyond(x)) {
            StartColumn({std::floor(x), index, index, index, index, point.value, point.value});
            return;
        }
        m_column.last = index;
        if (point.value < m_column.low) {
            m_column.lowest = index;
            m_column.low = point.value;
        }
        if (point.value > m_column.high) {
            m_column.highest = index;
            m_column.high = point.value;
        }
    }

    // The largest block that starts at `from`, ends by `end` and lies in one
    // column; false when there is none.
    bool TakeBlock(const PointBlocks &blocks, size_t &from, size_t end)
    {
        const uint64_t count = m_points.FirstCount() + from;
        for (size_t level = PointBlocks::kLevels; level-- > 0;) {
            const size_t size = PointBlocks::Size(level);
            if ((count & (size - 1)) != 0 || end - from < size)
                continue;
            const size_t last = from + size - 1;
            const BlockExtremes &block = blocks.At(level, count);
            const double lastX = m_x(block.last);
            if (!Beyond(lastX)) {
                m_column.last = last;
                if (block.low < m_column.low) {
                    m_column.lowest = from + block.lowAt;
                    m_column.low = block.low;
                }
                if (block.high > m_column.high) {
                    m_column.highest = from + block.highAt;
                    m_column.high = block.high;
                }
            } else if (const double at = std::floor(X(from)); at + 1 > lastX) {
                StartColumn({at, from, from + block.lowAt, from + block.highAt, last, block.low, block.high});
            } else {
                continue;
            }
            m_low = std::min(m_low, block.low);
            m_high = std::max(m_high, block.high);
            from += size;
            return true;
        }
        return false;
    }

    const SeriesPoints &m_points;
    const XScale &m_x;
    Emitter &m_emit;
    double m_low;
    double m_high;
    Column m_column;
};

XScale XScaleOf(TimeSpan span, const PlotArea &area)
{
    return {span.start, area.left, area.width / static_cast<double>(std::max<TimeUs>(1, span.end - span.start))};
}

// The same columns and the same points in the span (and the same one before
// it, where there was one); the ring may have dropped older points since.
bool CanGoOn(const DecimationTrail &trail, const SeriesPoints &points, uint64_t source, const XScale &x,
             size_t begin, size_t end)
{
    if (!trail.valid || trail.source != source || trail.start != x.start || trail.left != x.left ||
        trail.perUs != x.perUs || points.FirstCount() < trail.firstCount)
        return false;
    const uint64_t dropped = points.FirstCount() - trail.firstCount;
    return trail.begin >= dropped && begin == trail.begin - dropped && (trail.begin == 0 || begin > 0) &&
           trail.end - dropped <= end;
}

// The trail's indexes into the points as they are now.
void Renumber(DecimationTrail &trail, uint64_t firstCount)
{
    const size_t dropped = firstCount - trail.firstCount;
    trail.firstCount = firstCount;
    trail.begin -= dropped;
    trail.end -= dropped;
    if (trail.lastEmitted != kNone)
        trail.lastEmitted -= dropped;
    for (size_t *index : {&trail.open.first, &trail.open.lowest, &trail.open.highest, &trail.open.last})
        *index -= dropped;
}

void Decimate(const SeriesPoints &points, uint64_t source, TimeSpan span, const XScale &x, Decimated &out)
{
    const size_t begin = points.LowerBound(span.start);
    const size_t end = points.UpperBound(span.end);
    DecimationTrail &trail = out.trail;
    if (begin < end && CanGoOn(trail, points, source, x, begin, end)) {
        // The open column and the lines to the edges are made again; the
        // columns before it are final, as times only grow.
        Renumber(trail, points.FirstCount());
        out.points.resize(trail.settled);
        Emitter emit(points, x, out.points, trail.lastEmitted);
        ColumnWalk walk(points, x, trail, emit);
        walk.Run(trail.end, end);
        walk.Keep(trail);
        trail.settled = out.points.size();
        trail.end = end;
        out.extent = walk.Finish();
        if (end < points.size())
            emit(end);
        return;
    }

    out.points.clear();
    out.extent.reset();
    trail = {};
    Emitter emit(points, x, out.points);
    if (begin > 0)
        emit(begin - 1);
    if (begin < end) {
        ColumnWalk walk(points, x, begin, emit);
        walk.Run(begin + 1, end);
        walk.Keep(trail);
        trail.valid = true;
        trail.source = source;
        trail.firstCount = points.FirstCount();
        trail.start = x.start;
        trail.left = x.left;
        trail.perUs = x.perUs;
        trail.begin = begin;
        trail.end = end;
        trail.settled = out.points.size();
        out.extent = walk.Finish();
    }
    if (end < points.size())
        emit(end);
}

} // namespace

void DecimateToColumns(const SeriesPoints &points, TimeSpan span, const PlotArea &area, Decimated &out)
{
    out.trail = {};
    Decimate(points, 0, span, XScaleOf(span, area), out);
    out.trail = {};
}

void DecimateGrowing(const SeriesPoints &points, uint64_t source, TimeSpan span, const PlotArea &area,
                     Decimated &out)
{
    Decimate(points, source, span, XScaleOf(span, area), out);
}
