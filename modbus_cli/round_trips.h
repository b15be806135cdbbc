// The round trips of a polling run in the same room however long it runs:
// the count, the shortest and the longest exactly, the median to within
// 0.1 % (from a histogram whose buckets are 0.1 % wide).
#ifndef ORV_MODBUS_CLI_ROUND_TRIPS_H
#define ORV_MODBUS_CLI_ROUND_TRIPS_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace modbus_cli {

class RoundTrips {
public:
    RoundTrips();

    void Add(double ms);
    uint64_t Count() const { return m_count; }
    // Of the round trips added; 0 while there are none.
    double Min() const { return m_min; }
    double Max() const { return m_max; }
    double Median() const;

private:
    size_t BucketOf(double ms) const;
    // A value of the bucket holding the round trip of that rank (from 0).
    double ValueAtRank(uint64_t rank) const;

    std::vector<uint64_t> m_buckets;
    uint64_t m_count = 0;
    double m_min = 0;
    double m_max = 0;
};

} // namespace modbus_cli

#endif
