// The two-register values against a table of known layouts: each order
// places the bytes A B C D of the value where the devices that use it do.
#include "library/modbus_lib/modbus_values.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct Layout {
    int order;
    uint16_t regs[2];
};

// 0x11223344 as A=0x11 B=0x22 C=0x33 D=0x44.
constexpr Layout kLayouts[] = {
    {MB_ORDER_ABCD, {0x1122, 0x3344}},
    {MB_ORDER_CDAB, {0x3344, 0x1122}},
    {MB_ORDER_BADC, {0x2211, 0x4433}},
    {MB_ORDER_DCBA, {0x4433, 0x2211}},
};

uint32_t BitsOf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

TEST(ModbusValues, EachOrderPlacesTheBytesBothWays)
{
    for (const Layout &layout : kLayouts) {
        EXPECT_EQ(mb_get_u32(layout.regs, layout.order), 0x11223344u) << layout.order;
        uint16_t regs[2] = {};
        mb_set_u32(0x11223344u, layout.order, regs);
        EXPECT_EQ(regs[0], layout.regs[0]) << layout.order;
        EXPECT_EQ(regs[1], layout.regs[1]) << layout.order;
    }
}

TEST(ModbusValues, SignedAndFloatValuesRoundTripInEveryOrder)
{
    const float floats[] = {1.5f, -123.456f, 0.0f, -0.0f, std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
    const int32_t integers[] = {-1, -2, INT32_MIN, INT32_MAX, 0};
    for (const Layout &layout : kLayouts) {
        const int order = layout.order;
        uint16_t regs[2];
        for (const int32_t value : integers) {
            mb_set_u32(static_cast<uint32_t>(value), order, regs);
            EXPECT_EQ(static_cast<int32_t>(mb_get_u32(regs, order)), value) << order;
        }
        for (const float value : floats) {
            mb_set_f32(value, order, regs);
            EXPECT_EQ(BitsOf(mb_get_f32(regs, order)), BitsOf(value)) << order << " " << value;
        }
        // A quiet NaN with a payload and a signalling one keep their bits.
        for (const uint32_t bits : {0x7FC01234u, 0xFFA00001u}) {
            mb_set_u32(bits, order, regs);
            const float value = mb_get_f32(regs, order);
            EXPECT_TRUE(std::isnan(value));
            EXPECT_EQ(BitsOf(value), bits) << order;
        }
    }
    // -2 big-endian; 1.5 (0x3FC00000) word-swapped; -1.0 (0xBF800000) byte-swapped.
    const uint16_t minus_two[2] = {0xFFFF, 0xFFFE};
    EXPECT_EQ(static_cast<int32_t>(mb_get_u32(minus_two, MB_ORDER_ABCD)), -2);
    const uint16_t one_and_half[2] = {0x0000, 0x3FC0};
    EXPECT_EQ(mb_get_f32(one_and_half, MB_ORDER_CDAB), 1.5f);
    const uint16_t minus_one[2] = {0x80BF, 0x0000};
    EXPECT_EQ(mb_get_f32(minus_one, MB_ORDER_BADC), -1.0f);
}

TEST(ModbusValues, OrderNames)
{
    EXPECT_EQ(mb_parse_word_order("abcd"), MB_ORDER_ABCD);
    EXPECT_EQ(mb_parse_word_order("CDAB"), MB_ORDER_CDAB);
    EXPECT_EQ(mb_parse_word_order("BaDc"), MB_ORDER_BADC);
    EXPECT_EQ(mb_parse_word_order("dcba"), MB_ORDER_DCBA);
    const char *const wrongs[] = {"", "abc", "abcde", "acbd", "ABCD ", nullptr};
    for (const char *wrong : wrongs)
        EXPECT_EQ(mb_parse_word_order(wrong), -1) << (wrong ? wrong : "null");
    for (int order = MB_ORDER_ABCD; order <= MB_ORDER_DCBA; ++order)
        EXPECT_EQ(mb_parse_word_order(mb_word_order_name(order)), order);
    EXPECT_STREQ(mb_word_order_name(MB_ORDER_DCBA), "DCBA");
    EXPECT_STREQ(mb_word_order_name(7), "ABCD");
}

// 0x1122334455667788 as A=0x11 ... H=0x88, as each order keeps it.
struct Layout64 {
    int order;
    uint16_t regs[4];
};

constexpr Layout64 kLayouts64[] = {
    {MB_ORDER_ABCDEFGH, {0x1122, 0x3344, 0x5566, 0x7788}},
    {MB_ORDER_GHEFCDAB, {0x7788, 0x5566, 0x3344, 0x1122}},
    {MB_ORDER_BADCFEHG, {0x2211, 0x4433, 0x6655, 0x8877}},
    {MB_ORDER_HGFEDCBA, {0x8877, 0x6655, 0x4433, 0x2211}},
};

TEST(ModbusValues, EachOrderPlacesTheBytesOfFourRegisters)
{
    for (const Layout64 &layout : kLayouts64) {
        EXPECT_EQ(mb_get_u64(layout.regs, layout.order), 0x1122334455667788u) << layout.order;
        uint16_t regs[4] = {};
        mb_set_u64(0x1122334455667788u, layout.order, regs);
        EXPECT_TRUE(std::equal(regs, regs + 4, layout.regs)) << layout.order;
        // Doubles and signed values keep every bit both ways.
        const uint64_t patterns[] = {0x7FF8000000000123u, 0xFFF0000000000000u, 0x1u, 0x8000000000000000u};
        for (const uint64_t bits : patterns) {
            double value;
            std::memcpy(&value, &bits, sizeof(value));
            mb_set_f64(value, layout.order, regs);
            const double back = mb_get_f64(regs, layout.order);
            EXPECT_EQ(std::memcmp(&back, &bits, sizeof(back)), 0) << layout.order << " " << bits;
        }
        mb_set_u64(static_cast<uint64_t>(INT64_MIN), layout.order, regs);
        EXPECT_EQ(static_cast<int64_t>(mb_get_u64(regs, layout.order)), INT64_MIN);
    }
    // 1.5 (0x3FF8000000000000) with the words reversed.
    const uint16_t one_and_half[4] = {0x0000, 0x0000, 0x0000, 0x3FF8};
    EXPECT_EQ(mb_get_f64(one_and_half, MB_ORDER_GHEFCDAB), 1.5);
    EXPECT_EQ(mb_parse_word_order64("badcFEHG"), MB_ORDER_BADCFEHG);
    for (const char *wrong : {"abcd", "abcdefg", "abcdefhg", "hgfedcba "})
        EXPECT_EQ(mb_parse_word_order64(wrong), -1) << wrong;
    for (int order = MB_ORDER_ABCDEFGH; order <= MB_ORDER_HGFEDCBA; ++order)
        EXPECT_EQ(mb_parse_word_order64(mb_word_order64_name(order)), order);
    EXPECT_STREQ(mb_word_order64_name(9), "ABCDEFGH");
}

} // namespace
