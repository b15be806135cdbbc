#include "chart/time_axis.h"
#include "chart/value_axis.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// 2026-12-09 09:15:02.125 UTC.
constexpr TimeUs kMorning = 1796807702125000;

UtcOffset Fixed(long seconds)
{
    return [seconds](TimeUs) { return seconds; };
}

std::vector<std::string> Labels(const TimeTicks &ticks, long offsetSeconds)
{
    std::vector<std::string> labels;
    for (const TimeUs at : ticks.at)
        labels.push_back(TimeLabel(at, ticks.precision, offsetSeconds));
    return labels;
}

TEST(ValueAxis, NiceStepsAndAutomaticBounds)
{
    EXPECT_DOUBLE_EQ(NiceStep(10, 5), 2);
    EXPECT_DOUBLE_EQ(NiceStep(1, 10), 0.1);
    EXPECT_DOUBLE_EQ(NiceStep(7, 3), 5);
    EXPECT_DOUBLE_EQ(NiceStep(100, 4), 50);
    EXPECT_DOUBLE_EQ(NiceStep(0.003, 3), 0.001);

    struct Case {
        std::optional<ValueRange> data;
        int maxTicks;
        double low, high;
    };
    const Case cases[] = {
        {ValueRange{0.3, 9.7}, 5, 0, 10},
        {ValueRange{21.5, 21.5}, 5, 20, 23}, // a single value gets room
        {ValueRange{0, 0}, 5, -1, 1},
        {ValueRange{-3, -3}, 5, -3.2, -2.8},
        {ValueRange{-0.004, 0.013}, 4, -0.005, 0.015},
        {std::nullopt, 5, 0, 1},
    };
    for (const Case &c : cases) {
        const ValueRange range = AutoRange(c.data, c.maxTicks);
        EXPECT_NEAR(range.low, c.low, 1e-12) << c.low << ".." << c.high;
        EXPECT_NEAR(range.high, c.high, 1e-12) << c.low << ".." << c.high;
    }
    // Whatever the data, the bounds hold it and the ticks fit the count.
    for (const ValueRange data : {ValueRange{-1234.5, 98765}, ValueRange{1e-7, 3e-7}, ValueRange{1e6, 1e6 + 1},
                                  ValueRange{-5e300, 5e300}, ValueRange{0.1, 0.30000000000000004}}) {
        const ValueRange range = AutoRange(data, 6);
        EXPECT_LE(range.low, data.low);
        EXPECT_GE(range.high, data.high);
        EXPECT_LE(PlaceValueTicks(range, 6).at.size(), 7u) << data.low << ".." << data.high;
    }
    const ScaleSetting fixed{true, {-5, 5}};
    EXPECT_DOUBLE_EQ(ResolveScale(fixed, ValueRange{100, 200}, 5).high, 5);
}

TEST(ValueAxis, TicksAndTheirLabels)
{
    const ValueTicks ticks = PlaceValueTicks({-0.005, 0.015}, 4);
    ASSERT_EQ(ticks.at.size(), 5u);
    EXPECT_EQ(ticks.at[1], 0.0);
    std::vector<std::string> labels;
    for (const double at : ticks.at)
        labels.push_back(ValueTickLabel(at, ticks.step));
    EXPECT_EQ(labels, (std::vector<std::string>{"-0.005", "0.000", "0.005", "0.010", "0.015"}));
    EXPECT_EQ(ValueTickLabel(0.25, 0.05), "0.25");
    EXPECT_EQ(ValueTickLabel(1500, 500), "1500");
    EXPECT_EQ(ValueTickLabel(-1e-17, 0.1), "0.0");
    EXPECT_EQ(ValueTickLabel(1e20, 1e19), "1e+20");
    EXPECT_TRUE(PlaceValueTicks({1, 1}, 5).at.empty());
}

TEST(TimeAxis, TicksOnRoundLocalTimesWithLabelsOfTheirPrecision)
{
    struct Case {
        TimeUs span;
        int maxTicks;
        long offset;
        TimePrecision precision;
        std::vector<std::string> labels;
    };
    const Case cases[] = {
        {10 * kSecondUs, 10, 3600, TimePrecision::Seconds,
         {"10:15:03", "10:15:04", "10:15:05", "10:15:06", "10:15:07", "10:15:08", "10:15:09", "10:15:10", "10:15:11",
          "10:15:12"}},
        {kSecondUs, 5, 3600, TimePrecision::Milliseconds, {"02.200", "02.400", "02.600", "02.800", "03.000"}},
        {2 * kHourUs, 6, 3600, TimePrecision::Minutes, {"10:30", "11:00", "11:30", "12:00"}},
        // Half an hour off UTC: the hours are the local clock's.
        {5 * kHourUs, 5, 19800, TimePrecision::Minutes, {"15:00", "16:00", "17:00", "18:00", "19:00"}},
        {90 * kSecondUs, 3, -7200, TimePrecision::Seconds, {"07:15:30", "07:16:00", "07:16:30"}},
        {10 * kDayUs, 5, 3600, TimePrecision::Days,
         {"2026-12-11", "2026-12-13", "2026-12-15", "2026-12-17", "2026-12-19"}},
    };
    for (const Case &c : cases) {
        const TimeTicks ticks = PlaceTimeTicks(kMorning, kMorning + c.span, c.maxTicks, Fixed(c.offset));
        EXPECT_EQ(ticks.precision, c.precision) << c.labels.front();
        EXPECT_EQ(Labels(ticks, c.offset), c.labels);
        EXPECT_LE(ticks.at.size(), static_cast<size_t>(c.maxTicks) + 1);
    }
    EXPECT_TRUE(PlaceTimeTicks(kMorning, kMorning, 5, Fixed(0)).at.empty());
}

TEST(TimeAxis, HourlyTicksAcrossTheSpringChangeOfTheClock)
{
    // Central Europe: +01:00 until 2026-03-29 01:00 UTC, +02:00 after.
    constexpr TimeUs kChange = 1774746000LL * kSecondUs;
    const UtcOffset europe = [](TimeUs when) { return when < kChange ? 3600L : 7200L; };
    const TimeUs start = kChange - 30 * kMinuteUs;
    const TimeTicks ticks = PlaceTimeTicks(start, start + 3 * kHourUs, 5, europe);
    std::vector<std::string> labels;
    for (const TimeUs at : ticks.at)
        labels.push_back(TimeLabel(at, ticks.precision, europe(at)));
    // Local 02:00 does not exist that night.
    EXPECT_EQ(labels, (std::vector<std::string>{"03:00", "04:00", "05:00"}));
}

TEST(ChartTime, IsoTimesWithMillisecondsAndOffset)
{
    EXPECT_EQ(IsoTime(kMorning, 3600), "2026-12-09T10:15:02.125+01:00");
    EXPECT_EQ(IsoTime(kMorning, -16200), "2026-12-09T04:45:02.125-04:30");
    EXPECT_EQ(IsoTime(kMorning + 999, 0), "2026-12-09T09:15:02.125+00:00"); // cut, not rounded
    EXPECT_EQ(IsoTime(-1000, 0), "1969-12-31T23:59:59.999+00:00");
    EXPECT_EQ(IsoTime(1709208000LL * kSecondUs, 0), "2024-02-29T12:00:00.000+00:00");
    EXPECT_EQ(IsoTime(kMorning + 14 * kHourUs, 3600), "2026-12-10T00:15:02.125+01:00");
    EXPECT_EQ(CursorTimeLabel(kMorning, 3600), "2026-12-09 10:15:02.125");
}

} // namespace
