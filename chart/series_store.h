// The values a chart shows: named series of (time, value) points in time
// order, each keeping its newest points in a ring of fixed size, so that
// memory stays bounded however long values come. A version number changes
// with every change, so that a view redraws only when there is something new.
// Not locked: it is fed and read on the GUI thread.
#ifndef ORV_CHART_SERIES_STORE_H
#define ORV_CHART_SERIES_STORE_H

#include "chart/chart_time.h"
#include "chart/point_blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct ChartPoint {
    TimeUs time;
    double value;
};

struct TimeSpan {
    TimeUs start = 0;
    TimeUs end = 0;
};

// A series' points, oldest first, as the ring holds them: at most two runs;
// with the store's block extremes when it has them. Valid until the store
// changes (a new series moves the extremes, a new point may move the ring).
class SeriesPoints {
public:
    SeriesPoints() = default;
    // `firstCount`: the count since the series began of the point at index 0.
    SeriesPoints(const ChartPoint *older, size_t olderCount, const ChartPoint *newer, size_t newerCount,
                 const PointBlocks *blocks = nullptr, uint64_t firstCount = 0)
        : m_older(older), m_olderCount(olderCount), m_newer(newer), m_newerCount(newerCount), m_blocks(blocks),
          m_firstCount(firstCount)
    {
    }

    size_t size() const { return m_olderCount + m_newerCount; }
    bool empty() const { return size() == 0; }
    const ChartPoint &operator[](size_t index) const
    {
        return index < m_olderCount ? m_older[index] : m_newer[index - m_olderCount];
    }
    // The first point at or after `time`, and the first after it.
    size_t LowerBound(TimeUs time) const;
    size_t UpperBound(TimeUs time) const;
    // The points up to and including `last`.
    SeriesPoints Through(TimeUs last) const;
    // The points from `begin` to `end` as at most two contiguous runs,
    // for loops that touch every point: `visit(first, count, firstIndex)`.
    template <class Visit> void ForEachRun(size_t begin, size_t end, Visit visit) const
    {
        if (begin < std::min(end, m_olderCount))
            visit(m_older + begin, std::min(end, m_olderCount) - begin, begin);
        const size_t from = std::max(begin, m_olderCount);
        if (from < end)
            visit(m_newer + (from - m_olderCount), end - from, from);
    }
    const PointBlocks *Blocks() const { return m_blocks; }
    uint64_t FirstCount() const { return m_firstCount; }

private:
    const ChartPoint *m_older = nullptr;
    size_t m_olderCount = 0;
    const ChartPoint *m_newer = nullptr;
    size_t m_newerCount = 0;
    const PointBlocks *m_blocks = nullptr;
    uint64_t m_firstCount = 0;
};

class SeriesStore {
public:
    static constexpr size_t kDefaultKeep = 1000000;
    // Each series may take kDefaultKeep points (16 MB, and 2 MB for their
    // block extremes): the count of series is bounded too, so that a stream
    // of ever new names cannot exhaust memory.
    static constexpr size_t kDefaultMostSeries = 32;

    explicit SeriesStore(size_t keep = kDefaultKeep, size_t mostSeries = kDefaultMostSeries);

    // The series of that name, made when new; nullopt when the store
    // already holds its most series.
    std::optional<size_t> Series(const std::string &name);
    std::optional<size_t> Find(const std::string &name) const;

    // Adds a point after the series' newest. A time before the newest's
    // (the clock was set back) is taken as the newest's, so that the order
    // holds and no value is lost. A value that is not finite cannot be
    // placed on a chart: it is refused (false) and counted.
    bool Append(size_t series, TimeUs time, double value);
    bool Append(const std::string &name, TimeUs time, double value);

    size_t SeriesCount() const { return m_series.size(); }
    const std::string &Name(size_t series) const { return m_series[series].name; }
    SeriesPoints Points(size_t series) const;
    // From the oldest to the newest point of all series; nullopt when empty.
    std::optional<TimeSpan> Bounds() const;

    // Whether a series has filled its ring, so that each new point drops its oldest.
    bool Dropping() const;

    uint64_t Version() const { return m_version; }
    // Values refused: not finite, or for a series beyond the most.
    uint64_t Refused() const { return m_refused; }
    size_t Keep() const { return m_keep; }

private:
    struct SeriesRing {
        std::string name;
        std::vector<ChartPoint> ring;
        size_t oldest = 0; // where the oldest point is once the ring is full
        uint64_t appended = 0;
        PointBlocks blocks;
    };

    size_t m_keep;
    size_t m_mostSeries;
    std::vector<SeriesRing> m_series;
    std::unordered_map<std::string, size_t> m_index;
    uint64_t m_version = 0;
    uint64_t m_refused = 0;
};

#endif
