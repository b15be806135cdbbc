#include "chart/chart_view.h"
#include "chart/column_raster.h"
#include "chart/cursor_readout.h"
#include "chart/decimate.h"
#include "chart/view_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

SeriesPoints View(const std::vector<ChartPoint> &points)
{
    return SeriesPoints(points.data(), points.size(), nullptr, 0);
}

TEST(Decimate, SparsePointsStayWithTheirNeighboursOutsideTheSpan)
{
    std::vector<ChartPoint> points;
    for (int s = -20; s <= 120; s += 10)
        points.push_back({s * kSecondUs, s == 50 ? 1000.0 : s});
    const PlotArea area{10, 0, 100, 50};
    Decimated out;
    DecimateToColumns(View(points), {0, 100 * kSecondUs}, area, out);
    // -10 s and 110 s join the line to the edges; -20 s and 120 s are not drawn.
    ASSERT_EQ(out.points.size(), 13u);
    EXPECT_DOUBLE_EQ(out.points.front().x, 0);
    EXPECT_DOUBLE_EQ(out.points[1].x, 10);
    EXPECT_DOUBLE_EQ(out.points.back().x, 120);
    ASSERT_TRUE(out.extent);
    EXPECT_EQ(out.extent->low, 0);
    EXPECT_EQ(out.extent->high, 1000);

    // Nothing inside: the line still crosses from one neighbour to the other.
    DecimateToColumns(View(points), {kSecondUs, 5 * kSecondUs}, area, out);
    EXPECT_EQ(out.points.size(), 2u);
    EXPECT_FALSE(out.extent);
    DecimateToColumns(SeriesPoints(), {0, kSecondUs}, area, out);
    EXPECT_TRUE(out.points.empty());
}

TEST(Decimate, DensePointsKeepEachColumnsExtremesFirstAndLast)
{
    // 10,000 points over 10 columns, split over the two runs of a ring.
    std::vector<ChartPoint> points;
    for (int i = 0; i < 10000; ++i)
        points.push_back({i * kMillisecondUs, std::sin(i * 0.37) * (i % 997 == 0 ? 50 : 1)});
    const SeriesPoints ring(points.data(), 6000, points.data() + 6000, 4000);
    const PlotArea area{0, 0, 10, 10};
    const TimeSpan span{0, 10000 * kMillisecondUs};
    Decimated out;
    DecimateToColumns(ring, span, area, out);
    EXPECT_LE(out.points.size(), 40u);
    EXPECT_TRUE(std::is_sorted(out.points.begin(), out.points.end(),
                               [](const PlotPoint &a, const PlotPoint &b) { return a.x < b.x; }));
    for (int column = 0; column < 10; ++column) {
        double low = INFINITY, high = -INFINITY, outLow = INFINITY, outHigh = -INFINITY;
        for (const ChartPoint &p : points)
            if (std::floor(TimeToX(p.time, span, area)) == column) {
                low = std::min(low, p.value);
                high = std::max(high, p.value);
            }
        std::vector<double> kept;
        for (const PlotPoint &p : out.points)
            if (std::floor(p.x) == column) {
                outLow = std::min(outLow, p.value);
                outHigh = std::max(outHigh, p.value);
                kept.push_back(p.value);
            }
        EXPECT_EQ(outLow, low) << "column " << column;
        EXPECT_EQ(outHigh, high) << "column " << column;
        ASSERT_FALSE(kept.empty());
        EXPECT_EQ(kept.front(), points[column * 1000].value) << "column " << column;
        EXPECT_EQ(kept.back(), points[column * 1000 + 999].value) << "column " << column;
    }
}

