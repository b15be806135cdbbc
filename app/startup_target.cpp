#include "app/startup_target.h"

#include "app/ip_address.h"
#include "library/modbus_lib/modbus.h"
#include "uart/serial_options.h"

#include <utility>

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
        // A serial device is named with --serial, which has no host.
        if (!mode || *mode == LinkMode::Serial)
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

std::string ReadSerial(const SerialOptions &options, LinkEndpoint &link)
{
    const std::pair<const char *, const std::optional<std::string> *> lineOptions[] = {
        {"baud", &options.baud},         {"data-bits", &options.dataBits}, {"parity", &options.parity},
        {"stop-bits", &options.stopBits}, {"flow", &options.flow}};
    if (!options.device) {
        for (const auto &[name, value] : lineOptions)
            if (*value)
                return std::string("--") + name + " goes with --serial";
        return "";
    }
    if (options.device->empty())
        return "--serial takes the path of a serial device, as /dev/ttyUSB0";
    link.mode = LinkMode::Serial;
    link.device = *options.device;
    SerialSettings &settings = link.serial;
    if (options.baud) {
        const std::optional<uint32_t> baud = BaudOfText(*options.baud);
        if (!baud)
            return "--baud takes a rate in bit/s, a whole number above 0 (as 115200), not " + *options.baud;
        settings.baud = *baud;
    }
    if (options.dataBits) {
        const std::optional<int> bits = DataBitsOfText(*options.dataBits);
        if (!bits)
            return "--data-bits takes 5, 6, 7 or 8, not " + *options.dataBits;
        settings.dataBits = *bits;
    }
    if (options.parity) {
        const std::optional<SerialParity> parity = SerialParityOfName(*options.parity);
        if (!parity)
            return "--parity takes none, odd, even, mark or space, not " + *options.parity;
        settings.parity = *parity;
    }
    if (options.stopBits) {
        const std::optional<int> bits = StopBitsOfText(*options.stopBits);
        if (!bits)
            return "--stop-bits takes 1 or 2, not " + *options.stopBits;
        settings.stopBits = *bits;
    }
    if (options.flow) {
        const std::optional<SerialFlow> flow = SerialFlowOfName(*options.flow);
        if (!flow)
            return "--flow takes none, rtscts or xonxoff, not " + *options.flow;
        settings.flow = *flow;
    }
    return "";
}

LinkEndpoint KeptLink(const LinkOptions &kept, const SerialOptions &keptSerial)
{
    LinkEndpoint link;
    link.mode = (kept.mode ? LinkModeOfName(*kept.mode) : std::nullopt).value_or(LinkMode::TcpClient);
    if (kept.listenAddress && IsHost(*kept.listenAddress))
        link.listenAddress = *kept.listenAddress;
    if (kept.localPort && ip_address::IsPortText(*kept.localPort))
        link.localPort = static_cast<uint16_t>(std::stoul(*kept.localPort));
    if (keptSerial.device)
        link.device = *keptSerial.device;
    SerialSettings &settings = link.serial;
    const auto valueOf = [](const std::optional<std::string> &text, auto parse) {
        return text ? parse(*text) : std::nullopt;
    };
    settings.baud = valueOf(keptSerial.baud, BaudOfText).value_or(settings.baud);
    settings.dataBits = valueOf(keptSerial.dataBits, DataBitsOfText).value_or(settings.dataBits);
    settings.parity = valueOf(keptSerial.parity, SerialParityOfName).value_or(settings.parity);
    settings.stopBits = valueOf(keptSerial.stopBits, StopBitsOfText).value_or(settings.stopBits);
    settings.flow = valueOf(keptSerial.flow, SerialFlowOfName).value_or(settings.flow);
    // A serial link without its device would have nothing to open.
    if (link.mode == LinkMode::Serial && link.device.empty())
        link.mode = LinkMode::TcpClient;
    return link;
}

} // namespace startup_target
