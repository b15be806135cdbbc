#include "library/modbus_lib/modbus_rtu.h"

#include "library/modbus_lib/modbus-data.h"
#include "library/modbus_lib/modbus.h"
#include "net/tcp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Bytes after unit id and function code that say how long the rest is.
int meta_length(uint8_t function)
{
    switch (function) {
    case MB_FC_WRITE_SINGLE_COIL:
    case MB_FC_WRITE_SINGLE_REGISTER:
    case MB_FC_WRITE_MULTIPLE_COILS:
    case MB_FC_WRITE_MULTIPLE_REGISTERS:
        return 4;
    default:
        return 1;
    }
}

bool has_byte_count(uint8_t function)
{
    switch (function) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
    case MB_FC_READ_HOLDING_REGISTERS:
    case MB_FC_READ_INPUT_REGISTERS:
    case MB_FC_REPORT_SLAVE_ID:
    case MB_FC_WRITE_AND_READ_REGISTERS:
        return true;
    default:
        return false;
    }
}

// Functions whose request carries a quantity at offset 4.
bool request_has_quantity(uint8_t function)
{
    switch (function) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
    case MB_FC_READ_HOLDING_REGISTERS:
    case MB_FC_READ_INPUT_REGISTERS:
    case MB_FC_WRITE_MULTIPLE_COILS:
    case MB_FC_WRITE_MULTIPLE_REGISTERS:
    case MB_FC_WRITE_AND_READ_REGISTERS:
        return true;
    default:
        return false;
    }
}

// The error number of an exception code; codes the protocol does not
// define give the invalid-exception error.
int exception_error(uint8_t code)
{
    const bool known = code >= 1 && code <= 11 && code != 9;
    return known ? MB_ERROR_BASE + code : EMBBADEXC;
}

int bad_data()
{
    errno = EMBBADDATA;
    return -1;
}

// The byte count a read's response must carry for its request; -1 for the
// functions whose answer has none to check against the request.
int expected_byte_count(const uint8_t *req)
{
    switch (req[1]) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
        return (mb_get_uint16(req + 4) + 7) / 8;
    case MB_FC_READ_HOLDING_REGISTERS:
    case MB_FC_READ_INPUT_REGISTERS:
    case MB_FC_WRITE_AND_READ_REGISTERS:
        return 2 * mb_get_uint16(req + 4);
    default:
        return -1;
    }
}

// Writes answer with the request's address and value (5, 6) or address and
// quantity (15, 16): an answer that echoes anything else is no confirmation
// of what was sent.
bool echoes_request(uint8_t function)
{
    switch (function) {
    case MB_FC_WRITE_SINGLE_COIL:
    case MB_FC_WRITE_SINGLE_REGISTER:
    case MB_FC_WRITE_MULTIPLE_COILS:
    case MB_FC_WRITE_MULTIPLE_REGISTERS:
        return true;
    default:
        return false;
    }
}

// Whether a response of the right length also carries what its request calls
// for: the byte count of a read, the echo of a write.
bool fits_request(const uint8_t *req, const uint8_t *rsp, bool debug)
{
    const int byte_count = expected_byte_count(req);
    if (byte_count >= 0 && rsp[2] != byte_count) {
        if (debug)
            std::fprintf(stderr, "Byte count not corresponding to the request (%d != %d)\n", rsp[2], byte_count);
        return false;
    }
    if (echoes_request(req[1]) && std::memcmp(req + 2, rsp + 2, 4) != 0) {
        if (debug)
            std::fprintf(stderr, "Echo not corresponding to the request (0x%04X 0x%04X != 0x%04X 0x%04X)\n",
                         mb_get_uint16(rsp + 2), mb_get_uint16(rsp + 4), mb_get_uint16(req + 2),
                         mb_get_uint16(req + 4));
        return false;
    }
    return true;
}

