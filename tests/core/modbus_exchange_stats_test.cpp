// Exchange statistics: failures by kind, round trips and their p99 from a
// bounded histogram.
#include "library/modbus_lib/modbus.h"
#include "modbus/exchange_stats.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using std::chrono::microseconds;

TEST(ExchangeStats, CountsFailuresByKindPerUnit)
{
    EXPECT_EQ(ClassifyExchange(2, 0), ExchangeResult::Answered);
    EXPECT_EQ(ClassifyExchange(-1, ETIMEDOUT), ExchangeResult::NoAnswer);
    EXPECT_EQ(ClassifyExchange(-1, EMBBADCRC), ExchangeResult::BadCrc);
    EXPECT_EQ(ClassifyExchange(-1, EMBXILADD), ExchangeResult::Exception);
    EXPECT_EQ(ClassifyExchange(-1, EMBXGTAR), ExchangeResult::Exception);
    EXPECT_EQ(ClassifyExchange(-1, EMBBADEXC), ExchangeResult::Exception);
    EXPECT_EQ(ClassifyExchange(-1, EMBBADDATA), ExchangeResult::Other);
    EXPECT_EQ(ClassifyExchange(-1, ECONNREFUSED), ExchangeResult::Other);

    ExchangeStats stats;
    stats.Add(2, ExchangeResult::Answered, microseconds(1500));
    stats.Add(2, ExchangeResult::NoAnswer, microseconds(0));
    stats.Add(1, ExchangeResult::BadCrc, microseconds(0));
    stats.Add(1, ExchangeResult::Exception, microseconds(0));
    stats.Add(2, ExchangeResult::Answered, microseconds(500));
    stats.Add(2, ExchangeResult::Other, microseconds(0));
    ASSERT_EQ(stats.Units().size(), 2u);
    EXPECT_EQ(stats.Units().begin()->first, 1);
    EXPECT_EQ(UnitStatsLine(1, stats.Units().at(1)),
              "unit 1: 2 requests, 2 failed (no answer 0, CRC 1, exception 1, other 0), no round trip");
    EXPECT_EQ(UnitStatsLine(2, stats.Units().at(2)),
              "unit 2: 4 requests, 2 failed (no answer 1, CRC 0, exception 0, other 1), round trip "
              "last/min/avg/p99/max 0.50/0.50/1.00/1.50/1.50 ms");
}

TEST(RoundTripHistogram, BucketsAreExactThenWithinAThirtySecond)
{
    for (uint64_t value : {0ull, 1ull, 31ull})
        EXPECT_EQ(RoundTripHistogram::BucketTop(RoundTripHistogram::BucketOf(value)), value);
    // Each value lies in its bucket, whose top is at most 1/32 above it.
    for (uint64_t value = 32; value < (1ull << 35); value = value * 3 / 2 + 7) {
        const int bucket = RoundTripHistogram::BucketOf(value);
        const uint64_t top = RoundTripHistogram::BucketTop(bucket);
        EXPECT_GE(top, value);
        EXPECT_LE(top - value, value / 32) << value;
        EXPECT_LT(RoundTripHistogram::BucketTop(bucket - 1), value) << value;
    }
    EXPECT_EQ(RoundTripHistogram::BucketOf(~0ull), RoundTripHistogram::kBuckets - 1);
}

TEST(RoundTripHistogram, P99OfAMillionRoundTrips)
{
    // 1..1000 microseconds, 1000 times over: the 99th percentile is 990.
    RoundTripHistogram trips;
    for (int round = 0; round < 1000; ++round)
        for (uint64_t value = 1; value <= 1000; ++value)
            trips.Add(value);
    EXPECT_EQ(trips.Count(), 1000000u);
    EXPECT_EQ(trips.Min(), 1u);
    EXPECT_EQ(trips.Max(), 1000u);
    EXPECT_EQ(trips.Last(), 1000u);
    EXPECT_DOUBLE_EQ(trips.Mean(), 500.5);
    const uint64_t p99 = trips.Percentile(0.99);
    EXPECT_GE(p99, 990u);
    EXPECT_LE(p99, 990u + 990u / 32);
    // A single slow one among fast ones shows only at the top.
    RoundTripHistogram skewed;
    for (int index = 0; index < 99; ++index)
        skewed.Add(200);
    skewed.Add(250000);
    EXPECT_GE(skewed.Percentile(0.99), 200u);
    EXPECT_LE(skewed.Percentile(0.99), 200u + 200u / 32);
    EXPECT_EQ(skewed.Percentile(1.0), 250000u);
    EXPECT_EQ(RoundTripHistogram().Percentile(0.99), 0u);
}

} // namespace
