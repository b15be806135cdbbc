// A block's definition: every field checked with a reason naming it, rows
// of several registers taking the rows of their registers, and an answer
// decoded into named values.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/block_definition.h"

#include <gtest/gtest.h>

namespace {

BlockDefinition Meter()
{
    BlockDefinition block;
    block.name = "meter";
    block.start = 100;
    block.count = 8;
    block.rows[0] = {"voltage", ValueFormat{ValueType::F32, MB_ORDER_CDAB}};
    block.rows[2] = {"energy", ValueFormat{ValueType::U64, MB_ORDER_ABCDEFGH}};
    block.rows[7] = {"status", std::nullopt};
    return block;
}

TEST(BlockDefinition, EveryBadFieldIsNamed)
{
    EXPECT_EQ(ValidateBlock(Meter()), "");
    const struct {
        void (*spoil)(BlockDefinition &);
        const char *why;
    } cases[] = {
        {[](BlockDefinition &b) { b.name = " "; }, "name is empty"},
        {[](BlockDefinition &b) { b.unit = 256; }, "unit must be 0 to 255"},
        {[](BlockDefinition &b) { b.function = 5; }, "function must be 1, 2, 3 or 4"},
        {[](BlockDefinition &b) { b.start = -1; }, "start must be 0 to 65535"},
        {[](BlockDefinition &b) { b.count = 126; }, "count must be 1 to 125"},
        {[](BlockDefinition &b) { b.start = 65530; }, "count 8 from start 65530 goes past address 65535"},
        {[](BlockDefinition &b) { b.periodMs = 9; }, "period must be 10 to 86400000"},
        {[](BlockDefinition &b) { b.rows[8] = {"late", std::nullopt}; },
         "row at address 108: past the block's 8 registers"},
        {[](BlockDefinition &b) { b.rows[3] = {"inside", std::nullopt}; },
         "row at address 103: taken by the u64 abcdefgh at address 102"},
        {[](BlockDefinition &b) { b.rows[7].format = ValueFormat{ValueType::S32, MB_ORDER_ABCD}; },
         "row at address 107: s32 abcd takes 2 registers, past the block's end at 107"},
        {[](BlockDefinition &b) { b.format = {ValueType::U32, MB_ORDER_ABCD}; },
         "row at address 107: taken by the u32 abcd at address 106"},
        {[](BlockDefinition &b) {
             b.format = {ValueType::U32, MB_ORDER_ABCD};
             b.rows.erase(7);
             b.count = 7;
         },
         "format: u32 abcd takes 2 registers, past the block's end at 106"},
        {[](BlockDefinition &b) { b.function = 1; }, "row at address 100: format does not apply to bits"},
    };
    for (const auto &item : cases) {
        BlockDefinition block = Meter();
        item.spoil(block);
        EXPECT_EQ(ValidateBlock(block), item.why);
    }
    BlockDefinition coils;
    coils.name = "coils";
    coils.function = 1;
    coils.count = 2000;
    EXPECT_EQ(ValidateBlock(coils), "");
}

TEST(BlockDefinition, AnAnswerBecomesItsNamedValues)
{
    const BlockDefinition block = Meter();
    const ModbusRequest request = BlockRequest(block);
    EXPECT_EQ((std::vector<int>{request.function, request.unit, request.address, request.count}),
              (std::vector<int>{3, 1, 100, 8}));
    // 230.5 as a float with its words swapped, 10^12 big-endian, two plain registers.
    const std::vector<uint16_t> answer = {0x8000, 0x4366, 0x0000, 0x00E8, 0xD4A5, 0x1000, 0x0007, 0xFFFF};
    std::vector<std::string> shown;
    for (const BlockValue &value : BlockValues(block, answer))
        shown.push_back(std::to_string(value.cell.address) + " " + value.cell.name + "=" + value.text);
    EXPECT_EQ(shown, (std::vector<std::string>{"100 voltage=230.5", "102 energy=1000000000000", "106 =7",
                                               "107 status=65535"}));
    // An answer cut short shows the whole values it holds.
    EXPECT_EQ(BlockValues(block, std::vector<uint16_t>(answer.begin(), answer.begin() + 5)).size(), 1u);

    BlockDefinition inputs;
    inputs.name = "inputs";
    inputs.function = 2;
    inputs.start = 7;
    inputs.count = 3;
    inputs.rows[1].name = "door";
    const std::vector<BlockValue> bits = BlockValues(inputs, {1, 0, 1});
    ASSERT_EQ(bits.size(), 3u);
    EXPECT_EQ(bits[1].cell.address, 8);
    EXPECT_EQ(bits[1].cell.name, "door");
    EXPECT_EQ(bits[2].text, "1");
}

} // namespace
