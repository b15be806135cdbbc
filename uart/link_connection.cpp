#include "uart/link_connection.h"

#include "net/tcp.h"
#include "uart/error_text.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>

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
// by the first wait that finds none; false once it has passed.
bool WaitForRoom(LinkChannel &channel, int timeoutMs, Clock::time_point &deadline)
{
    for (int waitMs = 0;;) {
        if (channel.WaitWritable(waitMs))
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

void LinkConnection::Adopt(std::shared_ptr<LinkChannel> channel)
{
    Close();
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    m_channel = std::move(channel);
    m_sent = 0;
}

std::shared_ptr<LinkChannel> LinkConnection::Channel() const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    return m_channel;
}

int LinkConnection::SendWithin(const char *data, uint16_t *length, int timeoutMs)
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
int LinkConnection::SendWholeWithin(const char *data, uint16_t *length, int timeoutMs)
{
    return SendUntil(data, length, timeoutMs, true);
}

int LinkConnection::SendUntil(const char *data, uint16_t *length, int timeoutMs, bool roomFirst)
{
    // The deadline is set only once the connection has no room: the common
    // case, a send that goes through at once, reads no clock.
    Clock::time_point deadline;
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    const uint16_t total = *length;
    *length = 0;
    if (!m_channel) {
        RecordFailure(EBADF);
        return -1;
    }
    const auto *bytes = reinterpret_cast<const uint8_t *>(data);
    bool wait = roomFirst;
    while (*length < total) {
        if (wait && !WaitForRoom(*m_channel, timeoutMs, deadline)) {
            RecordTimeOut(*length, total);
            return kTimedOut;
        }
        const ssize_t count = m_channel->WriteSome(bytes + *length, total - *length);
        if (count >= 0) {
            *length = static_cast<uint16_t>(*length + count);
            m_sent += static_cast<uint64_t>(count);
            wait = roomFirst;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            wait = true;
        } else {
            RecordFailure(errno);
            return -1;
        }
    }
    return 0;
}

bool LinkConnection::WaitWritable(int timeoutMs) const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    return !m_channel || m_channel->WaitWritable(timeoutMs);
}

void LinkConnection::Shutdown()
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    if (m_channel)
        m_channel->Shutdown();
}

void LinkConnection::Close()
{
    // Wakes a send still blocked on the connection, which holds the shared
    // lock; the connection is over either way.
    Shutdown();
    const std::unique_lock<std::shared_mutex> lock(m_lock);
    m_channel.reset();
}

std::string LinkConnection::Peer() const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    return m_channel ? m_channel->Peer() : std::string();
}

LinkChannel::Refusals LinkConnection::Refused() const
{
    const std::shared_lock<std::shared_mutex> lock(m_lock);
    return m_channel ? m_channel->Refused() : LinkChannel::Refusals();
}
