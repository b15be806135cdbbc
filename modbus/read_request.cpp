#include "modbus/read_request.h"

#include "modbus/failure_reason.h"
#include "modbus/register_format.h"

#include <algorithm>
#include <cerrno>

ReadOutcome RunRead(mb_context *ctx, const ReadRequest &request)
{
    ReadOutcome outcome;
    mb_set_slave(ctx, request.slave);
    // Room for all the client may return: up to 2000 bits or 125 registers.
    std::vector<uint8_t> bits;
    std::vector<uint16_t> registers;
    switch (request.functionCode) {
    case 1:
    case 2:
        bits.assign(MB_MAX_READ_BITS, 0);
        outcome.count = request.functionCode == 1
                            ? mb_read_bits(ctx, request.address, request.quantity, bits.data())
                            : mb_read_input_bits(ctx, request.address, request.quantity, bits.data());
        break;
    case 3:
    case 4:
        registers.assign(MB_MAX_READ_REGISTERS, 0);
        outcome.count = request.functionCode == 3
                            ? mb_read_registers(ctx, request.address, request.quantity, registers.data())
                            : mb_read_input_registers(ctx, request.address, request.quantity, registers.data());
        break;
    case 23:
        registers.assign(MB_MAX_WR_READ_REGISTERS, 0);
        outcome.count = mb_write_and_read_registers(
            ctx, request.writeAddress, static_cast<int>(request.writeValues.size()), request.writeValues.data(),
            request.address, request.quantity, registers.data());
        break;
    default:
        errno = EINVAL;
        break;
    }
    outcome.error = outcome.count < 0 ? errno : 0;
    outcome.linkUp = mb_link_up(ctx) != 0;
    if (outcome.count > 0) {
        const size_t shown = static_cast<size_t>(outcome.count);
        if (!bits.empty())
            outcome.values.assign(bits.begin(), bits.begin() + static_cast<long>(std::min(shown, bits.size())));
        else
            outcome.values.assign(registers.begin(),
                                  registers.begin() + static_cast<long>(std::min(shown, registers.size())));
    }
    return outcome;
}

std::string OutcomeResult(const ReadRequest &request, const ReadOutcome &outcome)
{
    if (outcome.count < 0)
        return FailedResult(RequestFailureReason(outcome.error));
    if (ReadsBits(request.functionCode) || request.functionCode == 23)
        return ReadBitsResult(outcome.count);
    return ReadRegistersResult(outcome.count);
}
