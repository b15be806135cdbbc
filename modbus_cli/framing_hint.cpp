#include "modbus_cli/framing_hint.h"

#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_mbap.h"
#include "library/modbus_lib/modbus_rtu.h"

namespace modbus_cli {

bool LooksLikeModbusTcp(const std::vector<uint8_t> &answer)
{
    if (answer.size() < MB_MBAP_HEADER_LENGTH + 1 || answer[2] != 0 || answer[3] != 0)
        return false;
    const size_t follows = static_cast<size_t>(answer[4]) << 8 | answer[5];
    return follows >= MB_MBAP_MIN_LENGTH && follows <= MB_MBAP_MAX_LENGTH &&
           answer.size() == MB_MBAP_PREFIX_LENGTH + follows;
}

bool LooksLikeRtu(const std::vector<uint8_t> &answer)
{
    if (answer.size() < 2 + MB_RTU_CHECKSUM_LENGTH)
        return false;
    const size_t body = answer.size() - MB_RTU_CHECKSUM_LENGTH;
    const uint16_t crc = mb_rtu_crc16(answer.data(), body);
    return answer[body] == (crc & 0xFF) && answer[body + 1] == crc >> 8;
}

std::string FramingHint(int framing, const std::vector<uint8_t> &answer, int port)
{
    const bool tcp = framing == MB_FRAMING_TCP;
    if (!answer.empty()) {
        if (!tcp && LooksLikeModbusTcp(answer))
            return "the answer looks like Modbus TCP; try --framing tcp";
        if (tcp && LooksLikeRtu(answer))
            return "the answer looks like RTU over TCP; try --framing rtu";
        return "";
    }
    if (!tcp && port == MODBUS_TCP_PORT)
        return "port 502 is the Modbus TCP port; try --framing tcp";
    if (tcp && port == MODBUS_PORT)
        return "port 65100 is the RTU over TCP port; try --framing rtu";
    return "";
}

} // namespace modbus_cli