// The store's block extremes stand in for a walk over every point: the same
// points must come out, before and after the ring wraps and drops part of a block.
TEST(Decimate, BlockExtremesGiveWhatEachPointGives)
{
    std::mt19937 random(7);
    SeriesStore store(20001);
    const size_t series = *store.Series("s");
    TimeUs time = 0;
    // Few distinct values on a slow wave (ties: the first of equals counts),
    // repeated times and now and then a gap, so that columns hold anything
    // from no point to thousands.
    size_t count = 0;
    const auto append = [&](size_t upTo) {
        for (; count < upTo; ++count) {
            time += random() % 50 == 0 ? 2 * kSecondUs : static_cast<TimeUs>(random() % 3) * kMillisecondUs;
            store.Append(series, time, static_cast<double>(random() % 5 + count / 700 % 11));
        }
    };
    struct Case {
        double from, to; // of the points' time range
        double width;
        bool until; // the points after the span left out, as a paused view does
    };
    const Case cases[] = {{0, 1, 700, false}, {0, 1, 3, false},      {0.1, 0.9, 1000, false},
                          {0.3, 0.35, 50, true}, {-0.2, 0.5, 333, true}, {0, 1, 1, false}};
    Decimated blocks, plain;
    for (const size_t points : {15000, 20001, 33333, 70000}) {
        append(points);
        const SeriesPoints ring = store.Points(series);
        std::vector<ChartPoint> copy;
        for (size_t i = 0; i < ring.size(); ++i)
            copy.push_back(ring[i]);
        const TimeUs first = copy.front().time;
        const auto range = static_cast<double>(copy.back().time - first);
        for (const Case &c : cases) {
            const TimeSpan span{first + static_cast<TimeUs>(c.from * range), first + static_cast<TimeUs>(c.to * range)};
            const PlotArea area{0, 0, c.width, 100};
            const SeriesPoints shown = c.until ? ring.Through(span.end) : ring;
            DecimateToColumns(shown, span, area, blocks);
            DecimateToColumns(c.until ? View(copy).Through(span.end) : View(copy), span, area, plain);
            ASSERT_EQ(blocks.points.size(), plain.points.size()) << points << " " << c.from << " " << c.width;
            for (size_t i = 0; i < plain.points.size(); ++i) {
                EXPECT_EQ(blocks.points[i].x, plain.points[i].x) << points << " " << c.from << " " << i;
                EXPECT_EQ(blocks.points[i].value, plain.points[i].value) << points << " " << c.from << " " << i;
            }
            ASSERT_EQ(blocks.extent.has_value(), plain.extent.has_value());
            if (plain.extent) {
                EXPECT_EQ(blocks.extent->low, plain.extent->low);
                EXPECT_EQ(blocks.extent->high, plain.extent->high);
            }
        }
    }
}

// A decimation that goes on from the last one gives what a fresh one gives,
// as the series grows, until its columns or its points at index 0 change.
TEST(Decimate, GrowingGoesOnAsAFreshOneWould)
{
    std::mt19937 random(11);
    SeriesStore store(30000);
    const size_t series = *store.Series("s");
    TimeUs time = 0;
    const PlotArea area{0, 0, 640, 1};
    // From the first point, and from after the points the ring drops.
    const TimeSpan spans[] = {{0, 40000 * kMillisecondUs}, {15000 * kMillisecondUs, 40000 * kMillisecondUs}};
    Decimated growing[2], fresh;
    const auto same = [&](const Decimated &kept, const char *when) {
        ASSERT_EQ(kept.points.size(), fresh.points.size()) << when;
        for (size_t i = 0; i < fresh.points.size(); ++i) {
            ASSERT_EQ(kept.points[i].x, fresh.points[i].x) << when << " " << i;
            ASSERT_EQ(kept.points[i].value, fresh.points[i].value) << when << " " << i;
        }
        ASSERT_EQ(kept.extent.has_value(), fresh.extent.has_value()) << when;
        if (fresh.extent) {
            EXPECT_EQ(kept.extent->low, fresh.extent->low) << when;
            EXPECT_EQ(kept.extent->high, fresh.extent->high) << when;
        }
    };
    // A few points at a time and then thousands, past the spans' end and
    // on while the ring drops its oldest points.
    for (const size_t batch : {1, 1, 3, 17, 200, 1, 5000, 9000, 16000, 4, 300, 2}) {
        for (size_t i = 0; i < batch; ++i) {
            time += static_cast<TimeUs>(random() % 3) * kMillisecondUs;
            store.Append(series, time, static_cast<double>(random() % 100) - (i % 500 == 0 ? 1000 : 0));
        }
        for (size_t which = 0; which < 2; ++which) {
            const TimeSpan span = spans[which];
            DecimateGrowing(store.Points(series), series, span, area, growing[which]);
            DecimateToColumns(store.Points(series), span, area, fresh);
            same(growing[which], which == 0 ? "growing" : "growing, dropping before the span");
            // Paused: the points after a time left out, then again all of them.
            DecimateGrowing(store.Points(series).Through(time / 2), series, span, area, growing[which]);
            DecimateToColumns(store.Points(series).Through(time / 2), span, area, fresh);
            same(growing[which], "paused");
            DecimateGrowing(store.Points(series), series, span, area, growing[which]);
        }
    }
    // Another series in the same place is decimated afresh.
    const size_t other = *store.Series("t");
    store.Append(other, time, 5);
    DecimateGrowing(store.Points(other), other, spans[0], area, growing[0]);
    DecimateToColumns(store.Points(other), spans[0], area, fresh);
    same(growing[0], "other series");
}

