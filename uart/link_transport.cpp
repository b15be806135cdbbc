#include "uart/link_transport.h"

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
    }
    return nullptr;
}
