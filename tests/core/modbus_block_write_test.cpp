// A value typed into a block's table as its write: the function and
// registers for each kind of row, and the refusals that send nothing.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/block_write.h"

#include <gtest/gtest.h>

namespace {

BlockDefinition Holding()
{
    BlockDefinition block;
    block.name = "meter";
    block.unit = 7;
    block.start = 100;
    block.count = 6;
    block.rows[2] = {"energy", ValueFormat{ValueType::F32, MB_ORDER_CDAB}};
    block.rows[4] = {"total", ValueFormat{ValueType::U64, MB_ORDER_ABCDEFGH}};
    return block;
}

TEST(BlockWrite, EachRowKindGoesWithItsFunction)
{
    const BlockDefinition block = Holding();
    const std::vector<BlockCell> cells = BlockLayout(block);
    ASSERT_EQ(cells.size(), 4u);

    const BlockWrite single = BlockWriteRequest(block, cells[1], " 0xfffe ");
    EXPECT_EQ(single.refusal, "");
    EXPECT_EQ(single.request.function, 6);
    EXPECT_EQ(single.request.unit, 7);
    EXPECT_EQ(single.request.address, 101);
    EXPECT_EQ(single.request.registers, (std::vector<uint16_t>{0xFFFE}));
    EXPECT_EQ(single.done, "Wrote 1 register");

    const BlockWrite pair = BlockWriteRequest(block, cells[2], "230.5");
    EXPECT_EQ(pair.request.function, 16);
    EXPECT_EQ(pair.request.address, 102);
    EXPECT_EQ(pair.request.registers, (std::vector<uint16_t>{0x8000, 0x4366}));
    EXPECT_EQ(pair.done, "Wrote 2 registers");

    const BlockWrite wide = BlockWriteRequest(block, cells[3], "0x0102030405060708");
    EXPECT_EQ(wide.request.function, 16);
    EXPECT_EQ(wide.request.registers, (std::vector<uint16_t>{0x0102, 0x0304, 0x0506, 0x0708}));

    BlockDefinition coils;
    coils.name = "coils";
    coils.function = 1;
    coils.start = 5;
    coils.count = 3;
    const BlockWrite coil = BlockWriteRequest(coils, BlockLayout(coils)[2], "1");
    EXPECT_EQ(coil.request.function, 5);
    EXPECT_EQ(coil.request.address, 7);
    EXPECT_EQ(coil.request.coils, (std::vector<uint8_t>{1}));
    EXPECT_EQ(coil.done, "Wrote 1 coil");
}

TEST(BlockWrite, RefusesWhatCannotGo)
{
    const BlockDefinition block = Holding();
    const std::vector<BlockCell> cells = BlockLayout(block);
    const struct {
        BlockCell cell;
        const char *text;
        const char *why;
    } cases[] = {
        {cells[0], "65536", "value must be 0 to 65535"},
        {cells[0], "", "value is no number"},
        {cells[2], "abc", "value is no number"},
    };
    for (const auto &item : cases) {
        const BlockWrite write = BlockWriteRequest(block, item.cell, item.text);
        EXPECT_EQ(write.refusal, item.why) << item.text;
        EXPECT_TRUE(write.request.registers.empty());
    }

    BlockDefinition bits = block;
    bits.function = 1;
    bits.rows.clear();
    EXPECT_EQ(BlockWriteRequest(bits, BlockLayout(bits)[0], "2").refusal, "value must be 0 or 1");
    for (const int function : {2, 4}) {
        BlockDefinition readOnly = bits;
        readOnly.function = function;
        EXPECT_EQ(BlockWriteRequest(readOnly, BlockLayout(readOnly)[0], "1").refusal, "read-only");
    }
}

} // namespace
