#include "modbus/modbus_request.h"

#include <algorithm>
#include <cerrno>

namespace {

using Clock = std::chrono::steady_clock;

int Written(const std::vector<uint16_t> &registers)
{
    return static_cast<int>(registers.size());
}

// Runs the request into `bytes` (bits, slave-id bytes) or `registers`.
int Dispatch(mb_context *ctx, const ModbusRequest &request, std::vector<uint8_t> &bytes,
             std::vector<uint16_t> &registers)
{
    switch (request.function) {
    case 1:
        return mb_read_bits(ctx, request.address, request.count, bytes.data());
    case 2:
        return mb_read_input_bits(ctx, request.address, request.count, bytes.data());
    case 3:
        return mb_read_registers(ctx, request.address, request.count, registers.data());
    case 4:
        return mb_read_input_registers(ctx, request.address, request.count, registers.data());
    // A single write without its value is refused like any invalid request.
    case 5:
        if (request.coils.empty())
            break;
        return mb_write_bit(ctx, request.address, request.coils.front() != 0 ? 1 : 0);
    case 6:
        if (request.registers.empty())
            break;
        return mb_write_register(ctx, request.address, request.registers.front());
    case 15:
        return mb_write_bits(ctx, request.address, static_cast<int>(request.coils.size()), request.coils.data());
    case 16:
        return mb_write_registers(ctx, request.address, Written(request.registers), request.registers.data());
    case 17:
        return mb_report_slave_id(ctx, bytes.data());
    case 23:
        return mb_write_and_read_registers(ctx, request.writeAddress, Written(request.registers),
                                           request.registers.data(), request.address, request.count,
                                           registers.data());
    default:
        break;
    }
    errno = EINVAL;
    return -1;
}

} // namespace

bool ReadsBits(int function)
{
    return function == 1 || function == 2;
}

bool ReadsRegisters(int function)
{
    return function == 3 || function == 4 || function == 23;
}

bool WritesCoils(int function)
{
    return function == 5 || function == 15;
}

bool OnlyWrites(int function)
{
    return function == 5 || function == 6 || function == 15 || function == 16;
}

ModbusReply RunModbusRequest(mb_context *ctx, const ModbusRequest &request)
{
    ModbusReply reply;
    mb_set_slave(ctx, request.unit);
    // Room for all the client may return: the bits or registers asked for
    // (it refuses a count past its limits), or a slave id's bytes.
    const bool fromBytes = ReadsBits(request.function) || request.function == 17;
    const size_t asked = static_cast<size_t>(std::max(request.count, 0));
    std::vector<uint8_t> bytes(request.function == 17 ? MB_MAX_REPORT_SLAVE_ID + 1 : fromBytes ? asked : 0);
    std::vector<uint16_t> registers(ReadsRegisters(request.function) ? asked : 0);
    const Clock::time_point start = Clock::now();
    reply.result = Dispatch(ctx, request, bytes, registers);
    reply.error = reply.result < 0 ? errno : 0;
    reply.roundTrip = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    reply.linkUp = mb_link_up(ctx) != 0;
    if (reply.result > 0 && !OnlyWrites(request.function)) {
        const size_t count = std::min(static_cast<size_t>(reply.result), fromBytes ? bytes.size() : registers.size());
        if (fromBytes)
            reply.values.assign(bytes.begin(), bytes.begin() + static_cast<long>(count));
        else
            reply.values.assign(registers.begin(), registers.begin() + static_cast<long>(count));
    }
    return reply;
}