TEST(ColumnRaster, TheLinesPixelsInEachColumnWithCoverageAtTheirEnds)
{
    std::vector<ColumnSpan> spans;
    // From outside the left edge, a slope of 10 px a column, then straight down.
    TraceColumns({{-1, 0}, {0.5, 15}, {3.5, 45}, {3.5, 60}}, 0, 6, spans);
    struct Case {
        bool covered;
        double top, bottom;
    };
    const Case expected[] = {{true, 10, 20}, {true, 20, 30}, {true, 30, 40}, {true, 40, 60}, {false, 0, 0},
                             {false, 0, 0}};
    for (size_t column = 0; column < 6; ++column) {
        EXPECT_EQ(spans[column].covered, expected[column].covered) << column;
        if (expected[column].covered) {
            EXPECT_DOUBLE_EQ(spans[column].top, expected[column].top) << column;
            EXPECT_DOUBLE_EQ(spans[column].bottom, expected[column].bottom) << column;
        }
    }

    // One column, rows 0.75 to 3: a quarter of row 0, rows 1 and 2 whole.
    std::vector<uint8_t> rgb(3 * 4, 0), alpha(4, 0);
    LineLayer layer{1, 4, rgb.data(), alpha.data()};
    const uint8_t red[3] = {255, 0, 0};
    const uint8_t blue[3] = {0, 0, 255};
    PaintColumns({{true, 11.25, 12.5}}, 0.5, 10, red, layer);
    EXPECT_EQ(alpha, (std::vector<uint8_t>{64, 255, 255, 0}));
    EXPECT_EQ(rgb[3], 255);
    // Half of blue over whole red: both, and still opaque.
    PaintColumns({{true, 12.5, 12.5}}, 0.25, 10, blue, layer);
    EXPECT_EQ(alpha[2], 255);
    EXPECT_NEAR(rgb[6], 128, 1);
    EXPECT_NEAR(rgb[8], 127, 1);
}

TEST(ViewMapping, PixelsBackAndForthZoomAndPan)
{
    const PlotArea area{50, 20, 200, 100};
    const TimeSpan span{1000 * kSecondUs, 1100 * kSecondUs};
    EXPECT_DOUBLE_EQ(TimeToX(1050 * kSecondUs, span, area), 150);
    EXPECT_EQ(XToTime(150, span, area), 1050 * kSecondUs);
    EXPECT_DOUBLE_EQ(ValueToY(10, {0, 10}, area), 20);
    EXPECT_DOUBLE_EQ(ValueToY(0, {0, 10}, area), 120);
    EXPECT_DOUBLE_EQ(YToValue(70, {0, 10}, area), 5);

    const TimeSpan zoomed = ZoomTime({0, 100 * kSecondUs}, 0.5, 80 * kSecondUs);
    EXPECT_EQ(zoomed.start, 40 * kSecondUs);
    EXPECT_EQ(zoomed.end, 90 * kSecondUs);
    const TimeSpan narrowest = ZoomTime({0, 2 * kMillisecondUs}, 0.001, 0);
    EXPECT_EQ(narrowest.end - narrowest.start, kShortestSpan);
    EXPECT_EQ(PanTime({0, 100}, -0.1).start, -10);
    const ValueRange values = ZoomValues({0, 10}, 0.5, 10);
    EXPECT_DOUBLE_EQ(values.low, 5);
    EXPECT_DOUBLE_EQ(values.high, 10);
    EXPECT_DOUBLE_EQ(PanValues({0, 10}, 0.2).high, 12);
    EXPECT_GT(ZoomValues({1e6, 1e6 + 1}, 1e-30, 1e6).high, 1e6); // never narrower than a double can tell
}

TEST(CursorReadout, NearestPointOfEachSeries)
{
    const std::vector<ChartPoint> points = {{0, 1.5}, {10, 2.5}, {20, 3.25}};
    struct Case {
        TimeUs at;
        size_t nearest;
    };
    for (const Case c : {Case{-5, 0}, Case{4, 0}, Case{5, 0}, Case{6, 1}, Case{19, 2}, Case{100, 2}})
        EXPECT_EQ(NearestPoint(View(points), c.at), c.nearest) << c.at;
    EXPECT_FALSE(NearestPoint(SeriesPoints(), 0));
    EXPECT_EQ(ReadoutLine("Temperature", View(points), 12), "Temperature: 2.5");
    EXPECT_EQ(ReadoutLine("2", SeriesPoints(), 12), "2: -");
    EXPECT_EQ(ReadoutText(0.1 + 0.2), "0.3");
    EXPECT_EQ(ReadoutText(4294967295.0), "4294967295");
    EXPECT_EQ(ReadoutText(-1e21), "-1e+21");
}

class ChartViewTest : public ::testing::Test {
protected:
    std::optional<TimeSpan> Data() const { return TimeSpan{0, m_newest}; }
    TimeSpan Shown() const { return m_view.Shown(Data(), m_newest); }

    ChartView m_view;
    TimeUs m_newest = 100 * kSecondUs;
};

