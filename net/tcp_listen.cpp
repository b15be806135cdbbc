// Sockets that wait for the module: a TCP listener, and a UDP socket bound
// to a local port.
#include "net/tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A socket of `type` bound to ip_text:port; -1 on a failure, recorded, with
// its code left in errno.
int bound_socket(int type, const char *ip_text, uint16_t port)
{
    const int handle = tcp_socket(AF_INET, type, 0);
    if (handle < 0)
        return -1;
    // A listener taken up again soon after the last one must not wait for its
    // old connections to time out; a port another socket holds stays refused.
    const int on = 1;
    if (type == SOCK_STREAM)
        setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address{};
    tcp_make_address(&address, ip_text, port);
    if (bind(handle, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 ||
        (type == SOCK_STREAM && listen(handle, SOMAXCONN) != 0)) {
        const int failure = errno;
        close(handle);
        tcp_set_system_error(failure);
        errno = failure;
        return -1;
    }
    return handle;
}

} // namespace

int tcp_listen(const char *ip_text, uint16_t port)
{
    return bound_socket(SOCK_STREAM, ip_text, port);
}

int udp_bind(const char *ip_text, uint16_t port)
{
    return bound_socket(SOCK_DGRAM, ip_text, port);
}

uint16_t tcp_local_port(int socket)
{
    sockaddr_in address{};
    socklen_t size = sizeof(address);
    if (getsockname(socket, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return 0;
    return ntohs(address.sin_port);
}

std::string tcp_address_text(const sockaddr_in &address)
{
    char host[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &address.sin_addr, host, sizeof(host)) == nullptr)
        return std::string();
    return std::string(host) + ":" + std::to_string(ntohs(address.sin_port));
}
