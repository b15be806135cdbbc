#include "chart/series_store.h"
#include "chart/span_csv.h"
#include "tests/support/file_size_limit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace {

// 2026-12-09 09:15:02.125 UTC.
constexpr TimeUs kMorning = 1796807702125000;

std::vector<TimeUs> Times(const SeriesPoints &points)
{
    std::vector<TimeUs> times;
    for (size_t i = 0; i < points.size(); ++i)
        times.push_back(points[i].time);
    return times;
}

std::string Contents(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(SeriesStore, KeepsTheNewestPointsInTimeOrderAndCountsVersions)
{
    SeriesStore store(5);
    const size_t series = *store.Series("T");
    uint64_t version = store.Version();
    for (TimeUs t = 0; t < 12; ++t) {
        ASSERT_TRUE(store.Append(series, t, static_cast<double>(t)));
        EXPECT_GT(store.Version(), version);
        version = store.Version();
    }
    const SeriesPoints points = store.Points(series);
    EXPECT_EQ(Times(points), (std::vector<TimeUs>{7, 8, 9, 10, 11}));
    EXPECT_EQ(points.LowerBound(9), 2u);
    EXPECT_EQ(points.UpperBound(9), 3u);
    EXPECT_EQ(points.LowerBound(100), 5u);
    EXPECT_EQ(Times(points.Through(10)), (std::vector<TimeUs>{7, 8, 9, 10}));
    EXPECT_TRUE(points.Through(6).empty());

    // A clock set back neither reorders nor loses the value.
    store.Append(series, 3, 99);
    EXPECT_EQ(store.Points(series)[4].time, 11);
    EXPECT_EQ(store.Points(series)[4].value, 99);
    EXPECT_EQ(store.Bounds()->start, 8);
    EXPECT_EQ(store.Version(), version + 1);
}

TEST(SeriesStore, RefusesWhatItCannotPlaceAndBoundsTheSeries)
{
    SeriesStore store(10, 2);
    EXPECT_FALSE(store.Append("nan", 1, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(store.Append("inf", 1, -std::numeric_limits<double>::infinity()));
    EXPECT_EQ(store.SeriesCount(), 0u); // no series for a refused value
    EXPECT_TRUE(store.Append("a", 1, 1));
    EXPECT_TRUE(store.Append("b", 2, 2));
    EXPECT_FALSE(store.Append("c", 3, 3));
    EXPECT_FALSE(store.Find("c"));
    EXPECT_EQ(store.Refused(), 3u);
    EXPECT_EQ(store.Bounds()->start, 1);
    EXPECT_EQ(store.Bounds()->end, 2);
    EXPECT_FALSE(SeriesStore().Bounds());
}

class SpanCsv : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/orv-chart-csv-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path m_folder;
    const UtcOffset m_plusOne = [](TimeUs) { return 3600L; };
};

TEST_F(SpanCsv, RowsInTimeOrderWithQuotedNamesExactNumbersAndLocalTimes)
{
    SeriesStore store;
    store.Append("T", kMorning - kSecondUs, 1); // before the span
    store.Append("T", kMorning, 0.1);
    store.Append("p,\"1\"", kMorning, 1e21);
    store.Append("T", kMorning + 500 * kMillisecondUs, -2.5);
    store.Append("p,\"1\"", kMorning + 250 * kMillisecondUs, 0.30000000000000004);
    store.Append("T", kMorning + 2 * kSecondUs, 7); // after it
    const auto path = m_folder / "span.csv";
    std::string error;
    ASSERT_TRUE(ExportSpanCsv(store, {kMorning, kMorning + kSecondUs}, {0, 1}, path, error, m_plusOne)) << error;
    EXPECT_EQ(Contents(path), "time,series,value\r\n"
                              "2026-12-09T10:15:02.125+01:00,T,0.1\r\n"
                              "2026-12-09T10:15:02.125+01:00,\"p,\"\"1\"\"\",1e+21\r\n"
                              "2026-12-09T10:15:02.375+01:00,\"p,\"\"1\"\"\",0.30000000000000004\r\n"
                              "2026-12-09T10:15:02.625+01:00,T,-2.5\r\n");
    // Only the series asked for.
    ASSERT_TRUE(ExportSpanCsv(store, {kMorning, kMorning + kSecondUs}, {1}, path, error, m_plusOne));
    EXPECT_EQ(Contents(path).find(",T,"), std::string::npos);
}

TEST_F(SpanCsv, NumbersReadBackExactly)
{
    SeriesStore store;
    const double values[] = {1.0 / 3, 5e-324, 1.7976931348623157e308, -0.0, 123456789012345680.0, 2.5e-7};
    for (const double value : values)
        store.Append("x", kMorning, value);
    const auto path = m_folder / "exact.csv";
    std::string error;
    ASSERT_TRUE(ExportSpanCsv(store, {kMorning, kMorning}, {0}, path, error, m_plusOne)) << error;
    std::istringstream rows(Contents(path));
    std::string row;
    std::getline(rows, row);
    for (const double value : values) {
        ASSERT_TRUE(std::getline(rows, row));
        const std::string text = row.substr(row.rfind(',') + 1, row.size() - row.rfind(',') - 2);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        EXPECT_EQ(std::signbit(std::strtod(text.c_str(), nullptr)), std::signbit(value)) << text;
    }
}

TEST_F(SpanCsv, AFailedWriteLeavesTheEarlierFileAndNoLeftovers)
{
    SeriesStore store;
    for (int i = 0; i < 1000; ++i)
        store.Append("x", kMorning + i, i);
    const auto path = m_folder / "kept.csv";
    std::ofstream(path) << "earlier";
    std::string error;
    {
        const testing_support::FileSizeLimit full(4096);
        EXPECT_FALSE(ExportSpanCsv(store, {kMorning, kMorning + 1000}, {0}, path, error, m_plusOne));
    }
    EXPECT_EQ(error, "Cannot write \"" + path.string() + "\": File too large");
    EXPECT_EQ(Contents(path), "earlier");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_folder), {}), 1);

    EXPECT_FALSE(ExportSpanCsv(store, {0, 1}, {0}, (m_folder / "no" / "such.csv").string(), error));
    EXPECT_NE(error.find("no/such.csv\": No such file or directory"), std::string::npos) << error;
}

} // namespace