// The count a fitting response stands for: the byte count of bit reads and
// of report slave id, the quantity of register reads and multiple writes,
// else 1.
int count_of(const uint8_t *req, const uint8_t *rsp)
{
    switch (req[1]) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
    case MB_FC_REPORT_SLAVE_ID:
        return rsp[2];
    default:
        return request_has_quantity(req[1]) ? mb_get_uint16(req + 4) : 1;
    }
}

// Report slave id may have any length, but its byte count must be the
// frame's own (`rsp_length` without CRC) and fit the caller's array, which
// takes that many bytes.
bool byte_count_fits(const uint8_t *rsp, int rsp_length)
{
    return rsp_length >= 3 && rsp[2] <= MB_MAX_REPORT_SLAVE_ID && rsp_length == 3 + rsp[2];
}

} // namespace

uint16_t mb_rtu_crc16(const uint8_t *data, size_t length)
{
    // The socket layer's table-driven CRC is the Modbus RTU one; frames are
    // far shorter than its 16-bit length limit. Its low byte is sent first.
    return static_cast<uint16_t>(crc16_block(data, static_cast<uint16_t>(length)));
}

int mb_rtu_build_request_basis(int slave, int function, int addr, int nb, uint8_t *req)
{
    req[0] = static_cast<uint8_t>(slave);
    req[1] = static_cast<uint8_t>(function);
    mb_put_uint16(req + 2, addr);
    mb_put_uint16(req + 4, nb);
    return 6;
}

int mb_rtu_build_write_bits(int slave, int addr, int nb, const uint8_t *src, uint8_t *req)
{
    int length = mb_rtu_build_request_basis(slave, MB_FC_WRITE_MULTIPLE_COILS, addr, nb, req);
    const int bytes = mb_pack_bit_array(src, nb, req + length + 1);
    req[length] = static_cast<uint8_t>(bytes);
    return length + 1 + bytes;
}

int mb_rtu_build_write_registers(int slave, int addr, int nb, const uint16_t *src, uint8_t *req)
{
    int length = mb_rtu_build_request_basis(slave, MB_FC_WRITE_MULTIPLE_REGISTERS, addr, nb, req);
    req[length++] = static_cast<uint8_t>(nb * 2);
    for (int index = 0; index < nb; ++index, length += 2)
        mb_put_uint16(req + length, src[index]);
    return length;
}

int mb_rtu_build_write_and_read(int slave, int write_addr, int write_nb, const uint16_t *src, int read_addr,
                                int read_nb, uint8_t *req)
{
    int length = mb_rtu_build_request_basis(slave, MB_FC_WRITE_AND_READ_REGISTERS, read_addr, read_nb, req);
    mb_put_uint16(req + length, write_addr);
    mb_put_uint16(req + length + 2, write_nb);
    length += 4;
    req[length++] = static_cast<uint8_t>(write_nb * 2);
    for (int index = 0; index < write_nb; ++index, length += 2)
        mb_put_uint16(req + length, src[index]);
    return length;
}

int mb_rtu_build_report_slave_id(int slave, uint8_t *req)
{
    req[0] = static_cast<uint8_t>(slave);
    req[1] = MB_FC_REPORT_SLAVE_ID;
    return 2;
}

int mb_rtu_append_crc(uint8_t *req, int length)
{
    const uint16_t crc = mb_rtu_crc16(req, static_cast<size_t>(length));
    req[length] = static_cast<uint8_t>(crc & 0xFF);
    req[length + 1] = static_cast<uint8_t>(crc >> 8);
    return length + MB_RTU_CHECKSUM_LENGTH;
}

int mb_rtu_response_target(const uint8_t *msg, int length)
{
    if (length < 2)
        return 2;
    const int meta = meta_length(msg[1]);
    if (length < 2 + meta)
        return 2 + meta;
    const int data = has_byte_count(msg[1]) ? msg[2] : 0;
    return 2 + meta + data + MB_RTU_CHECKSUM_LENGTH;
}

