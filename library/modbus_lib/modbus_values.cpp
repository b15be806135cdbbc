#include "library/modbus_lib/modbus_values.h"

#include <cctype>
#include <cstring>

namespace {

constexpr const char *kNames[] = {"ABCD", "CDAB", "BADC", "DCBA"};

bool valid(int order)
{
    return order >= MB_ORDER_ABCD && order <= MB_ORDER_DCBA;
}

uint16_t swap_bytes(uint16_t word)
{
    return static_cast<uint16_t>(word << 8 | word >> 8);
}

bool swaps_words(int order)
{
    return order == MB_ORDER_CDAB || order == MB_ORDER_DCBA;
}

bool swaps_bytes(int order)
{
    return order == MB_ORDER_BADC || order == MB_ORDER_DCBA;
}

} // namespace

uint32_t mb_get_u32(const uint16_t *regs, int order)
{
    if (!valid(order))
        order = MB_ORDER_ABCD;
    uint16_t high = swaps_words(order) ? regs[1] : regs[0];
    uint16_t low = swaps_words(order) ? regs[0] : regs[1];
    if (swaps_bytes(order)) {
        high = swap_bytes(high);
        low = swap_bytes(low);
    }
    return static_cast<uint32_t>(high) << 16 | low;
}

void mb_set_u32(uint32_t value, int order, uint16_t *regs)
{
    if (!valid(order))
        order = MB_ORDER_ABCD;
    uint16_t high = static_cast<uint16_t>(value >> 16);
    uint16_t low = static_cast<uint16_t>(value & 0xFFFF);
    if (swaps_bytes(order)) {
        high = swap_bytes(high);
        low = swap_bytes(low);
    }
    regs[0] = swaps_words(order) ? low : high;
    regs[1] = swaps_words(order) ? high : low;
}

float mb_get_f32(const uint16_t *regs, int order)
{
    const uint32_t bits = mb_get_u32(regs, order);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

void mb_set_f32(float value, int order, uint16_t *regs)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    mb_set_u32(bits, order, regs);
}

int mb_parse_word_order(const char *name)
{
    if (name == nullptr || std::strlen(name) != 4)
        return -1;
    for (int order = MB_ORDER_ABCD; order <= MB_ORDER_DCBA; ++order) {
        bool same = true;
        for (int index = 0; index < 4 && same; ++index)
            same = std::toupper(static_cast<unsigned char>(name[index])) == kNames[order][index];
        if (same)
            return order;
    }
    return -1;
}

const char *mb_word_order_name(int order)
{
    return kNames[valid(order) ? order : MB_ORDER_ABCD];
}
