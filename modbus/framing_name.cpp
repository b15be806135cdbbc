#include "modbus/framing_name.h"

#include "library/modbus_lib/modbus.h"

const char *FramingName(int framing)
{
    return framing == MB_FRAMING_TCP ? "Modbus TCP" : "RTU over TCP";
}
