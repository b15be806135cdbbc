#include "modbus/form_result.h"

#include "modbus/failure_reason.h"
#include "modbus/register_format.h"

namespace {

// Each byte is the character of that code point.
std::string Latin1ToUtf8(const std::string &latin1)
{
    std::string text;
    for (const char c : latin1) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | code >> 6);
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

std::string SlaveIdLine(const ModbusReply &reply)
{
    // Unit id and run indicator at the least.
    if (reply.values.size() < 2)
        return FailedResult(RequestFailureReason(EMBBADDATA));
    const std::vector<uint8_t> bytes(reply.values.begin(), reply.values.end());
    return "Slave ID: " + Latin1ToUtf8(SlaveIdLatin1(bytes.data(), bytes.size()));
}

} // namespace

std::string FormResultLine(const ModbusRequest &request, const ModbusReply &reply)
{
    if (!reply.Ok())
        return FailedResult(RequestFailureReason(reply.error));
    if (OnlyWrites(request.function))
        return "Sended";
    if (request.function == 17)
        return SlaveIdLine(reply);
    if (ReadsBits(request.function) || request.function == 23)
        return ReadBitsResult(reply.result);
    return ReadRegistersResult(reply.result);
}
