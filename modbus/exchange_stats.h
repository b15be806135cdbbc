// Statistics of Modbus exchanges per unit id: requests, failures by kind and
// round trips (last, min, average, p99, max). Memory stays bounded however
// long a run polls: round trips go into a fixed histogram whose buckets are
// 1/32 of their value wide, so p99 is given to within 3.2 % (exact below
// 32 microseconds), at most 8 KB per unit id seen.
#ifndef ORV_MODBUS_EXCHANGE_STATS_H
#define ORV_MODBUS_EXCHANGE_STATS_H

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>

enum class ExchangeResult { Answered, NoAnswer, BadCrc, Exception, Other };

// What a request that ended with `result` (-1 on failure) and `error` (the
// client's errno then) counts as: no answer for a time-out, CRC for a bad
// CRC, exception for the device's exceptions, other for the rest (an answer
// that does not fit, a connection that failed or closed).
ExchangeResult ClassifyExchange(int result, int error);

// Round trips in microseconds.
class RoundTripHistogram {
public:
    static constexpr int kBuckets = 1024;

    void Add(uint64_t micros);
    uint64_t Count() const { return m_count; }
    uint64_t Last() const { return m_last; }
    uint64_t Min() const { return m_min; }
    uint64_t Max() const { return m_max; }
    double Mean() const;
    // The round trip below which `share` (0 to 1) of them lie: the upper
    // end of its bucket, within [Min, Max]. 0 without round trips.
    uint64_t Percentile(double share) const;

    // The bucket of a round trip and the largest round trip it holds.
    static int BucketOf(uint64_t micros);
    static uint64_t BucketTop(int bucket);

private:
    std::array<uint64_t, kBuckets> m_buckets{};
    uint64_t m_count = 0;
    uint64_t m_last = 0;
    uint64_t m_min = 0;
    uint64_t m_max = 0;
    long double m_sum = 0;
};

struct UnitStats {
    uint64_t requests = 0;
    uint64_t noAnswer = 0;
    uint64_t badCrc = 0;
    uint64_t exceptions = 0;
    uint64_t other = 0;
    RoundTripHistogram roundTrips; // of the answered requests

    uint64_t Failures() const { return noAnswer + badCrc + exceptions + other; }
};

class ExchangeStats {
public:
    // Counts one request to `unit`; its round trip counts when it was
    // answered.
    void Add(int unit, ExchangeResult result, std::chrono::microseconds roundTrip);
    // By unit id, in ascending order.
    const std::map<int, UnitStats> &Units() const { return m_units; }

private:
    std::map<int, UnitStats> m_units;
};

// "unit 1: 10 requests, 1 failed (no answer 1, CRC 0, exception 0, other 0),
// round trip last/min/avg/p99/max 0.21/0.18/0.25/0.40/1.20 ms".
std::string UnitStatsLine(int unit, const UnitStats &stats);

#endif
