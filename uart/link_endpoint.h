// Where the UART link reaches its module: the value the panel holds once
// the connection dialog has been confirmed, and the link's workers open.
#ifndef ORV_UART_LINK_ENDPOINT_H
#define ORV_UART_LINK_ENDPOINT_H

#include "net/serial.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// How the terminal reaches the module; each mode has its transport
// (uart/link_transport.h). TcpClient: the terminal connects to the module.
// TcpServer: the terminal listens and the module connects. Udp: datagrams
// both ways. Serial: a local serial device (a USB adapter) instead of a
// module on the network.
enum class LinkMode { TcpClient, TcpServer, Udp, Serial };

// The address a server accepts any module from.
constexpr const char *kAnyModuleAddress = "0.0.0.0";
// The most a UDP datagram over IPv4 carries.
constexpr size_t kLargestDatagram = 65507;

struct LinkEndpoint {
    LinkEndpoint() = default;
    LinkEndpoint(std::string moduleHost, uint16_t modulePort, LinkMode linkMode = LinkMode::TcpClient)
        : host(std::move(moduleHost)), port(modulePort), mode(linkMode)
    {
    }

    // The module's dotted IPv4 address; for a server, the only address that
    // may connect (kAnyModuleAddress: any).
    std::string host;
    // The module's port; for a server, the port listened on.
    uint16_t port = 0;
    LinkMode mode = LinkMode::TcpClient;
    // The local address a server listens on and UDP receives on; empty:
    // every local address.
    std::string listenAddress;
    // The local port UDP datagrams are received on; 0: the module's port.
    uint16_t localPort = 0;
    // A serial link's device path and line settings.
    std::string device;
    SerialSettings serial;

    // The local port a UDP link receives on.
    uint16_t ReceivePort() const { return localPort != 0 ? localPort : port; }
};

// A TCP client's endpoint for the dialog's texts: the port is the leading
// number of its text modulo 65536 (PortFromText).
LinkEndpoint TcpClientEndpoint(const std::string &host, const std::string &portText);

// "client", "server", "udp", "serial": the command line's and the settings' names.
const char *LinkModeName(LinkMode mode);
std::optional<LinkMode> LinkModeOfName(const std::string &name);

#endif