TEST(ViewMapping, AllValuesShownLiveInASpanThatGrowsInSteps)
{
    EXPECT_EQ(SteppedWidth(0), 1);
    EXPECT_EQ(SteppedWidth(64), 64);
    EXPECT_EQ(SteppedWidth(1001), 1008); // steps of 8 up to 1024
    EXPECT_EQ(SteppedWidth(1024), 1024);
    for (TimeUs width = 1; width < 100 * kDayUs; width = width * 3 + 7) {
        const TimeUs stepped = SteppedWidth(width);
        EXPECT_GE(stepped, width);
        EXPECT_LE(stepped - width, width / 64) << width;
        EXPECT_EQ(SteppedWidth(stepped), stepped) << width;
    }
    // From the oldest point; a little more data, the same span.
    const TimeSpan span = GrowingWholeSpan(TimeSpan{5 * kSecondUs, 1000 * kSecondUs}, 0);
    EXPECT_EQ(span.start, 5 * kSecondUs);
    EXPECT_EQ(span.end - span.start, SteppedWidth(995 * kSecondUs));
    const TimeSpan later = GrowingWholeSpan(TimeSpan{5 * kSecondUs, 1001 * kSecondUs}, 0);
    EXPECT_EQ(later.end, span.end);
    EXPECT_EQ(GrowingWholeSpan(std::nullopt, kMinuteUs).end, SteppedWidth(kMinuteUs));

    // While the oldest points are dropped, both ends on the steps, the
    // oldest point at most a step before the start.
    const TimeUs step = 8 * kSecondUs + 388608; // a power of two microseconds above 995 s / 128
    const TimeSpan dropping = GrowingWholeSpan(TimeSpan{5 * kSecondUs, 1000 * kSecondUs}, 0, true);
    EXPECT_EQ(dropping.start, step);
    EXPECT_EQ(dropping.end % step, 0);
    EXPECT_GE(dropping.end, 1000 * kSecondUs);
    const TimeSpan moved = GrowingWholeSpan(TimeSpan{8 * kSecondUs, 1003 * kSecondUs}, 0, true);
    EXPECT_EQ(moved.start, dropping.start);
    EXPECT_EQ(moved.end, dropping.end);
}

TEST_F(ChartViewTest, LiveFollowsTheNewestPointWithAllOrAZoomedWidth)
{
    EXPECT_TRUE(m_view.Live());
    EXPECT_EQ(Shown().start, 0);
    m_newest += 10 * kSecondUs;
    EXPECT_EQ(Shown().end, SteppedWidth(m_newest)); // all of it: grown in a step

    m_view.Zoom(0.5, std::nullopt, Data(), m_newest); // "+": about the live edge
    EXPECT_TRUE(m_view.Live());
    EXPECT_EQ(Shown().end - Shown().start, 55 * kSecondUs);
    m_newest += 10 * kSecondUs;
    EXPECT_EQ(Shown().end, m_newest);

    m_view.Pan(-0.5, Data(), m_newest); // back in time: holds there
    EXPECT_FALSE(m_view.Live());
    const TimeSpan held = Shown();
    m_newest += 10 * kSecondUs;
    EXPECT_EQ(Shown().start, held.start);
    EXPECT_EQ(Shown().end, held.end);

    m_view.Pan(2, Data(), m_newest); // past the newest point: live again
    EXPECT_TRUE(m_view.Live());
    EXPECT_EQ(Shown().end, m_newest);

    m_view.Home();
    EXPECT_EQ(Shown().start, 0);
    EXPECT_EQ(Shown().end, SteppedWidth(m_newest));
}

TEST_F(ChartViewTest, PauseHoldsTheSpanAndResumeJumpsBackToLive)
{
    m_view.Pause(Data(), m_newest);
    const TimeSpan paused = Shown();
    m_newest += 30 * kSecondUs;
    EXPECT_TRUE(m_view.Paused());
    EXPECT_EQ(m_view.Until(), m_newest - 30 * kSecondUs); // what came since waits
    EXPECT_EQ(Shown().start, paused.start);
    EXPECT_EQ(Shown().end, paused.end);

    m_view.Zoom(0.5, paused.start + 25 * kSecondUs, Data(), m_newest); // zooming while paused stays paused
    EXPECT_TRUE(m_view.Paused());
    const TimeUs zoomed = (paused.end - paused.start) / 2;
    EXPECT_EQ(Shown().end - Shown().start, zoomed);

    m_view.Resume(); // with the width zoomed to
    EXPECT_TRUE(m_view.Live());
    EXPECT_FALSE(m_view.Until());
    EXPECT_EQ(Shown().end, m_newest);
    EXPECT_EQ(Shown().end - Shown().start, zoomed);

    m_view.Pause(Data(), m_newest);
    m_view.Home();
    EXPECT_FALSE(m_view.Paused());
    EXPECT_EQ(Shown().start, 0);
}

} // namespace
