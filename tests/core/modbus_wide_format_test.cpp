// 32- and 64-bit values in the forms: shown from their registers in each
// order, written from grid cells, and counts that would split a value.
#include "modbus/wide_format.h"

#include <gtest/gtest.h>
#include <random>

namespace {

int Format(const std::string &name)
{
    for (int format = 0; format < READ_FORMAT_COUNT; ++format)
        if (FormatChoiceName(format) == name)
            return format;
    ADD_FAILURE() << "no format " << name;
    return -1;
}

TEST(WideFormat, ShowsPairsInEachOrder)
{
    EXPECT_EQ(FormatChoiceName(FORMAT_COUNT - 1), "Binary 16");
    EXPECT_EQ(FormatChoiceName(FORMAT_COUNT + 11), "Float32 DCBA");
    EXPECT_EQ(FormatChoiceName(FORMAT_COUNT + 12), "U64 ABCDEFGH");
    EXPECT_EQ(FormatChoiceName(READ_FORMAT_COUNT - 1), "Float64 HGFEDCBA");
    // 0x12345678 as the device keeps it in each order.
    const uint16_t abcd[] = {0x1234, 0x5678}, cdab[] = {0x5678, 0x1234}, badc[] = {0x3412, 0x7856},
                   dcba[] = {0x7856, 0x3412};
    EXPECT_EQ(WideText(abcd, Format("U32 ABCD")), "305419896");
    EXPECT_EQ(WideText(cdab, Format("U32 CDAB")), "305419896");
    EXPECT_EQ(WideText(badc, Format("U32 BADC")), "305419896");
    EXPECT_EQ(WideText(dcba, Format("U32 DCBA")), "305419896");
    const uint16_t minusOne[] = {0xFFFF, 0xFFFF}, pi[] = {0x4049, 0x0FDB}, nan[] = {0x7FC0, 0x0000},
                   negInf[] = {0x0000, 0xFF80};
    EXPECT_EQ(WideText(minusOne, Format("U32 ABCD")), "4294967295");
    EXPECT_EQ(WideText(minusOne, Format("S32 ABCD")), "-1");
    EXPECT_EQ(WideText(pi, Format("Float32 ABCD")), "3.1415927"); // the shortest text of that float
    EXPECT_EQ(WideText(nan, Format("Float32 ABCD")), "nan");
    EXPECT_EQ(WideText(negInf, Format("Float32 CDAB")), "-inf");

    const std::vector<uint16_t> three = {0x4049, 0x0FDB, 0x0001};
    EXPECT_EQ(FormatWideRegisters(three.data(), three.size(), Format("Float32 ABCD")), "[3.1415927]");
    const std::vector<TableRow> rows = WideTableRows(10, {0, 1, 0, 2}, Format("U32 ABCD"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].address, "12");
    EXPECT_EQ(rows[1].value, "2");

    EXPECT_EQ(PairRefusal(3, Format("S32 BADC")), "a 32-bit format needs an even count");
    EXPECT_EQ(PairRefusal(4, Format("S32 BADC")), "");
    EXPECT_EQ(PairRefusal(3, FORMAT_HEX), "");

    // 0x0102030405060708 in the words-reversed order; -1.5 big-endian.
    const std::vector<uint16_t> wide = {0x0708, 0x0506, 0x0304, 0x0102, 0xBFF8, 0x0000, 0x0000, 0x0000, 0x0001};
    EXPECT_EQ(WideText(wide.data(), Format("U64 GHEFCDAB")), "72623859790382856");
    EXPECT_EQ(FormatWideRegisters(wide.data() + 4, 5, Format("Float64 ABCDEFGH")), "[-1.5]");
    const std::vector<TableRow> rows64 = WideTableRows(10, wide, Format("S64 ABCDEFGH"));
    ASSERT_EQ(rows64.size(), 2u);
    EXPECT_EQ(rows64[1].address, "14");
    EXPECT_EQ(rows64[1].value, "-4613937818241073152");
    EXPECT_EQ(PairRefusal(6, Format("U64 BADCFEHG")), "a 64-bit format needs a count divisible by 4");
    EXPECT_EQ(PairRefusal(8, Format("U64 BADCFEHG")), "");
}

TEST(WideFormat, GridCellsBecomePairs)
{
    EXPECT_EQ(WriteFormatName(0), "16-bit");
    EXPECT_EQ(WriteChoiceFormat(0), 0);
    EXPECT_EQ(WriteFormatName(12), "Float32 DCBA");
    EXPECT_EQ(WriteFormatName(WRITE_FORMAT_COUNT - 1), "Float64 HGFEDCBA");

    GridValues<uint16_t> grid = GridWideValues({"305419896", " -1 ", ""}, Format("U32 CDAB"));
    EXPECT_EQ(grid.refusal, "row 2 must be 0 to 4294967295");
    grid = GridWideValues({"305419896", "-1"}, Format("S32 CDAB"));
    EXPECT_EQ(grid.refusal, "");
    EXPECT_EQ(grid.values, (std::vector<uint16_t>{0x5678, 0x1234, 0xFFFF, 0xFFFF}));
    grid = GridWideValues({"3.5", "-2.5e-1"}, Format("Float32 DCBA"));
    EXPECT_EQ(grid.values, (std::vector<uint16_t>{0x0000, 0x6040, 0x0000, 0x80BE}));
    EXPECT_EQ(GridWideValues({"1", "", "2"}, Format("U32 ABCD")).refusal, "row 2 is empty");
    EXPECT_EQ(GridWideValues({"1.5"}, Format("U32 ABCD")).refusal, "row 1 is no number");
    EXPECT_EQ(GridWideValues({"abc"}, Format("Float32 ABCD")).refusal, "row 1 is no number");
    EXPECT_EQ(GridWideValues({"1e99"}, Format("Float32 ABCD")).refusal, "row 1 is no number");
    EXPECT_EQ(GridWideValues({"4294967296"}, Format("U32 ABCD")).refusal, "row 1 must be 0 to 4294967295");
    EXPECT_EQ(GridWideValues({"", ""}, Format("U32 ABCD")).refusal, "no values set");
    grid = GridWideValues({"-2", "0.1"}, Format("Float64 HGFEDCBA"));
    EXPECT_EQ(grid.values, (std::vector<uint16_t>{0x0000, 0x0000, 0x0000, 0x00C0, 0x9A99, 0x9999, 0x9999, 0xB93F}));
    EXPECT_EQ(GridWideValues({"18446744073709551616"}, Format("U64 ABCDEFGH")).refusal,
              "row 1 must be 0 to 18446744073709551615");
}

// Every finite float the table shows, subnormal ones included, is taken
// back as typed and written as the same bits.
TEST(WideFormat, EveryFiniteFloatShownIsWrittenBackAsItsBits)
{
    const int format = Format("Float32 ABCD");
    const uint16_t subnormal[] = {0x0001, 0x16C2};
    EXPECT_EQ(WideText(subnormal, format), "9.99995e-41");
    EXPECT_EQ(GridWideValues({"9.99995e-41"}, format).values, (std::vector<uint16_t>{0x0001, 0x16C2}));
    std::mt19937 random(29);
    std::vector<uint32_t> patterns = {0x00000001, 0x80000001, 0x007FFFFF, 0x00800000, 0x7F7FFFFF, 0xFF7FFFFF,
                                      0x80000000, 0x00000000};
    for (int draw = 0; draw < 20000; ++draw)
        patterns.push_back(static_cast<uint32_t>(random()) >> (draw % 2 == 0 ? 0 : 9)); // half of them subnormal
    for (const uint32_t bits : patterns) {
        const uint16_t pair[] = {static_cast<uint16_t>(bits >> 16), static_cast<uint16_t>(bits & 0xFFFF)};
        const std::string shown = WideText(pair, format);
        if (shown == "nan" || shown == "inf" || shown == "-inf")
            continue;
        const GridValues<uint16_t> grid = GridWideValues({shown}, format);
        EXPECT_EQ(grid.refusal, "") << shown;
        EXPECT_EQ(grid.values, (std::vector<uint16_t>{pair[0], pair[1]})) << shown;
    }
}

} // namespace
