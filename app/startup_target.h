// The connection the command line asks the terminal to start with, kept
// free of the toolkit so that it can be tested on its own.
#ifndef ORV_APP_STARTUP_TARGET_H
#define ORV_APP_STARTUP_TARGET_H

#include "uart/link_endpoint.h"

#include <optional>
#include <string>

namespace startup_target {

// Splits "HOST[:PORT]" of --uart or --modbus into the texts the connection
// dialog takes, the port being `defaultPort` when none is given. HOST is a
// dotted IPv4 address the dialog accepts ("127.0.0.1"; no host names, since
// the dialog holds four number fields). With `anyHost`, "0.0.0.0" (a
// server's any module) is taken too. Returns false for anything else.
bool SplitHostPort(const std::string &text, const std::string &defaultPort, std::string &ip, std::string &port,
                   bool anyHost = false);

// Whether `text` is a dotted IPv4 address the dialog accepts.
bool IsHost(const std::string &text);

// The framing of --framing: "rtu" gives MB_FRAMING_RTU, "tcp"
// MB_FRAMING_TCP; false for anything else.
bool ParseFraming(const std::string &text, int &framing);

// The UART link's options as given: --link, --listen-address, --local-port.
struct LinkOptions {
    std::optional<std::string> mode;
    std::optional<std::string> listenAddress;
    std::optional<std::string> localPort;
};

// Reads the options into `link`'s mode, listen address and local port;
// returns why they cannot be used, or "".
std::string ReadLink(const LinkOptions &options, LinkEndpoint &link);

// A serial link's options as given: --serial DEVICE, --baud, --data-bits,
// --parity, --stop-bits, --flow; the same names are the settings' values.
struct SerialOptions {
    std::optional<std::string> device;
    std::optional<std::string> baud;
    std::optional<std::string> dataBits;
    std::optional<std::string> parity;
    std::optional<std::string> stopBits;
    std::optional<std::string> flow;
};

// Reads the options into `link`'s device and line settings (a serial link
// then); returns why they cannot be used, or "". The line options need the
// device.
std::string ReadSerial(const SerialOptions &options, LinkEndpoint &link);

// The link kept in the settings, each field checked on its own: one no
// dialog would take leaves its default (the TCP client, every local
// address, the module's port, 115200 8N1 without flow control).
LinkEndpoint KeptLink(const LinkOptions &kept, const SerialOptions &keptSerial = {});

} // namespace startup_target

#endif
