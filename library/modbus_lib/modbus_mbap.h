// Modbus TCP framing as pure functions over byte buffers: the MBAP header
// (transaction id, protocol id 0, length of what follows, unit id) before the
// protocol data unit, and no CRC. The request and response bodies (unit id
// and protocol data unit) are those of RTU framing without the CRC.
#ifndef ORV_MODBUS_LIB_MODBUS_MBAP_H
#define ORV_MODBUS_LIB_MODBUS_MBAP_H

#include <cstdint>

// Transaction id, protocol id and length; the unit id follows.
#define MB_MBAP_PREFIX_LENGTH 6
#define MB_MBAP_HEADER_LENGTH 7
// The length field counts the unit id and the protocol data unit.
#define MB_MBAP_MIN_LENGTH 2
#define MB_MBAP_MAX_LENGTH 254
#define MB_MBAP_MAX_ADU_LENGTH (MB_MBAP_PREFIX_LENGTH + MB_MBAP_MAX_LENGTH)

// Writes the header for the `body_length` bytes of `body` (unit id first),
// then the body, into `frame` (room for MB_MBAP_MAX_ADU_LENGTH). Returns the
// frame's length.
int mb_mbap_build(uint16_t transaction_id, const uint8_t *body, int body_length, uint8_t *frame);

// The length the response must reach once its first `length` bytes are in
// `msg`: the header first, then as long as its length field says. -1 once
// the header shows the bytes are no Modbus TCP answer (a protocol id other
// than 0, a length outside MB_MBAP_MIN_LENGTH to MB_MBAP_MAX_LENGTH).
int mb_mbap_response_target(const uint8_t *msg, int length);

// The transaction id of a frame (at least 2 bytes).
uint16_t mb_mbap_transaction_id(const uint8_t *frame);

#endif
