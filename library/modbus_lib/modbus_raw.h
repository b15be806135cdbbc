// Sending a frame of the caller's own and reading the one answer it gets,
// for diagnostics: nothing checks that the frame is a valid request or
// that the answer fits it; the caller sees both as they went over the wire.
#ifndef ORV_MODBUS_LIB_MODBUS_RAW_H
#define ORV_MODBUS_LIB_MODBUS_RAW_H

#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_mbap.h"

#include <cstdint>

// Room for a frame of either framing.
#define MB_RAW_MAX_FRAME MB_MBAP_MAX_ADU_LENGTH

struct mb_raw_frames {
    uint8_t sent[MB_RAW_MAX_FRAME];
    int sent_length;
    // As far as it came, also when the exchange failed.
    uint8_t answer[MB_RAW_MAX_FRAME];
    int answer_length;
};

// Sends the `length` bytes of `frame` on the connected context and reads
// one answer in the context's framing: RTU, as long as its function code
// and byte count say, within the response time-out for its first bytes
// and the byte time-out for each further part; Modbus TCP, as long as its
// header says.
// With `as_is` 0, `frame` is unit id and protocol data unit (2 to 254
// bytes), framed like any request: the CRC appended, or the MBAP header
// with the next transaction id before it. With `as_is` 1 it goes exactly as
// given (RTU: its CRC included; Modbus TCP: its header included, 2 to 260
// bytes, and the answer must carry its transaction id).
// Returns the answer's length (as in `frames->answer`, with its CRC or
// header), or -1 with errno as for any request (ETIMEDOUT, ECONNRESET,
// EMBBADMBAP, EMBBADDATA, EINVAL for a frame out of those bounds). Like any
// request, a failure that may leave bytes on their way makes the next
// request connect again first.
int mb_send_raw(mb_context *ctx, const uint8_t *frame, int length, int as_is, mb_raw_frames *frames);

#endif
