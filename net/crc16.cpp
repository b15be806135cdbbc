#include "net/tcp.h"

#include <array>
#include <mutex>

namespace {

// The Modbus RTU CRC (reflected polynomial 0xA001, initial 0xFFFF) as the
// usual pair of tables: one gives the next high byte, the other the next low.
struct CrcTables {
    std::array<uint8_t, 256> high;
    std::array<uint8_t, 256> low;
};

constexpr CrcTables make_tables()
{
    CrcTables tables{};
    for (unsigned index = 0; index < 256; ++index) {
        unsigned crc = index;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
        tables.high[index] = static_cast<uint8_t>(crc & 0xFFU);
        tables.low[index] = static_cast<uint8_t>(crc >> 8);
    }
    return tables;
}

constexpr CrcTables kTables = make_tables();

struct CrcState {
    uint8_t high = 0xFF;
    uint8_t low = 0xFF;
};

void fold(CrcState &state, uint8_t byte)
{
    const uint8_t index = static_cast<uint8_t>(state.high ^ byte);
    state.high = static_cast<uint8_t>(state.low ^ kTables.high[index]);
    state.low = kTables.low[index];
}

int value_of(const CrcState &state)
{
    // The high state byte is the CRC's low-order byte, the one sent first.
    return (state.low << 8) | state.high;
}

std::mutex g_crcLock;
CrcState g_crcState;

} // namespace

int crc16_block(const uint8_t *data, uint16_t length)
{
    if (length == 0)
        return -1;
    CrcState state;
    for (uint16_t index = 0; index < length; ++index)
        fold(state, data[index]);
    return value_of(state);
}

int crc16_update(uint8_t byte, bool restart)
{
    const std::lock_guard<std::mutex> lock(g_crcLock);
    if (restart)
        g_crcState = CrcState();
    fold(g_crcState, byte);
    return value_of(g_crcState);
}

uint16_t swap16(uint16_t value)
{
    return static_cast<uint16_t>((value << 8) | (value >> 8));
}

uint32_t swap32(uint32_t value)
{
    return (value << 24) | ((value & 0xFF00U) << 8) | ((value >> 8) & 0xFF00U) | (value >> 24);
}
