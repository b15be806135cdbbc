#include "uart/udp_link.h"

#include "net/tcp.h"
#include "uart/error_text.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Datagrams the system holds while the views catch up: a burst of large
// ones would otherwise be lost before the reader gets to them.
constexpr int kSystemReceiveBuffer = 1024 * 1024;

} // namespace

UdpChannel::UdpChannel(int socket, const std::string &moduleHost, uint16_t modulePort) : m_socketHandle(socket)
{
    tcp_make_address(&m_module, moduleHost.c_str(), modulePort);
    setsockopt(m_socketHandle, SOL_SOCKET, SO_RCVBUF, &kSystemReceiveBuffer, sizeof(kSystemReceiveBuffer));
}

UdpChannel::~UdpChannel()
{
    close(m_socketHandle);
}

ssize_t UdpChannel::Read(uint8_t *buffer, size_t size)
{
    for (;;) {
        sockaddr_in from{};
        socklen_t fromSize = sizeof(from);
        const ssize_t received =
            recvfrom(m_socketHandle, buffer, size, 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (m_shutDown)
            return 0;
        if (received < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (from.sin_addr.s_addr != m_module.sin_addr.s_addr) {
            ++m_dropped;
            if (m_changed)
                m_changed();
            continue;
        }
        // An empty datagram has nothing to show; 0 would read as the end.
        if (received > 0)
            return received;
    }
}

ssize_t UdpChannel::WriteSome(const uint8_t *data, size_t size)
{
    if (size > kLargestDatagram) {
        errno = EMSGSIZE;
        return -1;
    }
    // A shut-down socket without a peer would still send.
    if (m_shutDown) {
        errno = EPIPE;
        return -1;
    }
    ssize_t sent;
    do
        sent = sendto(m_socketHandle, data, size, MSG_DONTWAIT | MSG_NOSIGNAL,
                      reinterpret_cast<const sockaddr *>(&m_module), sizeof(m_module));
    while (sent < 0 && errno == EINTR);
    return sent;
}

bool UdpChannel::WaitWritable(int timeoutMs)
{
    pollfd entry = {m_socketHandle, POLLOUT, 0};
    const int ready = poll(&entry, 1, timeoutMs);
    return ready > 0 || (ready < 0 && errno != EINTR);
}

// The system wakes a pending receive on the shutdown even of a socket with
// no peer (and says ENOTCONN, which does not matter here); later sends fail.
void UdpChannel::Shutdown()
{
    m_shutDown = true;
    shutdown(m_socketHandle, SHUT_RDWR);
}

std::string UdpChannel::Peer() const
{
    return tcp_address_text(m_module);
}

UdpOpener::UdpOpener(std::string host, uint16_t port, std::string localAddress, uint16_t localPort)
    : m_host(std::move(host)), m_port(port), m_localAddress(std::move(localAddress)), m_localPort(localPort)
{
}

std::unique_ptr<LinkChannel> UdpOpener::Open(std::string &error)
{
    const int socket = udp_bind(m_localAddress.c_str(), m_localPort);
    if (socket < 0) {
        error = BindFailureText(errno, m_localAddress, m_localPort);
        return nullptr;
    }
    return std::make_unique<UdpChannel>(socket, m_host, m_port);
}
