// One Modbus request as plain data, and running it on a client context:
// the one dispatch that the window (through its session) and orv-modbus
// share. Whoever builds a request checks its fields first; the client
// checks the rest and fails what it refuses without traffic.
#ifndef ORV_MODBUS_MODBUS_REQUEST_H
#define ORV_MODBUS_MODBUS_REQUEST_H

#include "library/modbus_lib/modbus.h"

#include <chrono>
#include <cstdint>
#include <vector>

struct ModbusRequest {
    int function = 0; // 1-6, 15, 16, 17, 23
    // An id the client refuses (outside 0 to 255) leaves the context's unit
    // id as the connection's previous request set it.
    int unit = 1;
    int address = 0;      // the start address; the read address of function 23
    int count = 0;        // items to read (1, 2, 3, 4, 23); 0 for the others
    int writeAddress = 0; // function 23
    std::vector<uint16_t> registers; // to write: 6 (the first), 16, 23
    std::vector<uint8_t> coils;      // to write: 5 (the first, non-zero is on), 15
};

struct ModbusReply {
    int result = -1; // the client's count, or -1 with `error` its errno
    int error = 0;
    // Bits read (0 or 1, functions 1 and 2), registers read (3, 4, 23), or
    // the report-slave-id bytes (17); `result` of them.
    std::vector<uint16_t> values;
    std::chrono::microseconds roundTrip{0};
    // The connection was still up after the request.
    bool linkUp = true;

    bool Ok() const { return result >= 0; }
};

bool ReadsBits(int function);
// Functions 3, 4 and 23.
bool ReadsRegisters(int function);
// Functions 5 and 15.
bool WritesCoils(int function);
// Functions 5, 6, 15 and 16: the answer carries no values.
bool OnlyWrites(int function);

// Sets the unit id and runs the request; an unknown function fails with
// EINVAL without traffic.
ModbusReply RunModbusRequest(mb_context *ctx, const ModbusRequest &request);

#endif
