// Telling from a failed answer that the device speaks the other framing:
// RTU over TCP and Modbus TCP devices each ignore or garble the other's
// frames, and a bare "no answer" or "invalid CRC" does not say why.
#ifndef ORV_MODBUS_CLI_FRAMING_HINT_H
#define ORV_MODBUS_CLI_FRAMING_HINT_H

#include <cstdint>
#include <string>
#include <vector>

namespace modbus_cli {

// Whether `answer` is one whole Modbus TCP frame (protocol id 0 and a
// length that fits what came), or one RTU frame (its CRC fits).
bool LooksLikeModbusTcp(const std::vector<uint8_t> &answer);
bool LooksLikeRtu(const std::vector<uint8_t> &answer);

// For a request in `framing` (MB_FRAMING_RTU or MB_FRAMING_TCP) to `port`
// that failed with `answer` (the bytes that came, maybe none): "" or a hint
// such as "the answer looks like Modbus TCP; try --framing tcp". With no
// answer, only the port can tell: 502 is Modbus TCP's, 65100 RTU over TCP's.
std::string FramingHint(int framing, const std::vector<uint8_t> &answer, int port);

} // namespace modbus_cli

#endif
