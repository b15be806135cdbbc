#include "modbus/exchange_stats.h"

#include "library/modbus_lib/modbus.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

namespace {

// Below 32 microseconds each bucket is one value; above, every power of
// two is cut into 32 buckets.
constexpr int kExact = 32;
constexpr int kShift = 5;

std::string Millis(uint64_t micros)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(micros) / 1000.0);
    return text;
}

} // namespace

ExchangeResult ClassifyExchange(int result, int error)
{
    if (result >= 0)
        return ExchangeResult::Answered;
    if (error == ETIMEDOUT)
        return ExchangeResult::NoAnswer;
    if (error == EMBBADCRC)
        return ExchangeResult::BadCrc;
    if ((error > MB_ERROR_BASE && error <= EMBXGTAR) || error == EMBBADEXC)
        return ExchangeResult::Exception;
    return ExchangeResult::Other;
}

int RoundTripHistogram::BucketOf(uint64_t micros)
{
    if (micros < kExact)
        return static_cast<int>(micros);
    int octave = 63;
    while ((micros >> octave) == 0)
        --octave;
    const int sub = static_cast<int>((micros >> (octave - kShift)) & (kExact - 1));
    const int bucket = kExact + (octave - kShift) * kExact + sub;
    return bucket < kBuckets ? bucket : kBuckets - 1;
}

uint64_t RoundTripHistogram::BucketTop(int bucket)
{
    if (bucket < kExact)
        return static_cast<uint64_t>(bucket);
    const int octave = (bucket - kExact) / kExact + kShift;
    const uint64_t sub = static_cast<uint64_t>((bucket - kExact) % kExact);
    return ((kExact + sub + 1) << (octave - kShift)) - 1;
}

void RoundTripHistogram::Add(uint64_t micros)
{
    ++m_buckets[static_cast<size_t>(BucketOf(micros))];
    m_min = m_count == 0 || micros < m_min ? micros : m_min;
    m_max = micros > m_max ? micros : m_max;
    m_last = micros;
    m_sum += micros;
    ++m_count;
}

double RoundTripHistogram::Mean() const
{
    return m_count == 0 ? 0.0 : static_cast<double>(m_sum / m_count);
}

uint64_t RoundTripHistogram::Percentile(double share) const
{
    if (m_count == 0)
        return 0;
    const auto rank = static_cast<uint64_t>(std::ceil(share * static_cast<double>(m_count)));
    uint64_t seen = 0;
    for (int bucket = 0; bucket < kBuckets; ++bucket) {
        seen += m_buckets[static_cast<size_t>(bucket)];
        if (seen >= rank && seen > 0) {
            const uint64_t top = BucketTop(bucket);
            return top < m_min ? m_min : top > m_max ? m_max : top;
        }
    }
    return m_max;
}

void ExchangeStats::Add(int unit, ExchangeResult result, std::chrono::microseconds roundTrip)
{
    UnitStats &stats = m_units[unit];
    ++stats.requests;
    switch (result) {
    case ExchangeResult::Answered:
        stats.roundTrips.Add(static_cast<uint64_t>(roundTrip.count() < 0 ? 0 : roundTrip.count()));
        break;
    case ExchangeResult::NoAnswer: ++stats.noAnswer; break;
    case ExchangeResult::BadCrc: ++stats.badCrc; break;
    case ExchangeResult::Exception: ++stats.exceptions; break;
    case ExchangeResult::Other: ++stats.other; break;
    }
}

std::string UnitStatsLine(int unit, const UnitStats &stats)
{
    std::string line = "unit " + std::to_string(unit) + ": " + std::to_string(stats.requests) +
                       (stats.requests == 1 ? " request, " : " requests, ") + std::to_string(stats.Failures()) +
                       " failed (no answer " + std::to_string(stats.noAnswer) + ", CRC " +
                       std::to_string(stats.badCrc) + ", exception " + std::to_string(stats.exceptions) + ", other " +
                       std::to_string(stats.other) + "), ";
    const RoundTripHistogram &trips = stats.roundTrips;
    if (trips.Count() == 0)
        return line + "no round trip";
    return line + "round trip last/min/avg/p99/max " + Millis(trips.Last()) + "/" + Millis(trips.Min()) + "/" +
           Millis(static_cast<uint64_t>(std::llround(trips.Mean()))) + "/" + Millis(trips.Percentile(0.99)) + "/" +
           Millis(trips.Max()) + " ms";
}
