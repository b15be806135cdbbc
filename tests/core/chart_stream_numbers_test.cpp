#include "chart/stream_numbers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "name=value" items joined by blanks, to hold against a table.
std::string Text(const NumberLine &line)
{
    std::string text;
    for (const NamedValue &value : line) {
        char number[32];
        std::snprintf(number, sizeof number, "%g", value.value);
        text += (text.empty() ? "" : " ") + value.name + "=" + number;
    }
    return text;
}

TEST(StreamNumbers, ColumnsAndPairsOfALine)
{
    struct Case {
        const char *line;
        const char *values; // "" when the line does not parse
    };
    const Case cases[] = {
        {"1.5,2,-3", "1=1.5 2=2 3=-3"},
        {"  21.5 ; 40\t1013.25 ", "1=21.5 2=40 3=1013.25"},
        {"1 2   3", "1=1 2=2 3=3"},
        {"1, 2 3", "1=1 2=2 3=3"},
        {"1,,3", "1=1 3=3"},       // an empty column keeps the numbers of those after it
        {"+1e3,.5,-.25,", "1=1000 2=0.5 3=-0.25"},
        {"temp=21.5,hum=40", "temp=21.5 hum=40"},
        {"temp:21.5 hum:40", "temp=21.5 hum=40"},
        {"a = 1; b : -2", "a=1 b=-2"},
        {"Sensor_1.x=3 v-2=4", "Sensor_1.x=3 v-2=4"},
        {"hello world", ""},
        {"1,2,x", ""},
        {"12:30:01 21.5", ""},     // a time of day is no name
        {"=1+2=3", ""},            // nor a formula
        {"temp=21.5 C", ""},
        {"temp=", ""},
        {"nan,inf", ""},
        {"1e999", ""},
        {"0x10", ""},
        {",,", ""},
        {"1,2\xff", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Text(ParseNumberLine(c.line)), c.values) << c.line;
}

TEST(StreamNumbers, LinesInPiecesEndingsAndCounts)
{
    StreamNumbers numbers;
    const std::string first = "1,2\r\n3,";
    std::vector<NumberLine> lines = numbers.Feed(first);
    EXPECT_EQ(first, "1,2\r\n3,"); // the bytes are only read
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Text(lines[0]), "1=1 2=2");
    lines = numbers.Feed("4\rjunk\n\nt=5\r");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Text(lines[0]), "1=3 2=4");
    EXPECT_EQ(Text(lines[1]), "t=5");
    lines = numbers.Feed("\n6"); // LF after CR: an empty line, not counted
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(numbers.ParsedLines(), 3u);
    EXPECT_EQ(numbers.SkippedLines(), 1u);

    numbers.Reset(); // the "6" of an earlier connection goes
    EXPECT_EQ(Text(numbers.Feed("7\n").at(0)), "1=7");
}

TEST(StreamNumbers, AnOverlongLineIsSkippedOnceAndTheTailStaysBounded)
{
    StreamNumbers numbers;
    const std::string digits(StreamNumbers::kLongestLine, '1');
    for (int piece = 0; piece < 100; ++piece)
        EXPECT_TRUE(numbers.Feed(digits).empty());
    const std::vector<NumberLine> lines = numbers.Feed("\n5\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Text(lines[0]), "1=5");
    EXPECT_EQ(numbers.SkippedLines(), 1u);
    // A line of exactly the longest length still counts.
    const std::string longest = "1" + std::string(StreamNumbers::kLongestLine - 2, ' ') + "3";
    EXPECT_EQ(numbers.Feed(longest + "\n").size(), 1u);
    EXPECT_TRUE(numbers.Feed(longest + " \n").empty());
}

TEST(StreamNumbers, AppendsEachLinesValuesAtTheTimeGiven)
{
    SeriesStore store;
    StreamNumbers numbers;
    AppendLines(store, 1000, numbers.Feed("1,2\nv=3\n4\n"));
    ASSERT_EQ(store.SeriesCount(), 3u);
    EXPECT_EQ(store.Points(*store.Find("1")).size(), 2u);
    EXPECT_EQ(store.Points(*store.Find("v"))[0].value, 3);
    EXPECT_EQ(store.Points(*store.Find("2"))[0].time, 1000);
}

} // namespace
