// 32-bit integers and IEEE floats kept in two registers, in the four orders
// devices use. Pure conversions, shared by orv-modbus and the Modbus window.
#ifndef ORV_MODBUS_LIB_MODBUS_VALUES_H
#define ORV_MODBUS_LIB_MODBUS_VALUES_H

#include <cstdint>

// With the value's bytes A (highest) to D: ABCD is big-endian (regs[0] the
// high word, high byte first); CDAB swaps the words; BADC swaps the bytes
// within each word; DCBA does both.
enum mb_word_order { MB_ORDER_ABCD = 0, MB_ORDER_CDAB, MB_ORDER_BADC, MB_ORDER_DCBA };

// regs[0] and regs[1] as read from the device. An order outside the four is
// taken as ABCD.
uint32_t mb_get_u32(const uint16_t *regs, int order);
void mb_set_u32(uint32_t value, int order, uint16_t *regs);
// The float's bits travel unchanged, NaN payloads and infinities included.
float mb_get_f32(const uint16_t *regs, int order);
void mb_set_f32(float value, int order, uint16_t *regs);

// "abcd" to "dcba" in either case give the order; anything else -1.
int mb_parse_word_order(const char *name);
// "ABCD" etc.; "ABCD" for an order outside the four.
const char *mb_word_order_name(int order);

#endif
