#include "bench/modbus_rtt/loopback_io.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/types.h>

namespace loopback_io {

bool ReadExactly(int fd, uint8_t *buffer, size_t length)
{
    for (size_t done = 0; done < length;) {
        const ssize_t got = recv(fd, buffer + done, length - done, 0);
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t *buffer, size_t length)
{
    return send(fd, buffer, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
}

void NoDelay(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

} // namespace loopback_io
