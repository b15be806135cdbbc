// The request operations: limits, framing, one exchange, decoding.
#include "library/modbus_lib/modbus.h"

#include "library/modbus_lib/modbus-data.h"
#include "library/modbus_lib/modbus_context.h"
#include "library/modbus_lib/modbus_exchange.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int invalid()
{
    errno = EINVAL;
    return -1;
}

int too_many()
{
    errno = EMBMDATA;
    return -1;
}

// A quantity runs from 1 to its limit (the protocol has no request for
// nothing); anything else fails before any traffic. Returns 0 when `nb` may
// be sent.
int check_quantity(const mb_context *ctx, int nb, int limit, const char *message)
{
    if (nb < 1)
        return invalid();
    if (nb > limit) {
        mb_debug_error(ctx, message, nb, limit);
        return too_many();
    }
    return 0;
}

// Failures after which bytes of this request's answer may still be on their
// way, or may have been read as part of it: a time-out, a wait cancelled, a
// spoiled or mismatching frame, a frame cut short on sending. An exception
// answer is a whole frame and leaves the stream in step; a closed connection
// carries nothing more.
bool leaves_out_of_step(int error)
{
    return error == ETIMEDOUT || error == ECANCELED || error == EMBBADCRC || error == EMBBADDATA ||
           error == EMBBADMBAP;
}

// Brings the stream back in step before the next request. RTU frames carry
// no transaction id, so nothing in a late answer tells it from the answer
// to the next request, and a late answer can come at any time: only a new
// connection is sure to carry no byte of the old one's. Modbus TCP answers
// carry transaction ids, and one with another id is refused, but the same
// new connection keeps its stream from holding stale answers. A failed connect
// fails the request with its error and is tried again by the next one.
int regain_step(mb_context *ctx)
{
    if (mb_connect(ctx) != 0) {
        ctx->out_of_step = true;
        return -1;
    }
    return 0;
}

// Sends the `req_length` bytes of `req` and reads and checks the response
// into `rsp`. Returns the count of mb_check_confirmation, or -1.
int exchange(mb_context *ctx, uint8_t *req, int req_length, uint8_t *rsp)
{
    if (ctx->out_of_step && regain_step(ctx) != 0)
        return -1;
    const int sent = mb_send_msg(ctx, req, req_length);
    const int received = sent < 0 ? -1 : mb_receive_msg(ctx, rsp);
    const int count = received < 0 ? -1 : mb_check_confirmation(ctx, req, sent, rsp, received);
    if (count < 0 && leaves_out_of_step(errno))
        ctx->out_of_step = true;
    return count;
}

