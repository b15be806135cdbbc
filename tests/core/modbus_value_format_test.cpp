// The one conversion of register values: every type read from a table of
// known registers, written back from its text, and the texts it refuses.
#include "library/modbus_lib/modbus_values.h"
#include "modbus/value_format.h"

#include <gtest/gtest.h>

namespace {

struct Known {
    ValueFormat format;
    std::vector<uint16_t> registers;
    const char *text;
};

const Known kKnown[] = {
    {{ValueType::U8}, {0x12FE}, "254"},
    {{ValueType::S8}, {0x12FE}, "-2"},
    {{ValueType::U16}, {0xFFFE}, "65534"},
    {{ValueType::S16}, {0xFFFE}, "-2"},
    {{ValueType::Hex}, {0x00AB}, "ab"},
    {{ValueType::Bin8}, {0x1205}, "00000101"},
    {{ValueType::Bin16}, {0x1234}, "1001000110100"},
    {{ValueType::U32, MB_ORDER_CDAB}, {0x5678, 0x1234}, "305419896"},
    {{ValueType::S32, MB_ORDER_DCBA}, {0xFEFF, 0xFFFF}, "-2"},
    {{ValueType::F32, MB_ORDER_ABCD}, {0x4049, 0x0FDB}, "3.1415927"},
    {{ValueType::U64, MB_ORDER_ABCDEFGH}, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, "18446744073709551615"},
    {{ValueType::S64, MB_ORDER_BADCFEHG}, {0xFF7F, 0xFFFF, 0xFFFF, 0xFFFF}, "9223372036854775807"},
    {{ValueType::S64, MB_ORDER_GHEFCDAB}, {0x0000, 0x0000, 0x0000, 0x8000}, "-9223372036854775808"},
    {{ValueType::F64, MB_ORDER_HGFEDCBA}, {0x182D, 0x4454, 0xFB21, 0x0940}, "3.141592653589793"},
    {{ValueType::F64, MB_ORDER_ABCDEFGH}, {0x3FB9, 0x9999, 0x9999, 0x999A}, "0.1"},
};

TEST(ValueFormat, ReadsAndWritesEveryTypeInItsOrder)
{
    for (const Known &known : kKnown) {
        const std::string name = std::string(ValueTypeName(known.format.type)) + " " + OrderName(known.format);
        ASSERT_EQ(static_cast<size_t>(RegistersOf(known.format.type)), known.registers.size()) << name;
        EXPECT_EQ(ValueText(DecodeValue(known.registers.data(), known.format)), known.text) << name;
        std::vector<uint16_t> written = {0x4242};
        EXPECT_EQ(EncodeValue(std::string(" ") + known.text + "\t", known.format, written), "") << name;
        // U8, S8 and Bin8 write their byte alone.
        std::vector<uint16_t> expected = known.registers;
        if (known.format.type == ValueType::U8 || known.format.type == ValueType::S8 ||
            known.format.type == ValueType::Bin8)
            expected[0] &= 0xFF;
        expected.insert(expected.begin(), 0x4242);
        EXPECT_EQ(written, expected) << name;
    }
    const uint16_t nan64[] = {0x7FF8, 0, 0, 1};
    EXPECT_EQ(ValueText(DecodeValue(nan64, {ValueType::F64, MB_ORDER_ABCDEFGH})), "nan");
    // Numbers as JSON takes them.
    const uint16_t minusTwo[] = {0xFFFE};
    const RegisterValue s16 = DecodeValue(minusTwo, {ValueType::S16});
    EXPECT_TRUE(s16.IsSigned());
    EXPECT_EQ(s16.Signed(), -2);
    EXPECT_EQ(s16.Real(), -2.0);
    const uint16_t seven[7] = {};
    EXPECT_EQ(DecodeValues(seven, 7, {ValueType::U16}).size(), 7u);
    EXPECT_EQ(DecodeValues(seven, 7, {ValueType::U32}).size(), 3u) << "a register left over makes no value";
    EXPECT_EQ(DecodeValues(seven, 7, {ValueType::F64}).size(), 1u);
}

TEST(ValueFormat, RefusesWhatIsNoValueOfTheType)
{
    const struct {
        ValueType type;
        const char *text;
        const char *why;
    } refused[] = {
        {ValueType::U8, "256", "must be 0 to 255"},
        {ValueType::S8, "-129", "must be -128 to 127"},
        {ValueType::U16, "-1", "must be 0 to 65535"},
        {ValueType::S16, "32768", "must be -32768 to 32767"},
        {ValueType::Hex, "10000", "must be 0 to ffff"},
        {ValueType::Hex, "fg", "is no number"},
        {ValueType::Bin8, "102", "is no number"},
        {ValueType::Bin8, "100000000", "must be 0 to 11111111"},
        {ValueType::U32, "1.5", "is no number"},
        {ValueType::S32, "-0x5", "is no number"},
        {ValueType::U64, "-1", "must be 0 to 18446744073709551615"},
        {ValueType::U64, "99999999999999999999", "must be 0 to 18446744073709551615"},
        {ValueType::S64, "9223372036854775808", "must be -9223372036854775808 to 9223372036854775807"},
        {ValueType::F32, "1e39", "is no number"},
        {ValueType::F64, "1e309", "is no number"},
        {ValueType::F64, "", "is no number"},
        {ValueType::F64, "1.5x", "is no number"},
    };
    for (const auto &item : refused) {
        std::vector<uint16_t> registers;
        EXPECT_EQ(EncodeValue(item.text, {item.type, 0}, registers), item.why) << item.text;
        EXPECT_TRUE(registers.empty()) << item.text;
    }
    std::vector<uint16_t> registers;
    EXPECT_EQ(EncodeValue("0xFFFFFFFF", {ValueType::U32, MB_ORDER_ABCD}, registers), "");
    EXPECT_EQ(EncodeValue("+5", {ValueType::S64, MB_ORDER_ABCDEFGH}, registers), "");
    EXPECT_EQ(registers, (std::vector<uint16_t>{0xFFFF, 0xFFFF, 0, 0, 0, 5}));
}

TEST(ValueFormat, NamesOfTypesAndOrders)
{
    EXPECT_EQ(ValueTypeByName("f64"), ValueType::F64);
    EXPECT_FALSE(ValueTypeByName("f16").has_value());
    EXPECT_EQ(OrderByName(ValueType::S64, "GHEFCDAB"), MB_ORDER_GHEFCDAB);
    EXPECT_EQ(OrderByName(ValueType::S64, "cdab"), -1);
    EXPECT_EQ(OrderByName(ValueType::U16, "abcd"), -1);
    EXPECT_EQ(OrderNames(ValueType::F64), "abcdefgh, ghefcdab, badcfehg, hgfedcba");
    EXPECT_EQ(OrderName({ValueType::F32, MB_ORDER_BADC}), "badc");
    EXPECT_EQ(OrderName({ValueType::Hex}), "");
}

} // namespace
