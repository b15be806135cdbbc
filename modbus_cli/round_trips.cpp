#include "modbus_cli/round_trips.h"

#include <algorithm>
#include <cmath>

namespace modbus_cli {

namespace {

// Buckets from 1 microsecond on, each 0.1 % wider than the one before, up to
// past the longest round trip an answer can take (three times the longest
// time-out of an hour); shorter and longer ones count in the first and last.
constexpr double kLowestMs = 0.001;
constexpr double kRatio = 1.001;
constexpr double kHighestMs = 3 * 3600000.0;

size_t BucketCount()
{
    return static_cast<size_t>(std::ceil(std::log(kHighestMs / kLowestMs) / std::log(kRatio))) + 1;
}

} // namespace

RoundTrips::RoundTrips() : m_buckets(BucketCount(), 0) {}

size_t RoundTrips::BucketOf(double ms) const
{
    if (!(ms > kLowestMs))
        return 0;
    const double index = std::floor(std::log(ms / kLowestMs) / std::log(kRatio));
    return std::min(static_cast<size_t>(index), m_buckets.size() - 1);
}

void RoundTrips::Add(double ms)
{
    m_min = m_count == 0 ? ms : std::min(m_min, ms);
    m_max = m_count == 0 ? ms : std::max(m_max, ms);
    ++m_count;
    ++m_buckets[BucketOf(ms)];
}

double RoundTrips::ValueAtRank(uint64_t rank) const
{
    uint64_t seen = 0;
    size_t bucket = 0;
    while (bucket + 1 < m_buckets.size() && seen + m_buckets[bucket] <= rank)
        seen += m_buckets[bucket++];
    // The bucket's middle, within what was seen at all (so that one round
    // trip, or many alike, give their own value).
    const double middle = kLowestMs * std::pow(kRatio, static_cast<double>(bucket) + 0.5);
    return std::clamp(middle, m_min, m_max);
}

double RoundTrips::Median() const
{
    if (m_count == 0)
        return 0;
    return (ValueAtRank((m_count - 1) / 2) + ValueAtRank(m_count / 2)) / 2;
}

} // namespace modbus_cli
