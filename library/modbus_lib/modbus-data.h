// Byte helpers of the client's frames: 16-bit fields in network order and
// coil states packed eight to a byte, first coil in the least significant bit.
#ifndef ORV_MODBUS_LIB_MODBUS_DATA_H
#define ORV_MODBUS_LIB_MODBUS_DATA_H

#include <cstdint>

uint16_t mb_get_uint16(const uint8_t *bytes);
// Writes the low 16 bits of `value`, high byte first.
void mb_put_uint16(uint8_t *bytes, int value);

// Packs up to 8 states (non-zero means on) into one byte.
uint8_t mb_pack_bits(const uint8_t *states, int count);
// Packs `count` states into (count + 7) / 8 bytes; returns that byte count.
int mb_pack_bit_array(const uint8_t *states, int count, uint8_t *packed);
// Unpacks `count` bits into one byte (0 or 1) each.
void mb_unpack_bits(const uint8_t *packed, int count, uint8_t *states);

#endif
