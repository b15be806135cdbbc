#include "uart/uart_socket.h"

#include "net/tcp.h"

#include <cerrno>
#include <cstring>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>

namespace {

using Clock = std::chrono::steady_clock;

// Records a failure in the socket layer and leaves its code in errno, where
// the calling thread finds it whatever other threads record meanwhile.
void RecordFailure(int code)
{
    tcp_set_system_error(code);
    errno = code;
}

void RecordTimeOut(uint16_t sent, uint16_t total)
{
    if (sent == 0) {
        RecordFailure(ETIMEDOUT);
        return;
    }
    tcp_set_error_with_text(ETIMEDOUT, SendFailureText(ETIMEDOUT, sent, total).c_str());
    errno = ETIMEDOUT;
}

// Waits until a send would find room. The deadline is set `timeoutMs` ahead
// by the first wait that finds none; false once it has passed. A failed poll
// counts as room: the send then reports the failure.
bool WaitForRoom(int socket, int timeoutMs, Clock::time_point &deadline)
{
    for (int waitMs = 0;;) {
        pollfd entry = {socket, POLLOUT, 0};
        const int ready = poll(&entry, 1, waitMs);
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return true;
        const Clock::time_point now = Clock::now();
        if (deadline == Clock::time_point())
            deadline = now + std::chrono::milliseconds(timeoutMs);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        if (left <= 0)
            return false;
        waitMs = static_cast<int>(left);
    }
}

} // namespace

std::string SystemErrorText(int code)
{
    char text[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    return strerror_r(code, text, sizeof(text));
}

std::string SendFailureText(int code, uint16_t sent, uint16_t total)
{
    // The module got an incomplete message.
    if (code == ETIMEDOUT && sent > 0)
        return "Connection timed out after " + std::to_string(sent) + " of the " + std::to_string(total) +
               " bytes went out; the rest did not";
    return SystemErrorText(code);
}

void UartSocket::Adopt(int socket)
{
    Close();
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    m_socket = socket;
    m_sent = 0;
}

int UartSocket::DuplicateForReader() const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_socket < 0) {
        RecordFailure(EBADF);
        return -1;
    }
    const int copy = fcntl(m_socket, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        RecordFailure(errno);
    return copy;
}

int UartSocket::Send(const char *data, uint16_t *length)
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_socket < 0) {
        RecordFailure(EBADF);
        *length = 0;
        return -1;
    }
    const int result = tcp_send_all(m_socket, data, length);
    m_sent += *length;
    return result;
}

int UartSocket::SendWithin(const char *data, uint16_t *length, int timeoutMs)
{
    return SendUntil(data, length, timeoutMs, false);
}

// Writing first and waiting after is what cuts a message: over its limit,
// the system still appends to its last unsent segment and refuses only the
// next one. It signals room (POLLOUT) on a TCP connection only while at least
// a third of the send buffer is free, and no send buffer is below about
// 4.5 KB, so a message of at most 128 bytes then fits whole. Only another
// sender filling the connection between the wait and the send can still cut
// it; the rest then waits for room like a stream does.
int UartSocket::SendWholeWithin(const char *data, uint16_t *length, int timeoutMs)
{
    return SendUntil(data, length, timeoutMs, true);
}

int UartSocket::SendUntil(const char *data, uint16_t *length, int timeoutMs, bool roomFirst)
{
    // The deadline is set only once the connection has no room: the common
    // case, a send that goes through at once, reads no clock.
    Clock::time_point deadline;
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    const uint16_t total = *length;
    *length = 0;
    if (m_socket < 0) {
        RecordFailure(EBADF);
        return -1;
    }
    bool wait = roomFirst;
    while (*length < total) {
        if (wait && !WaitForRoom(m_socket, timeoutMs, deadline)) {
            RecordTimeOut(*length, total);
            return kTimedOut;
        }
        // MSG_NOSIGNAL: a module that went away fails the send instead of
        // ending the program.
        const ssize_t count = send(m_socket, data + *length, total - *length, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (count >= 0) {
            *length = static_cast<uint16_t>(*length + count);
            m_sent += static_cast<uint64_t>(count);
            wait = roomFirst;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            wait = true;
        } else if (errno != EINTR) {
            RecordFailure(errno);
            return -1;
        }
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
        RecordFailure(ENOTCONN);
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
