#include "net/tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kTimeoutError = -2;
constexpr int kRecvTimeoutError = -3;

uint8_t g_connectTimeout = 5;
uint8_t g_recvTimeout = 10;

enum class WaitResult { Ready, TimedOut, Interrupted, Failed };

// Waits for `events` on the socket for at most `seconds`. poll() rather than
// select(): select() cannot watch a descriptor numbered 1024 or above.
WaitResult wait_for(int socket, short events, int seconds)
{
    pollfd entry = {socket, events, 0};
    const int ready = poll(&entry, 1, seconds * 1000);
    if (ready > 0)
        return WaitResult::Ready;
    if (ready == 0)
        return WaitResult::TimedOut;
    return errno == EINTR ? WaitResult::Interrupted : WaitResult::Failed;
}

// One receive, retried when a signal interrupts it. A peer that closed the
// connection or a failure closes the socket, as callers rely on.
int receive_once(int socket, char *buffer, int size)
{
    ssize_t received;
    do
        received = recv(socket, buffer, static_cast<size_t>(size), 0);
    while (received < 0 && errno == EINTR);
    if (received > 0)
        return static_cast<int>(received);
    if (received < 0)
        tcp_set_system_error(errno);
    close(socket);
    return received == 0 ? 0 : -1;
}

} // namespace

void tcp_set_connect_timeout(int seconds)
{
    g_connectTimeout = static_cast<uint8_t>(seconds);
}

void tcp_set_recv_timeout(int seconds)
{
    g_recvTimeout = static_cast<uint8_t>(seconds);
}

uint8_t tcp_get_connect_timeout()
{
    return g_connectTimeout;
}

uint8_t tcp_get_recv_timeout()
{
    return g_recvTimeout;
}

void tcp_sleep_ms(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int tcp_socket(int family, int type, int protocol)
{
    const int handle = socket(family, type | SOCK_CLOEXEC, protocol);
    if (handle < 0) {
        tcp_set_system_error(errno);
        return -1;
    }
    return handle;
}

void tcp_make_address(sockaddr_in *address, const char *ip_text, uint16_t port)
{
    address->sin_family = AF_INET;
    address->sin_port = htons(port);
    address->sin_addr.s_addr = (ip_text != nullptr && ip_text[0] != '\0') ? inet_addr(ip_text) : htonl(INADDR_ANY);
    std::memset(address->sin_zero, 0, sizeof(address->sin_zero));
}

bool tcp_set_blocking(int socket, bool blocking)
{
    const int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0 || fcntl(socket, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) < 0) {
        tcp_set_system_error(errno);
        return false;
    }
    return true;
}

namespace {

// A connect reported ready by poll may still have failed: SO_ERROR gives the
// reason, and getpeername confirms that a peer really is there.
bool connection_confirmed(int socket)
{
    int pending = 0;
    socklen_t size = sizeof(pending);
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &size) != 0) {
        tcp_set_system_error(errno);
        return false;
    }
    if (pending != 0) {
        tcp_set_system_error(pending);
        return false;
    }
    sockaddr_in peer = {};
    socklen_t peerSize = sizeof(peer);
    if (getpeername(socket, reinterpret_cast<sockaddr *>(&peer), &peerSize) != 0) {
        tcp_set_system_error(errno);
        return false;
    }
    return true;
}

} // namespace

int tcp_connect(int socket, const sockaddr_in *address)
{
    if (!tcp_set_blocking(socket, false))
        return -1;

    bool connected = false;
    // Only EINPROGRESS means the connection is under way; on Linux EAGAIN from
    // a TCP connect is a failure (no local port free), not a pending connect.
    if (connect(socket, reinterpret_cast<const sockaddr *>(address), sizeof(*address)) == 0) {
        connected = true;
    } else if (errno == EINPROGRESS) {
        switch (wait_for(socket, POLLOUT, g_connectTimeout)) {
        case WaitResult::Interrupted:
        case WaitResult::TimedOut:
            tcp_set_error(kTimeoutError);
            break;
        case WaitResult::Failed:
            tcp_set_system_error(errno);
            return -1;
        case WaitResult::Ready:
            if (!connection_confirmed(socket))
                return -1;
            connected = true;
            break;
        }
    } else {
        tcp_set_system_error(errno);
    }

    if (!tcp_set_blocking(socket, true))
        return -1;
    return connected ? 1 : -1;
}

int tcp_send_all(int socket, const char *data, uint16_t *length)
{
    const uint16_t total = *length;
    uint16_t sent = 0;
    while (sent < total) {
        // MSG_NOSIGNAL: a peer that went away must fail the send, not raise
        // SIGPIPE and end the whole program.
        const ssize_t count = send(socket, data + sent, total - sent, MSG_NOSIGNAL);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            tcp_set_system_error(errno);
            *length = sent;
            return -1;
        }
        sent = static_cast<uint16_t>(sent + count);
    }
    *length = sent;
    return 0;
}

int tcp_recv(int socket, char *buffer, int size)
{
    return receive_once(socket, buffer, size);
}

int tcp_recv_timeout(int socket, char *buffer, int size)
{
    std::memset(buffer, 0, static_cast<size_t>(size));
    switch (wait_for(socket, POLLIN, g_recvTimeout)) {
    case WaitResult::Interrupted:
        return 0;
    case WaitResult::Failed:
        tcp_set_system_error(errno);
        close(socket);
        return -1;
    case WaitResult::TimedOut:
        tcp_set_error(kRecvTimeoutError);
        close(socket);
        return -1;
    case WaitResult::Ready:
        break;
    }
    return receive_once(socket, buffer, size);
}

bool tcp_shutdown(int socket)
{
    if (shutdown(socket, SHUT_RDWR) != 0) {
        tcp_set_system_error(errno);
        return false;
    }
    return true;
}

int tcp_close(int socket)
{
    return close(socket);
}
