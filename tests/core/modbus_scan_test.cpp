// Unit and register scans over fake devices: what they find and how many
// requests it takes.
#include "library/modbus_lib/modbus.h"
#include "modbus/register_scan.h"
#include "modbus/unit_scan.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// A register map: the addresses that exist. A read of a block with any
// missing address gets exception 2; above `limit` items exception 3.
struct FakeMap {
    explicit FakeMap(std::set<int> addresses, int most = 125) : present(std::move(addresses)), limit(most) {}

    std::set<int> present;
    int limit;
    std::vector<std::pair<int, int>> reads;

    BlockRead operator()(int address, int count)
    {
        reads.push_back({address, count});
        if (count > limit)
            return {BlockResult::TooMany, ""};
        for (int at = address; at < address + count; ++at)
            if (present.count(at) == 0)
                return {BlockResult::Refused, ""};
        return {BlockResult::Readable, ""};
    }
};

std::set<int> Span(int from, int to, std::set<int> into = {})
{
    for (int at = from; at <= to; ++at)
        into.insert(at);
    return into;
}

std::string Ranges(const RegisterScan &scan)
{
    std::string text;
    for (const AddressRange &range : scan.ranges)
        text += (text.empty() ? "" : ", ") + RangeText(range);
    return text;
}

RegisterScan Scan(FakeMap &map, int from, int to, int largest = 125)
{
    return ScanRegisters(from, to, largest, [&map](int a, int c) { return map(a, c); }, nullptr);
}

TEST(RegisterScan, FindsTheRangesInFewRequests)
{
    struct Case {
        std::set<int> present;
        int from, to;
        const char *ranges;
        int maxRequests;
    };
    const Case cases[] = {
        // The example map: a refused run costs a request an address.
        {Span(200, 231, Span(0, 99)), 0, 231, "0-99 readable, 100-199 refused, 200-231 readable", 125},
        // One missing address in a thousand.
        {Span(501, 999, Span(0, 499)), 0, 999, "0-499 readable, 500-500 refused, 501-999 readable", 25},
        {Span(0, 9999), 0, 9999, "0-9999 readable", 80},
        {{}, 10, 19, "10-19 refused", 10 + 4},
        {{5}, 5, 5, "5-5 readable", 1},
        {{0, 2, 4}, 0, 4, "0-0 readable, 1-1 refused, 2-2 readable, 3-3 refused, 4-4 readable", 9},
        {Span(65400, 65535), 65300, 65535, "65300-65399 refused, 65400-65535 readable", 120},
    };
    for (const Case &c : cases) {
        FakeMap map(c.present);
        const RegisterScan scan = Scan(map, c.from, c.to);
        EXPECT_EQ(Ranges(scan), c.ranges);
        EXPECT_EQ(scan.requests, static_cast<int>(map.reads.size()));
        EXPECT_LE(scan.requests, c.maxRequests) << c.ranges;
        EXPECT_FALSE(scan.cancelled);
        for (const auto &read : map.reads) {
            EXPECT_LE(read.second, 125);
            EXPECT_GE(read.first, c.from);
            EXPECT_LE(read.first + read.second - 1, c.to);
        }
    }
}

TEST(RegisterScan, BitsInBlocksOf2000AndADeviceThatTakesFewer)
{
    FakeMap coils(Span(0, 9999), 2000);
    const RegisterScan bits = Scan(coils, 0, 9999, LargestRead(1));
    EXPECT_EQ(Ranges(bits), "0-9999 readable");
    EXPECT_EQ(bits.requests, 5);
    EXPECT_EQ(LargestRead(4), 125);
    EXPECT_EQ(LargestRead(6), 0);

    // Exception 3 above 40 registers: the blocks stay below what it took.
    FakeMap small(Span(0, 999), 40);
    const RegisterScan scan = Scan(small, 0, 999);
    EXPECT_EQ(Ranges(scan), "0-999 readable");
    EXPECT_LE(scan.requests, 40);
}

TEST(RegisterScan, StopsOnFailureAndCancels)
{
    int calls = 0;
    const RegisterScan failed = ScanRegisters(
        0, 999, 125,
        [&calls](int address, int) {
            ++calls;
            return address == 0 ? BlockRead{BlockResult::Readable, ""} : BlockRead{BlockResult::Failed, "no answer"};
        },
        nullptr);
    EXPECT_EQ(Ranges(failed), "0-124 readable");
    EXPECT_EQ(failed.failure, "no answer");
    EXPECT_EQ(failed.stoppedAt, 125);
    EXPECT_EQ(failed.requests, 2);

    FakeMap map(Span(0, 999));
    const RegisterScan cancelled =
        ScanRegisters(0, 999, 125, [&map](int a, int c) { return map(a, c); }, [](int address) { return address < 250; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.stoppedAt, 250);
    EXPECT_EQ(Ranges(cancelled), "0-249 readable");
}

TEST(UnitScan, ListsEveryUnitThatAnswers)
{
    const auto answer = [](int exception) {
        FrameDescription description;
        description.exception = exception;
        return description;
    };
    EXPECT_EQ(ProbeResultOfAnswer(answer(0)), ProbeResult::Present);
    EXPECT_EQ(ProbeResultOfAnswer(answer(2)), ProbeResult::Present);
    EXPECT_EQ(ProbeResultOfAnswer(answer(10)), ProbeResult::Absent);
    EXPECT_EQ(ProbeResultOfAnswer(answer(11)), ProbeResult::Absent);
    EXPECT_EQ(UnitProbeRequest(17), (std::vector<uint8_t>{17, 3, 0, 0, 0, 1}));

    std::vector<int> asked;
    const UnitScan scan = ScanUnits(
        1, 247,
        [&asked](int unit) {
            asked.push_back(unit);
            if (unit == 3 || unit == 200)
                return UnitProbe{ProbeResult::Present, "unit " + std::to_string(unit)};
            return UnitProbe{ProbeResult::Absent, ""};
        },
        nullptr);
    EXPECT_EQ(asked.size(), 247u);
    EXPECT_EQ(scan.requests, 247);
    ASSERT_EQ(scan.found.size(), 2u);
    EXPECT_EQ(scan.found[1].unit, 200);
    EXPECT_EQ(scan.found[1].detail, "unit 200");

    const UnitScan fatal = ScanUnits(
        1, 10, [](int unit) { return UnitProbe{unit == 4 ? ProbeResult::Fatal : ProbeResult::Absent, "refused"}; },
        nullptr);
    EXPECT_EQ(fatal.stoppedAt, 4);
    EXPECT_EQ(fatal.failure, "refused");
    const UnitScan cancelled = ScanUnits(
        1, 10, [](int) { return UnitProbe{}; }, [](int unit) { return unit < 6; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(cancelled.requests, 5);
    EXPECT_EQ(cancelled.stoppedAt, 6);
}

} // namespace
