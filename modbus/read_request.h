// One read of a Modbus function form as plain data, and running it on a
// client context: what the form's Send and its poll worker share. The form
// checks the fields before it builds a request; the client checks the rest.
#ifndef ORV_MODBUS_READ_REQUEST_H
#define ORV_MODBUS_READ_REQUEST_H

#include "library/modbus_lib/modbus.h"
#include "modbus/modbus_request.h"

#include <cstdint>
#include <string>
#include <vector>

// Functions 1, 2, 3, 4 and 23 (23 writes `writeValues` at `writeAddress`
// first).
struct ReadRequest {
    int functionCode = 3;
    int slave = 1;
    uint16_t address = 0;
    int quantity = 1;
    uint16_t writeAddress = 0;
    std::vector<uint16_t> writeValues;
};

struct ReadOutcome {
    // The count the client returned, or -1 with `error` its errno.
    int count = -1;
    int error = 0;
    // Bits (functions 1 and 2) or registers, `count` of them on success.
    std::vector<uint16_t> values;
    // The connection was still up after the request.
    bool linkUp = true;
};

// Sets the unit id (an id the client refuses keeps the previous one) and
// runs the request.
ReadOutcome RunRead(mb_context *ctx, const ReadRequest &request);
// The result line of an outcome: "Read 2 registers", "Read 3 bits" (also
// for function 23, whose line always said bits), "Failed: no answer".
std::string OutcomeResult(const ReadRequest &request, const ReadOutcome &outcome);

#endif
