// The three steps of every request on a connected context, exposed for the
// tests and the fuzzer: send a frame, read one response, check it.
#ifndef ORV_MODBUS_LIB_MODBUS_EXCHANGE_H
#define ORV_MODBUS_LIB_MODBUS_EXCHANGE_H

#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_rtu.h"

#include <cstdint>

// Frames the `req_length` bytes of `req` (unit id and protocol data unit) in
// the context's framing and sends the frame with one send: for RTU the CRC is
// appended to `req` (which has room for it); for Modbus TCP the MBAP header
// with the next transaction id goes before it. Returns the frame's length,
// or -1.
int mb_send_msg(mb_context *ctx, uint8_t *req, int req_length);

// Reads one response into `msg` (room for MB_RTU_MAX_ADU_LENGTH bytes). RTU:
// in three parts, as mb_rtu_response_target tells: unit id and function code
// within the response time-out, then the meta part, then the data part and
// CRC, each within the byte time-out in all. Modbus TCP: the header within
// the response time-out, then the rest within the byte time-out; `msg` gets
// the frame without its first 6 bytes (unit id and protocol data unit). Takes
// from the socket no byte beyond the frame. Returns the length in `msg`, or
// -1: ETIMEDOUT, ECONNRESET when the peer closed, EMBBADDATA when it would not
// fit a frame, EMBBADMBAP for a Modbus TCP header that does not fit (another
// transaction id than the last request's, among others), or the system's
// error.
int mb_receive_msg(mb_context *ctx, uint8_t *msg);

// Checks a response against its request (see mb_rtu_check_response, and
// mb_check_response_body for Modbus TCP); with
// protocol recovery set, a refused response is followed by a pause of the
// response time-out and the discarding of pending input. The error number is
// the check's.
int mb_check_confirmation(mb_context *ctx, const uint8_t *req, int req_length, const uint8_t *rsp, int rsp_length);

// Discards the input already pending on the socket, without waiting.
// Returns the number of bytes dropped.
int mb_flush(mb_context *ctx);

#endif
