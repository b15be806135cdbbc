// How the Modbus panel and the connection dialog name the framings of a
// Modbus connection.
#ifndef ORV_MODBUS_FRAMING_NAME_H
#define ORV_MODBUS_FRAMING_NAME_H

// "RTU over TCP" for MB_FRAMING_RTU, "Modbus TCP" for MB_FRAMING_TCP.
const char *FramingName(int framing);

#endif
