#include "library/modbus_lib/modbus-data.h"

uint16_t mb_get_uint16(const uint8_t *bytes)
{
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

void mb_put_uint16(uint8_t *bytes, int value)
{
    bytes[0] = static_cast<uint8_t>((value >> 8) & 0xFF);
    bytes[1] = static_cast<uint8_t>(value & 0xFF);
}

uint8_t mb_pack_bits(const uint8_t *states, int count)
{
    unsigned byte = 0;
    for (int bit = 0; bit < count && bit < 8; ++bit)
        if (states[bit] != 0)
            byte |= 1U << bit;
    return static_cast<uint8_t>(byte);
}

int mb_pack_bit_array(const uint8_t *states, int count, uint8_t *packed)
{
    int bytes = 0;
    for (int first = 0; first < count; first += 8)
        packed[bytes++] = mb_pack_bits(states + first, count - first);
    return bytes;
}

void mb_unpack_bits(const uint8_t *packed, int count, uint8_t *states)
{
    for (int index = 0; index < count; ++index)
        states[index] = static_cast<uint8_t>((packed[index / 8] >> (index % 8)) & 1U);
}
