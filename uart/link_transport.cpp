#include "uart/link_transport.h"

#include "uart/error_text.h"
#include "uart/serial_link.h"
#include "uart/tcp_client_link.h"
#include "uart/tcp_server_link.h"
#include "uart/udp_link.h"

std::unique_ptr<LinkOpener> MakeLinkOpener(const LinkEndpoint &endpoint)
{
    // One case per mode: the compiler names a mode left out.
    switch (endpoint.mode) {
    case LinkMode::TcpClient:
        return std::make_unique<TcpClientOpener>(endpoint.host, endpoint.port);
    case LinkMode::TcpServer:
        return std::make_unique<TcpServerOpener>(endpoint.listenAddress, endpoint.port, endpoint.host);
    case LinkMode::Udp:
        return std::make_unique<UdpOpener>(endpoint.host, endpoint.port, endpoint.listenAddress,
                                           endpoint.ReceivePort());
    case LinkMode::Serial:
        return std::make_unique<SerialOpener>(endpoint.device, endpoint.serial);
    }
    return nullptr;
}

std::string LinkChannel::ReadFailureText(int code) const
{
    return SystemErrorText(code);
}
