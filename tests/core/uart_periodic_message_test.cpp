#include "uart/periodic_message.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(PadMessage, PadsWithThePositionModulo256)
{
    EXPECT_EQ(PadMessage({0x41, 0x42, 0x43}, 6), (Bytes{0x41, 0x42, 0x43, 0x03, 0x04, 0x05}));
    const Bytes padded = PadMessage({0x01}, 300);
    ASSERT_EQ(padded.size(), 300U);
    EXPECT_EQ(padded[255], 0xFF);
    EXPECT_EQ(padded[256], 0x00);
    EXPECT_EQ(padded[299], 43);
}

TEST(PadMessage, TotalSizeBelowTheMessageSendsItWhole)
{
    EXPECT_EQ(PadMessage({1, 2, 3, 4}, 2), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(PadMessage({1, 2, 3, 4}, 0), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(PadMessage({1, 2, 3, 4}, -5), (Bytes{1, 2, 3, 4}));
}

// Without a line ending: as ever, the counter takes the place of the last
// two bytes, of the padding when there is some.
TEST(WithCounter, CounterTakesThePlaceOfTheLastTwoBytes)
{
    EXPECT_EQ(WithCounter(MakePeriodicMessage({0x41, 0x42, 0x43, 0x44}, 0, 0), 1), (Bytes{0x00, 0x01, 0x41, 0x42}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage({0x41, 0x42, 0x43, 0x44}, 0, 0), 0x1234),
              (Bytes{0x12, 0x34, 0x41, 0x42}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage({0xAA, 0xBB}, 0, 6), 2), (Bytes{0x00, 0x02, 0xAA, 0xBB, 0x02, 0x03}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage({0xAA, 0xBB}, 0, 0), 7), (Bytes{0x00, 0x07}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage({0xAA}, 0, 0), 0x0102), (Bytes{0x01, 0x02}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage({}, 0, 0), 0x0102), (Bytes{0x01, 0x02}));
}

// The line ending goes out whole at the end; the counter takes its room from
// the padding, then from the text.
TEST(WithCounter, LineEndingGoesOutWholeAfterTheText)
{
    const Bytes atCrLf{'A', 'T', '+', 'X', '\r', '\n'};
    EXPECT_EQ(WithCounter(MakePeriodicMessage(atCrLf, 2, 0), 1), (Bytes{0, 1, 'A', 'T', '\r', '\n'}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage(atCrLf, 2, 7), 1), (Bytes{0, 1, 'A', 'T', '+', '\r', '\n'}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage(atCrLf, 2, 9), 1), (Bytes{0, 1, 'A', 'T', '+', 'X', '\r', '\n', 6}));
    EXPECT_EQ(WithCounter(MakePeriodicMessage({'A', '\r'}, 1, 0), 1), (Bytes{0, 1, '\r'}));
}

TEST(MessageCounter, RunsFromOneAndWrapsToZeroAfter65535)
{
    MessageCounter counter;
    EXPECT_EQ(counter.Value(), 1);
    for (int step = 1; step < 65535; ++step)
        counter.Advance();
    EXPECT_EQ(counter.Value(), 65535);
    counter.Advance();
    EXPECT_EQ(counter.Value(), 0);
    counter.Advance();
    EXPECT_EQ(counter.Value(), 1);
}

} // namespace
