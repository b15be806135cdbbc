#include "uart/link_transport.h"

#include "uart/tcp_client_link.h"

std::unique_ptr<LinkOpener> MakeLinkOpener(const LinkEndpoint &endpoint)
{
    // One case per mode: the compiler names a mode left out.
    switch (endpoint.mode) {
    case LinkMode::TcpClient:
        return std::make_unique<TcpClientOpener>(endpoint.host, endpoint.port);
    }
    return nullptr;
}
