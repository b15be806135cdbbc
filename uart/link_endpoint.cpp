#include "uart/link_endpoint.h"

#include "uart/port_text.h"

namespace {

constexpr struct {
    LinkMode mode;
    const char *name;
} kModeNames[] = {{LinkMode::TcpClient, "client"}, {LinkMode::TcpServer, "server"}, {LinkMode::Udp, "udp"},
                  {LinkMode::Serial, "serial"}};

} // namespace

LinkEndpoint TcpClientEndpoint(const std::string &host, const std::string &portText)
{
    LinkEndpoint endpoint;
    endpoint.host = host;
    endpoint.port = PortFromText(portText);
    return endpoint;
}

const char *LinkModeName(LinkMode mode)
{
    for (const auto &entry : kModeNames)
        if (entry.mode == mode)
            return entry.name;
    return kModeNames[0].name;
}

std::optional<LinkMode> LinkModeOfName(const std::string &name)
{
    for (const auto &entry : kModeNames)
        if (name == entry.name)
            return entry.mode;
    return std::nullopt;
}
