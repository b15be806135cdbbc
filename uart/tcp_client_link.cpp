#include "uart/tcp_client_link.h"

#include "net/tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// What the system may hold for the terminal beyond the chunks on their way to
// the screen. Left to itself it grows the buffer up to tens of megabytes on a
// fast stream, and the screen falls that far behind the module; this is still
// many times what a module's serial line delivers in a round trip.
constexpr int kSystemReceiveBuffer = 128 * 1024;

} // namespace

TcpChannel::TcpChannel(int socket) : m_socketHandle(socket)
{
    setsockopt(m_socketHandle, SOL_SOCKET, SO_RCVBUF, &kSystemReceiveBuffer, sizeof(kSystemReceiveBuffer));
}

TcpChannel::~TcpChannel()
{
    close(m_socketHandle);
}

ssize_t TcpChannel::Read(uint8_t *buffer, size_t size)
{
    ssize_t received;
    do
        received = recv(m_socketHandle, buffer, size, 0);
    while (received < 0 && errno == EINTR);
    return received;
}

ssize_t TcpChannel::WriteSome(const uint8_t *data, size_t size)
{
    // MSG_NOSIGNAL: a module that went away fails the send instead of ending
    // the program.
    ssize_t sent;
    do
        sent = send(m_socketHandle, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent;
}

bool TcpChannel::WaitWritable(int timeoutMs)
{
    pollfd entry = {m_socketHandle, POLLOUT, 0};
    const int ready = poll(&entry, 1, timeoutMs);
    return ready > 0 || (ready < 0 && errno != EINTR);
}

// A blocked receive wakes at once; close() from another thread would not
// wake it.
void TcpChannel::Shutdown()
{
    shutdown(m_socketHandle, SHUT_RDWR);
}

std::string TcpChannel::Peer() const
{
    sockaddr_in peer{};
    socklen_t size = sizeof(peer);
    char host[INET_ADDRSTRLEN] = {};
    if (getpeername(m_socketHandle, reinterpret_cast<sockaddr *>(&peer), &size) != 0 ||
        inet_ntop(AF_INET, &peer.sin_addr, host, sizeof(host)) == nullptr)
        return std::string();
    return std::string(host) + ":" + std::to_string(ntohs(peer.sin_port));
}

TcpClientOpener::TcpClientOpener(std::string host, uint16_t port) : m_host(std::move(host)), m_port(port) {}

std::unique_ptr<LinkChannel> TcpClientOpener::Open(std::string &error)
{
    const int socket = tcp_socket(AF_INET, SOCK_STREAM, 0);
    if (socket == -1) {
        error = tcp_strerror(tcp_last_error());
        return nullptr;
    }
    {
        const std::lock_guard<std::mutex> lock(m_socketLock);
        if (m_abandoned) {
            tcp_close(socket);
            return nullptr;
        }
        m_socket = socket;
    }
    sockaddr_in address{};
    tcp_make_address(&address, m_host.c_str(), m_port);
    const bool connected = tcp_connect(socket, &address) > 0;
    // The reason before anything else can change the socket layer's last
    // error, which every thread shares.
    if (!connected)
        error = tcp_strerror(tcp_last_error());
    {
        const std::lock_guard<std::mutex> lock(m_socketLock);
        m_socket = -1;
    }
    if (!connected) {
        tcp_close(socket);
        return nullptr;
    }
    return std::make_unique<TcpChannel>(socket);
}

void TcpClientOpener::Abandon()
{
    const std::lock_guard<std::mutex> lock(m_socketLock);
    m_abandoned = true;
    // A shut-down socket ends its pending connect at once.
    if (m_socket >= 0)
        shutdown(m_socket, SHUT_RDWR);
}
