// Where the UART link reaches its module: the value the panel holds once
// the connection dialog has been confirmed, and the link's workers open.
#ifndef ORV_UART_LINK_ENDPOINT_H
#define ORV_UART_LINK_ENDPOINT_H

#include <cstdint>
#include <string>

// How the terminal reaches the module; each mode has its transport
// (uart/link_transport.h).
enum class LinkMode { TcpClient };

struct LinkEndpoint {
    // The module's dotted IPv4 address.
    std::string host;
    uint16_t port = 0;
    LinkMode mode = LinkMode::TcpClient;
};

// A TCP client's endpoint for the dialog's texts: the port is the leading
// number of its text modulo 65536 (PortFromText).
LinkEndpoint TcpClientEndpoint(const std::string &host, const std::string &portText);

#endif
