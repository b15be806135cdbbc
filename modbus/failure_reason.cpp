#include "modbus/failure_reason.h"

#include "library/modbus_lib/modbus.h"

#include <cerrno>

namespace {

bool ConnectionLost(int error)
{
    return error == ECONNRESET || error == EPIPE || error == ENOTCONN || error == ECONNABORTED;
}

} // namespace

const char *const kNotConnectedReason = "not connected";
const char *const kPollingReason = "polling runs";

std::string FailedResult(const std::string &reason)
{
    return "Failed: " + reason;
}

std::string RequestFailureReason(int error)
{
    if (error == ETIMEDOUT)
        return "no answer";
    if (ConnectionLost(error))
        return "connection closed";
    if (error == EBADF)
        return kNotConnectedReason;
    return mb_strerror(error);
}

std::string RangeReason(const std::string &field, long low, long high)
{
    return field + " must be " + std::to_string(low) + " to " + std::to_string(high);
}
