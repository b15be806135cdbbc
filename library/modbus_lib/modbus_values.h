// 32-bit integers and IEEE floats kept in two registers, and 64-bit ones in
// four, in the four orders devices use. Pure conversions, shared by
// orv-modbus and the Modbus window.
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

// With the value's bytes A (highest) to H: ABCDEFGH is big-endian (regs[0]
// the highest word, high byte first); GHEFCDAB reverses the words;
// BADCFEHG swaps the bytes within each word; HGFEDCBA does both.
enum mb_word_order64 { MB_ORDER_ABCDEFGH = 0, MB_ORDER_GHEFCDAB, MB_ORDER_BADCFEHG, MB_ORDER_HGFEDCBA };

// regs[0] to regs[3] as read from the device. An order outside the four is
// taken as ABCDEFGH.
uint64_t mb_get_u64(const uint16_t *regs, int order);
void mb_set_u64(uint64_t value, int order, uint16_t *regs);
// The double's bits travel unchanged, NaN payloads and infinities included.
double mb_get_f64(const uint16_t *regs, int order);
void mb_set_f64(double value, int order, uint16_t *regs);

// "abcdefgh" to "hgfedcba" in either case give the order; anything else -1.
int mb_parse_word_order64(const char *name);
// "ABCDEFGH" etc.; "ABCDEFGH" for an order outside the four.
const char *mb_word_order64_name(int order);

#endif
