// Life cycle of a context and its TCP connection.
#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_context.h"

#include <arpa/inet.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <new>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool address_of(const mb_tcp_data &transport, sockaddr_in *address)
{
    if (transport.port < 0 || transport.port > 65535)
        return false;
    *address = sockaddr_in{};
    address->sin_family = AF_INET;
    address->sin_port = htons(static_cast<uint16_t>(transport.port));
    return inet_pton(AF_INET, transport.ip, &address->sin_addr) == 1;
}

// Waits for a non-blocking connect to finish, at most `timeout`, and takes
// its outcome. Signals do not shorten or lengthen the wait; the context's
// cancel descriptor ends it.
int finish_connect(const mb_context *ctx, int fd)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(ctx->connect_timeout.sec) +
                          std::chrono::microseconds(ctx->connect_timeout.usec);
    int ready;
    do {
        const auto left = std::max(std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now()),
                                   std::chrono::nanoseconds(0));
        const timespec wait = {static_cast<time_t>(left.count() / 1000000000),
                               static_cast<long>(left.count() % 1000000000)};
        ready = mb_poll_cancellable(ctx, fd, POLLOUT, &wait);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0)
        return -1;
    if (ready == 0) {
        errno = ETIMEDOUT;
        return -1;
    }
    int error = 0;
    socklen_t size = sizeof(error);
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return -1;
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

int connect_bounded(const mb_context *ctx, int fd, const sockaddr_in &address)
{
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return -1;
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 &&
        (errno != EINPROGRESS || finish_connect(ctx, fd) != 0))
        return -1;
    return fcntl(fd, F_SETFL, flags);
}

// Closes `fd` and fails, keeping the errno of what went wrong.
int fail_closing(int fd)
{
    const int saved = errno;
    close(fd);
    errno = saved;
    return -1;
}

} // namespace

mb_context *mb_new_tcp(const char *ip, int port)
{
    const size_t length = ip == nullptr ? 0 : std::strlen(ip);
    if (length == 0) {
        std::fprintf(stderr, "The IP string is empty\n");
        errno = EINVAL;
        return nullptr;
    }
    if (length >= sizeof(mb_tcp_data::ip)) {
        std::fprintf(stderr, "The IP string has been truncated\n");
        errno = EINVAL;
        return nullptr;
    }
    mb_context *ctx = new (std::nothrow) mb_context;
    mb_tcp_data *transport = new (std::nothrow) mb_tcp_data;
    if (ctx == nullptr || transport == nullptr) {
        delete ctx;
        delete transport;
        errno = ENOMEM;
        return nullptr;
    }
    transport->port = port;
    std::memcpy(transport->ip, ip, length + 1);
    ctx->transport = transport;
    return ctx;
}

int mb_connect(mb_context *ctx)
{
    sockaddr_in address;
    if (ctx == nullptr || !address_of(*ctx->transport, &address)) {
        errno = EINVAL;
        return -1;
    }
    // A second connect replaces the first connection rather than leaking it.
    mb_close(ctx);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on)) != 0)
        return fail_closing(fd);
    if (ctx->debug)
        std::printf("Connecting to %s\n", ctx->transport->ip);
    if (connect_bounded(ctx, fd, address) != 0)
        return fail_closing(fd);
    ctx->socket = fd;
    return 0;
}

void mb_close(mb_context *ctx)
{
    if (ctx == nullptr)
        return;
    // Also after a failed reconnect: the next connect starts afresh.
    ctx->out_of_step = false;
    if (ctx->socket < 0)
        return;
    shutdown(ctx->socket, SHUT_RDWR);
    close(ctx->socket);
    ctx->socket = -1;
}

int mb_link_up(const mb_context *ctx)
{
    if (ctx == nullptr || ctx->socket < 0)
        return 0;
    // Pending input does not count, only the end of the peer's side.
    pollfd entry = {ctx->socket, POLLRDHUP, 0};
    if (poll(&entry, 1, 0) <= 0)
        return 1;
    return (entry.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) == 0 ? 1 : 0;
}

void mb_free(mb_context *ctx)
{
    if (ctx == nullptr)
        return;
    delete ctx->transport;
    delete ctx;
}
