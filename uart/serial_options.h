// A serial link's line settings as the user writes and reads them: the
// names the command line and the settings file use, the dialog's choices,
// and the short form the panel shows ("115200 8N1").
#ifndef ORV_UART_SERIAL_OPTIONS_H
#define ORV_UART_SERIAL_OPTIONS_H

#include "net/serial.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The rates the dialog offers; any other positive rate may be typed.
const std::vector<uint32_t> &StandardBaudRates();

// A rate of decimal digits alone, 1 to 4294967295.
std::optional<uint32_t> BaudOfText(const std::string &text);
// "5" to "8".
std::optional<int> DataBitsOfText(const std::string &text);
// "1" or "2".
std::optional<int> StopBitsOfText(const std::string &text);

// "none", "odd", "even", "mark", "space".
const char *SerialParityName(SerialParity parity);
std::optional<SerialParity> SerialParityOfName(const std::string &name);
// "none", "rtscts", "xonxoff".
const char *SerialFlowName(SerialFlow flow);
std::optional<SerialFlow> SerialFlowOfName(const std::string &name);

// "115200 8N1", with the flow control after it when there is one:
// "921600 8E2 RTS/CTS", "9600 7O1 XON/XOFF".
std::string SerialSummary(const SerialSettings &settings);

#endif