int mb_rtu_expected_length(const uint8_t *req, int req_length)
{
    // Quantities, values and echoed fields need the request's 16-bit fields.
    if (req_length < 2 || ((request_has_quantity(req[1]) || echoes_request(req[1])) && req_length < 6))
        return -1;
    switch (req[1]) {
    case MB_FC_READ_COILS:
    case MB_FC_READ_DISCRETE_INPUTS:
        return 3 + (mb_get_uint16(req + 4) + 7) / 8 + MB_RTU_CHECKSUM_LENGTH;
    case MB_FC_READ_HOLDING_REGISTERS:
    case MB_FC_READ_INPUT_REGISTERS:
    case MB_FC_WRITE_AND_READ_REGISTERS:
        return 3 + 2 * mb_get_uint16(req + 4) + MB_RTU_CHECKSUM_LENGTH;
    case MB_FC_READ_EXCEPTION_STATUS:
        return 3 + MB_RTU_CHECKSUM_LENGTH;
    case MB_FC_REPORT_SLAVE_ID:
        return 0;
    default:
        return 6 + MB_RTU_CHECKSUM_LENGTH;
    }
}

int mb_rtu_check_response(const uint8_t *req, int req_length, const uint8_t *rsp, int rsp_length, bool debug)
{
    if (req_length < 2 || rsp_length < 2 + MB_RTU_CHECKSUM_LENGTH)
        return bad_data();
    // TCP guards only the hop to the gateway: a frame spoiled on the serial
    // line reaches us whole, and its bytes must not become values.
    const uint16_t received = static_cast<uint16_t>(rsp[rsp_length - 2] | rsp[rsp_length - 1] << 8);
    const uint16_t computed = mb_rtu_crc16(rsp, static_cast<size_t>(rsp_length - MB_RTU_CHECKSUM_LENGTH));
    if (received != computed) {
        if (debug)
            std::fprintf(stderr, "ERROR CRC received 0x%0X != CRC calculated 0x%0X\n", received, computed);
        errno = EMBBADCRC;
        return -1;
    }
    return mb_check_response_body(req, req_length, rsp, rsp_length - MB_RTU_CHECKSUM_LENGTH, debug);
}

int mb_check_response_body(const uint8_t *req, int req_length, const uint8_t *rsp, int rsp_length, bool debug)
{
    if (req_length < 2 || rsp_length < 2)
        return bad_data();
    if (rsp_length == MB_RTU_EXCEPTION_LENGTH - MB_RTU_CHECKSUM_LENGTH && rsp[0] == req[0] &&
        rsp[1] == (req[1] | 0x80)) {
        errno = exception_error(rsp[2]);
        return -1;
    }
    // Unit id and function code together: a stray answer to another request
    // (another unit or another function) is refused before anything else.
    if (req[0] != rsp[0] || req[1] != rsp[1]) {
        if (debug)
            std::fprintf(stderr, "Invalid TID received 0x%X (not 0x%X)\n", mb_get_uint16(rsp), mb_get_uint16(req));
        return bad_data();
    }
    const int expected = mb_rtu_expected_length(req, req_length);
    if (expected < 0)
        return bad_data();
    if (expected != 0 && rsp_length != expected - MB_RTU_CHECKSUM_LENGTH) {
        if (debug)
            std::fprintf(stderr, "Message length not corresponding to the computed length (%d != %d)\n",
                         rsp_length + MB_RTU_CHECKSUM_LENGTH, expected);
        return bad_data();
    }
    if (expected == 0 && !byte_count_fits(rsp, rsp_length)) {
        if (debug)
            std::fprintf(stderr, "Byte count not fitting the message (%d bytes)\n",
                         rsp_length + MB_RTU_CHECKSUM_LENGTH);
        return bad_data();
    }
    if (!fits_request(req, rsp, debug))
        return bad_data();
    return count_of(req, rsp);
}
