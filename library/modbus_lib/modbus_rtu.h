// RTU framing as pure functions over byte buffers: CRC, request frames, the
// length of a response as its bytes come in, and the check of a response
// against its request. No socket and no context: the tests and the fuzzer
// call these directly.
#ifndef ORV_MODBUS_LIB_MODBUS_RTU_H
#define ORV_MODBUS_LIB_MODBUS_RTU_H

#include <cstddef>
#include <cstdint>

// Unit id before the protocol data unit, CRC after it, 256 bytes at most.
#define MB_RTU_HEADER_LENGTH 1
#define MB_RTU_CHECKSUM_LENGTH 2
#define MB_RTU_MAX_ADU_LENGTH 256

// Function codes.
#define MB_FC_READ_COILS 0x01
#define MB_FC_READ_DISCRETE_INPUTS 0x02
#define MB_FC_READ_HOLDING_REGISTERS 0x03
#define MB_FC_READ_INPUT_REGISTERS 0x04
#define MB_FC_WRITE_SINGLE_COIL 0x05
#define MB_FC_WRITE_SINGLE_REGISTER 0x06
#define MB_FC_READ_EXCEPTION_STATUS 0x07
#define MB_FC_WRITE_MULTIPLE_COILS 0x0F
#define MB_FC_WRITE_MULTIPLE_REGISTERS 0x10
#define MB_FC_REPORT_SLAVE_ID 0x11
#define MB_FC_WRITE_AND_READ_REGISTERS 0x17

// CRC-16 of Modbus RTU over `length` bytes; the low byte goes first on the line.
uint16_t mb_rtu_crc16(const uint8_t *data, size_t length);

// Unit id, function code and two 16-bit fields (address and quantity or
// value; each the low 16 bits of the integer). Returns 6, the length written.
int mb_rtu_build_request_basis(int slave, int function, int addr, int nb, uint8_t *req);
// The multiple-write requests and report slave id, without CRC; each returns
// the length written. Quantities must be within the operations' limits, so
// that every frame fits MB_RTU_MAX_ADU_LENGTH with its CRC.
int mb_rtu_build_write_bits(int slave, int addr, int nb, const uint8_t *src, uint8_t *req);
int mb_rtu_build_write_registers(int slave, int addr, int nb, const uint16_t *src, uint8_t *req);
int mb_rtu_build_write_and_read(int slave, int write_addr, int write_nb, const uint16_t *src, int read_addr,
                                int read_nb, uint8_t *req);
int mb_rtu_build_report_slave_id(int slave, uint8_t *req);
// Appends the CRC of the first `length` bytes; returns the new length.
int mb_rtu_append_crc(uint8_t *req, int length);

// The length the response must reach once its first `length` bytes are in
// `msg`: 2 for unit id and function code, then the meta part (4 bytes for
// functions 5, 6, 15, 16, else 1), then the data part (the byte count for
// functions 1, 2, 3, 4, 17, 23, else none) and the CRC. The reader reads until
// the response has the length this returns for it; a result above
// MB_RTU_MAX_ADU_LENGTH means the response cannot fit a frame.
int mb_rtu_response_target(const uint8_t *msg, int length);

// The length the response to `req` must have; 0 when any length is allowed
// (report slave id) and -1 when the request is too short to tell.
int mb_rtu_expected_length(const uint8_t *req, int req_length);

// An exception response: unit id, function code + 0x80, code, CRC.
#define MB_RTU_EXCEPTION_LENGTH 5

// Checks a whole response against its request: its CRC, then whether it is
// the request's exception, then the same unit id and function code, the
// length the request calls for, the byte count of a read (exactly the bytes
// its quantity takes) and the echo of a write (address and value for 5 and 6,
// address and quantity for 15 and 16). Returns the count it carries (bytes
// for bit reads and report slave id, 1 for single writes), or -1 with errno
// set to EMBBADCRC, MB_ERROR_BASE + the exception code (EMBBADEXC for a code
// the protocol does not define), or EMBBADDATA. With `debug`, says why on
// standard error.
int mb_rtu_check_response(const uint8_t *req, int req_length, const uint8_t *rsp, int rsp_length, bool debug);
// The same checks but the CRC's, for a response of unit id and protocol data
// unit only (`rsp_length` bytes, as Modbus TCP carries it); `req` is the
// request in the same form, with or without its CRC.
int mb_check_response_body(const uint8_t *req, int req_length, const uint8_t *rsp, int rsp_length, bool debug);

#endif
