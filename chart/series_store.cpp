#include "chart/series_store.h"

#include <algorithm>
#include <cmath>

size_t SeriesPoints::LowerBound(TimeUs time) const
{
    size_t low = 0;
    size_t high = size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if ((*this)[middle].time < time)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

size_t SeriesPoints::UpperBound(TimeUs time) const
{
    size_t low = 0;
    size_t high = size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if ((*this)[middle].time <= time)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

SeriesPoints SeriesPoints::Through(TimeUs last) const
{
    const size_t count = UpperBound(last);
    if (count <= m_olderCount)
        return SeriesPoints(m_older, count, nullptr, 0, m_blocks, m_firstCount);
    return SeriesPoints(m_older, m_olderCount, m_newer, count - m_olderCount, m_blocks, m_firstCount);
}

SeriesStore::SeriesStore(size_t keep, size_t mostSeries) : m_keep(std::max<size_t>(1, keep)), m_mostSeries(mostSeries)
{
}

std::optional<size_t> SeriesStore::Find(const std::string &name) const
{
    const auto found = m_index.find(name);
    if (found == m_index.end())
        return std::nullopt;
    return found->second;
}

std::optional<size_t> SeriesStore::Series(const std::string &name)
{
    if (const auto found = Find(name))
        return found;
    if (m_series.size() >= m_mostSeries)
        return std::nullopt;
    m_series.push_back({name, {}, 0, 0, PointBlocks(m_keep)});
    m_index.emplace(name, m_series.size() - 1);
    ++m_version;
    return m_series.size() - 1;
}

bool SeriesStore::Append(size_t series, TimeUs time, double value)
{
    if (series >= m_series.size() || !std::isfinite(value)) {
        ++m_refused;
        return false;
    }
    SeriesRing &target = m_series[series];
    std::vector<ChartPoint> &ring = target.ring;
    if (!ring.empty()) {
        const size_t newest = ring.size() < m_keep ? ring.size() - 1 : (target.oldest + m_keep - 1) % m_keep;
        time = std::max(time, ring[newest].time);
    }
    if (ring.size() < m_keep) {
        // Grown in steps up to the bound, never past it.
        if (ring.size() == ring.capacity())
            ring.reserve(std::min(m_keep, std::max<size_t>(1024, ring.size() * 2)));
        ring.push_back({time, value});
    } else {
        ring[target.oldest] = {time, value};
        target.oldest = (target.oldest + 1) % m_keep;
    }
    target.blocks.Add(target.appended++, time, value);
    ++m_version;
    return true;
}

bool SeriesStore::Append(const std::string &name, TimeUs time, double value)
{
    // A refused value makes no series either.
    const std::optional<size_t> series = std::isfinite(value) ? Series(name) : std::nullopt;
    if (!series) {
        ++m_refused;
        return false;
    }
    return Append(*series, time, value);
}

SeriesPoints SeriesStore::Points(size_t series) const
{
    const SeriesRing &source = m_series[series];
    const ChartPoint *data = source.ring.data();
    const size_t oldest = source.oldest;
    return SeriesPoints(data + oldest, source.ring.size() - oldest, data, oldest, &source.blocks,
                        source.appended - source.ring.size());
}

bool SeriesStore::Dropping() const
{
    return std::any_of(m_series.begin(), m_series.end(),
                       [this](const SeriesRing &series) { return series.appended > m_keep; });
}

std::optional<TimeSpan> SeriesStore::Bounds() const
{
    std::optional<TimeSpan> bounds;
    for (size_t index = 0; index < m_series.size(); ++index) {
        const SeriesPoints points = Points(index);
        if (points.empty())
            continue;
        const TimeSpan own{points[0].time, points[points.size() - 1].time};
        bounds = bounds ? TimeSpan{std::min(bounds->start, own.start), std::max(bounds->end, own.end)} : own;
    }
    return bounds;
}
