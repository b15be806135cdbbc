#include "uart/link_endpoint.h"

#include "uart/port_text.h"

LinkEndpoint TcpClientEndpoint(const std::string &host, const std::string &portText)
{
    return {host, PortFromText(portText), LinkMode::TcpClient};
}
