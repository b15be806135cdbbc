#include "library/modbus_lib/modbus_values.h"

#include <cctype>
#include <cstring>

namespace {

constexpr const char *kNames[] = {"ABCD", "CDAB", "BADC", "DCBA"};
constexpr const char *kNames64[] = {"ABCDEFGH", "GHEFCDAB", "BADCFEHG", "HGFEDCBA"};

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

// The four orders of both widths share their meaning: the words reversed
// (CDAB, GHEFCDAB), the bytes swapped within each word (BADC, BADCFEHG),
// both (DCBA, HGFEDCBA).
static_assert(static_cast<int>(MB_ORDER_GHEFCDAB) == MB_ORDER_CDAB &&
                  static_cast<int>(MB_ORDER_BADCFEHG) == MB_ORDER_BADC &&
                  static_cast<int>(MB_ORDER_HGFEDCBA) == MB_ORDER_DCBA,
              "the 64-bit orders follow the 32-bit ones");

// Finds `name` (any case) among `names`; -1 when it is none of them.
int find_name(const char *name, const char *const *names, size_t length)
{
    if (name == nullptr || std::strlen(name) != length)
        return -1;
    for (int order = MB_ORDER_ABCD; order <= MB_ORDER_DCBA; ++order) {
        bool same = true;
        for (size_t index = 0; index < length && same; ++index)
            same = std::toupper(static_cast<unsigned char>(name[index])) == names[order][index];
        if (same)
            return order;
    }
    return -1;
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
    return find_name(name, kNames, 4);
}

const char *mb_word_order_name(int order)
{
    return kNames[valid(order) ? order : MB_ORDER_ABCD];
}

uint64_t mb_get_u64(const uint16_t *regs, int order)
{
    if (!valid(order))
        order = MB_ORDER_ABCDEFGH;
    uint64_t value = 0;
    for (int word = 0; word < 4; ++word) {
        uint16_t part = regs[swaps_words(order) ? 3 - word : word];
        if (swaps_bytes(order))
            part = swap_bytes(part);
        value = value << 16 | part;
    }
    return value;
}

void mb_set_u64(uint64_t value, int order, uint16_t *regs)
{
    if (!valid(order))
        order = MB_ORDER_ABCDEFGH;
    for (int word = 3; word >= 0; --word) {
        uint16_t part = static_cast<uint16_t>(value & 0xFFFF);
        if (swaps_bytes(order))
            part = swap_bytes(part);
        regs[swaps_words(order) ? 3 - word : word] = part;
        value >>= 16;
    }
}

double mb_get_f64(const uint16_t *regs, int order)
{
    const uint64_t bits = mb_get_u64(regs, order);
    double value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

void mb_set_f64(double value, int order, uint16_t *regs)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    mb_set_u64(bits, order, regs);
}

int mb_parse_word_order64(const char *name)
{
    return find_name(name, kNames64, 8);
}

const char *mb_word_order64_name(int order)
{
    return kNames64[valid(order) ? order : MB_ORDER_ABCDEFGH];
}
