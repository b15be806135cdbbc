#include "uart/uart_socket.h"

#include "net/tcp.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>

namespace {

void RecordSystemFailure(int code)
{
    tcp_set_error(code);
    tcp_store_system_error(code);
}

} // namespace

void UartSocket::Adopt(int socket)
{
    Close();
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    m_socket = socket;
}

int UartSocket::DuplicateForReader() const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_socket < 0) {
        RecordSystemFailure(EBADF);
        return -1;
    }
    const int copy = fcntl(m_socket, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        RecordSystemFailure(errno);
    return copy;
}

int UartSocket::Send(const char *data, uint16_t *length)
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_socket < 0) {
        RecordSystemFailure(EBADF);
        *length = 0;
        return -1;
    }
    return tcp_send_all(m_socket, data, length);
}

int UartSocket::SendWithin(const char *data, uint16_t *length, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    // The clock is read only once the connection has no room: the common
    // case, a send that goes through at once, costs one system call.
    Clock::time_point deadline;
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    const uint16_t total = *length;
    *length = 0;
    if (m_socket < 0) {
        RecordSystemFailure(EBADF);
        return -1;
    }
    while (*length < total) {
        // MSG_NOSIGNAL: a module that went away fails the send instead of
        // ending the program.
        const ssize_t count = send(m_socket, data + *length, total - *length, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (count >= 0) {
            *length = static_cast<uint16_t>(*length + count);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            RecordSystemFailure(errno);
            return -1;
        }
        const Clock::time_point now = Clock::now();
        if (deadline == Clock::time_point())
            deadline = now + std::chrono::milliseconds(timeoutMs);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        if (left <= 0) {
            RecordSystemFailure(ETIMEDOUT);
            return kTimedOut;
        }
        pollfd entry = {m_socket, POLLOUT, 0};
        poll(&entry, 1, static_cast<int>(left));
    }
    return 0;
}

bool UartSocket::WaitWritable(int timeoutMs) const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_socket < 0)
        return true;
    pollfd entry = {m_socket, POLLOUT, 0};
    const int ready = poll(&entry, 1, timeoutMs);
    return ready > 0 || (ready < 0 && errno != EINTR);
}

bool UartSocket::Shutdown()
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_socket < 0) {
        RecordSystemFailure(ENOTCONN);
        return false;
    }
    return tcp_shutdown(m_socket);
}

void UartSocket::ShutdownQuietly()
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_socket >= 0)
        shutdown(m_socket, SHUT_RDWR);
}

void UartSocket::Close()
{
    int current = -1;
    {
        const std::shared_lock<std::shared_mutex> lock(m_lock);
        current = m_socket;
    }
    if (current < 0)
        return;
    // Wakes a send still blocked on the connection, which holds the shared
    // lock; the connection is over either way, so the outcome is not recorded.
    shutdown(current, SHUT_RDWR);
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    tcp_close(m_socket);
    m_socket = -1;
}