int read_bits(mb_context *ctx, int function, int addr, int nb, uint8_t *dest)
{
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    uint8_t rsp[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_request_basis(ctx->slave, function, addr, nb, req);
    if (exchange(ctx, req, length, rsp) < 0)
        return -1;
    mb_unpack_bits(rsp + 3, nb, dest);
    return nb;
}

int read_registers(mb_context *ctx, int function, int addr, int nb, uint16_t *dest)
{
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    uint8_t rsp[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_request_basis(ctx->slave, function, addr, nb, req);
    const int count = exchange(ctx, req, length, rsp);
    for (int index = 0; index < count; ++index)
        dest[index] = mb_get_uint16(rsp + 3 + 2 * index);
    return count;
}

int write_single(mb_context *ctx, int function, int addr, int value)
{
    if (ctx == nullptr)
        return invalid();
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    uint8_t rsp[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_request_basis(ctx->slave, function, addr, value, req);
    return exchange(ctx, req, length, rsp);
}

} // namespace

int mb_read_bits(mb_context *ctx, int addr, int nb, uint8_t *dest)
{
    if (ctx == nullptr)
        return invalid();
    if (check_quantity(ctx, nb, MB_MAX_READ_BITS, "ERROR Too many bits requested (%d > %d)\n") != 0)
        return -1;
    if (dest == nullptr)
        return invalid();
    return read_bits(ctx, MB_FC_READ_COILS, addr, nb, dest);
}

int mb_read_input_bits(mb_context *ctx, int addr, int nb, uint8_t *dest)
{
    if (ctx == nullptr)
        return invalid();
    if (check_quantity(ctx, nb, MB_MAX_READ_BITS, "ERROR Too many discrete inputs requested (%d > %d)\n") != 0)
        return -1;
    if (dest == nullptr)
        return invalid();
    return read_bits(ctx, MB_FC_READ_DISCRETE_INPUTS, addr, nb, dest);
}

int mb_read_registers(mb_context *ctx, int addr, int nb, uint16_t *dest)
{
    if (ctx == nullptr)
        return invalid();
    if (check_quantity(ctx, nb, MB_MAX_READ_REGISTERS, "ERROR Too many registers requested (%d > %d)\n") != 0)
        return -1;
    if (dest == nullptr)
        return invalid();
    return read_registers(ctx, MB_FC_READ_HOLDING_REGISTERS, addr, nb, dest);
}

int mb_read_input_registers(mb_context *ctx, int addr, int nb, uint16_t *dest)
{
    if (ctx == nullptr || nb < 1)
        return invalid();
    if (nb > MB_MAX_READ_REGISTERS) {
        // This one message is written whether debugging or not.
        std::fprintf(stderr, "ERROR Too many input registers requested (%d > %d)\n", nb, MB_MAX_READ_REGISTERS);
        return too_many();
    }
    if (dest == nullptr)
        return invalid();
    return read_registers(ctx, MB_FC_READ_INPUT_REGISTERS, addr, nb, dest);
}

int mb_write_bit(mb_context *ctx, int addr, int status)
{
    return write_single(ctx, MB_FC_WRITE_SINGLE_COIL, addr, status ? 0xFF00 : 0x0000);
}

int mb_write_register(mb_context *ctx, int addr, int value)
{
    return write_single(ctx, MB_FC_WRITE_SINGLE_REGISTER, addr, value);
}

int mb_write_bits(mb_context *ctx, int addr, int nb, const uint8_t *src)
{
    if (ctx == nullptr)
        return invalid();
    if (check_quantity(ctx, nb, MB_MAX_WRITE_BITS, "ERROR Writing too many bits (%d > %d)\n") != 0)
        return -1;
    if (src == nullptr)
        return invalid();
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    uint8_t rsp[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_write_bits(ctx->slave, addr, nb, src, req);
    return exchange(ctx, req, length, rsp);
}

int mb_write_registers(mb_context *ctx, int addr, int nb, const uint16_t *src)
{
    if (ctx == nullptr)
        return invalid();
    if (check_quantity(ctx, nb, MB_MAX_WRITE_REGISTERS, "ERROR Trying to write to too many registers (%d > %d)\n") != 0)
        return -1;
    if (src == nullptr)
        return invalid();
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    uint8_t rsp[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_write_registers(ctx->slave, addr, nb, src, req);
    return exchange(ctx, req, length, rsp);
}

int mb_write_and_read_registers(mb_context *ctx, int write_addr, int write_nb, const uint16_t *src, int read_addr,
                                int read_nb, uint16_t *dest)
{
    if (ctx == nullptr)
        return invalid();
    if (check_quantity(ctx, write_nb, MB_MAX_WR_WRITE_REGISTERS, "ERROR Too many registers to write (%d > %d)\n") != 0)
        return -1;
    if (check_quantity(ctx, read_nb, MB_MAX_WR_READ_REGISTERS, "ERROR Too many registers requested (%d > %d)\n") != 0)
        return -1;
    if (src == nullptr || dest == nullptr)
        return invalid();
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    uint8_t rsp[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_write_and_read(ctx->slave, write_addr, write_nb, src, read_addr, read_nb, req);
    const int count = exchange(ctx, req, length, rsp);
    for (int index = 0; index < count; ++index)
        dest[index] = mb_get_uint16(rsp + 3 + 2 * index);
    return count;
}

int mb_report_slave_id(mb_context *ctx, uint8_t *dest)
{
    if (ctx == nullptr || dest == nullptr)
        return invalid();
    uint8_t req[MB_RTU_MAX_ADU_LENGTH];
    uint8_t rsp[MB_RTU_MAX_ADU_LENGTH];
    const int length = mb_rtu_build_report_slave_id(ctx->slave, req);
    const int count = exchange(ctx, req, length, rsp);
    if (count > 0)
        std::memcpy(dest, rsp + 3, static_cast<size_t>(count));
    return count;
}
