#include "chart/chart_window.h"
#include "tests/uart/uart_panel_driver.h"
#include "uart/stream_plot.h"

#include <array>
#include <deque>
#include <string>
#include <vector>

namespace {

using namespace uart_testing;
using namespace testing_support;

std::vector<double> Values(const SeriesStore &store, const std::string &name)
{
    std::vector<double> values;
    if (const std::optional<size_t> series = store.Find(name)) {
        const SeriesPoints points = store.Points(*series);
        for (size_t index = 0; index < points.size(); ++index)
            values.push_back(points[index].value);
    }
    return values;
}

void ClosePlot()
{
    if (ChartWindow *window = Panel()->ReceivedPlot().Window())
        window->Destroy();
    EXPECT_TRUE(WaitUntil([] { return !Panel()->ReceivedPlot().IsOpen(); }));
}

class StreamPlotTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPanel(); }
    void TearDown() override
    {
        ClosePlot();
        ResetPanel();
    }
};

// Lines cut across chunks, one that is no line of numbers, CR LF endings.
const char *const kPieces[] = {"t=21", ".5;h=4", "0\r\nbooting...\r\nt=22;", "h=41\r\n"};

struct Received {
    std::array<wxString, kNotationCount> views;
    uint64_t shown = 0; // since the pieces began
    uint64_t received = 0;
};

Received SendPieces(Connected &link)
{
    const uint64_t shownBefore = Panel()->RxBytesShown();
    for (const char *piece : kPieces)
        link.SendAndShow(piece);
    Received got;
    for (int notation = 0; notation < kNotationCount; ++notation)
        got.views[notation] = ViewText(notation);
    got.shown = Panel()->RxBytesShown() - shownBefore;
    got.received = Panel()->Link().Status().rxBytes;
    return got;
}

TEST(StreamPlotChunks, FeedsOnlyTheChunksTakenAtTheirTime)
{
    std::deque<ReceiveInbox::Chunk> chunks;
    for (const std::string piece : {"9\n", "1,2", "0\n3", ";4\nx\n"})
        chunks.push_back(ReceiveInbox::MakeChunk(reinterpret_cast<const uint8_t *>(piece.data()), piece.size()));
    StreamNumbers numbers;
    SeriesStore store;
    PlotChunks(numbers, store, chunks, 1, 7); // the first was taken before
    EXPECT_EQ(Values(store, "1"), (std::vector<double>{1, 3}));
    EXPECT_EQ(Values(store, "2"), (std::vector<double>{20, 4}));
    EXPECT_EQ(store.Points(*store.Find("2"))[1].time, 7);
    EXPECT_EQ(numbers.SkippedLines(), 1u);
    PlotChunks(numbers, store, chunks, chunks.size(), 8);
    EXPECT_EQ(numbers.ParsedLines(), 2u);

    EXPECT_EQ(StreamPlotCounts(1, 0, 0), "1 line plotted, 0 skipped (no numbers)");
    EXPECT_EQ(StreamPlotCounts(5, 2, 1), "5 lines plotted, 2 skipped (no numbers), 1 value refused (more than 32 series)");
}

TEST_F(StreamPlotTest, PlotsTheSeriesOfReceivedLinesAndLeavesTheViewsAlone)
{
    // Closed, the plot parses nothing.
    const uint64_t parsedBefore = Panel()->ReceivedPlot().Numbers().ParsedLines();
    Received unplotted;
    {
        Connected link;
        unplotted = SendPieces(link);
    }
    EXPECT_FALSE(Panel()->ReceivedPlot().IsOpen());
    EXPECT_EQ(Panel()->ReceivedPlot().Numbers().ParsedLines(), parsedBefore);
    ResetPanel();

    Panel()->OpenStreamPlot();
    const StreamPlot &plot = Panel()->ReceivedPlot();
    ASSERT_TRUE(plot.IsOpen());
    Received plotted;
    {
        Connected link;
        plotted = SendPieces(link);
    }
    EXPECT_EQ(Values(plot.Store(), "t"), (std::vector<double>{21.5, 22}));
    EXPECT_EQ(Values(plot.Store(), "h"), (std::vector<double>{40, 41}));
    EXPECT_EQ(plot.Numbers().SkippedLines(), 1u);
    ChartWindow *window = plot.Window();
    EXPECT_EQ(window->Note(), "2 lines plotted, 1 skipped (no numbers)");
    // Both series come into the legend shown; the user can hide one.
    EXPECT_TRUE(WaitUntil([window] { return window->IsSeriesShown("t") && window->IsSeriesShown("h"); }));
    EXPECT_TRUE(window->ShowSeries("h", false));
    EXPECT_FALSE(window->IsSeriesShown("h"));

    for (int notation = 0; notation < kNotationCount; ++notation)
        EXPECT_EQ(plotted.views[notation], unplotted.views[notation]) << notation;
    EXPECT_EQ(plotted.shown, unplotted.shown);
    EXPECT_EQ(plotted.received, unplotted.received);

    // Opening again raises the same plot; a new connection starts new lines,
    // and the piece of a line the old one left is no part of them.
    Panel()->OpenStreamPlot();
    EXPECT_EQ(plot.Window(), window);
    {
        Connected link;
        link.SendAndShow("1");
    }
    Connected link;
    link.SendAndShow("5\n");
    EXPECT_EQ(Values(plot.Store(), "1"), std::vector<double>{5});
}

} // namespace
