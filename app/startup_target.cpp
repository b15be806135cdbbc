#include "app/startup_target.h"

#include "app/ip_address.h"
#include "library/modbus_lib/modbus.h"

namespace startup_target {

bool IsHost(const std::string &text)
{
    ip_address::FieldTexts fields;
    size_t start = 0;
    for (size_t index = 0; index < fields.size(); ++index) {
        const size_t dot = index + 1 < fields.size() ? text.find('.', start) : text.size();
        if (dot == std::string::npos)
            return false;
        fields[index] = text.substr(start, dot - start);
        start = dot + 1;
    }
    // A fifth field would have stayed in the last one, with its dot.
    return ip_address::FieldsFormAddress(fields);
}

bool SplitHostPort(const std::string &text, const std::string &defaultPort, std::string &ip, std::string &port,
                   bool anyHost)
{
    const size_t colon = text.find(':');
    const std::string host = text.substr(0, colon);
    const std::string portText = colon == std::string::npos ? defaultPort : text.substr(colon + 1);
    const bool hostValid = IsHost(host) || (anyHost && host == kAnyModuleAddress);
    if (!hostValid || !ip_address::IsPortText(portText))
        return false;
    ip = host;
    port = portText;
    return true;
}

bool ParseFraming(const std::string &text, int &framing)
{
    if (text != "rtu" && text != "tcp")
        return false;
    framing = text == "tcp" ? MB_FRAMING_TCP : MB_FRAMING_RTU;
    return true;
}

std::string ReadLink(const LinkOptions &options, LinkEndpoint &link)
{
    link = LinkEndpoint();
    if (options.mode) {
        const std::optional<LinkMode> mode = LinkModeOfName(*options.mode);
        if (!mode)
            return "--link takes client, server or udp, not " + *options.mode;
        link.mode = *mode;
    }
    if (options.listenAddress) {
        if (link.mode == LinkMode::TcpClient)
            return "--listen-address goes with --link server or udp";
        const std::string &address = *options.listenAddress;
        if (address != kAnyModuleAddress && !IsHost(address))
            return "--listen-address takes an IPv4 address of this computer, as 127.0.0.1, not " + address;
        link.listenAddress = address == kAnyModuleAddress ? std::string() : address;
    }
    if (options.localPort) {
        if (link.mode != LinkMode::Udp)
            return "--local-port goes with --link udp";
        const std::string &port = *options.localPort;
        if (!ip_address::IsPortText(port) || std::stoul(port) == 0)
            return "--local-port takes a port from 1 to 65535, not " + port;
        link.localPort = static_cast<uint16_t>(std::stoul(port));
    }
    return "";
}

LinkEndpoint KeptLink(const LinkOptions &kept)
{
    LinkEndpoint link;
    link.mode = (kept.mode ? LinkModeOfName(*kept.mode) : std::nullopt).value_or(LinkMode::TcpClient);
    if (kept.listenAddress && IsHost(*kept.listenAddress))
        link.listenAddress = *kept.listenAddress;
    if (kept.localPort && ip_address::IsPortText(*kept.localPort))
        link.localPort = static_cast<uint16_t>(std::stoul(*kept.localPort));
    return link;
}

} // namespace startup_target
