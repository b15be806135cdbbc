// The UART link's open channel, shared by the GUI thread, the senders and
// the read thread. Every send holds a shared lock for its whole duration;
// taking a new channel or closing it takes the lock exclusively. A
// disconnect only shuts the channel down, so a send after it fails with the
// system's error and can never write into whatever the system hands out
// next under the same descriptor. A failure is recorded in the socket layer
// and its code is left in errno, where the failing thread finds it even when
// another thread records an error of its own meanwhile.
#ifndef ORV_UART_LINK_CONNECTION_H
#define ORV_UART_LINK_CONNECTION_H

#include "uart/link_transport.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <shared_mutex>

class LinkConnection {
public:
    LinkConnection() = default;
    LinkConnection(const LinkConnection &) = delete;
    LinkConnection &operator=(const LinkConnection &) = delete;
    ~LinkConnection() { Close(); }

    // Adopt and Close run on one thread (the GUI thread), the rest anywhere.
    // Takes `channel` as the connection; the previous one is closed.
    void Adopt(std::shared_ptr<LinkChannel> channel);
    // The channel for the read thread, which keeps it open while it reads.
    std::shared_ptr<LinkChannel> Channel() const;
    // Sends `length` bytes, giving up once `timeoutMs` have passed without
    // the connection taking everything: kTimedOut then, with ETIMEDOUT
    // recorded, so a module that stopped reading cannot hold the caller
    // longer. 0 when all went, -1 on a failure (recorded). `length` becomes
    // the bytes sent.
    static constexpr int kTimedOut = -2;
    int SendWithin(const char *data, uint16_t *length, int timeoutMs);
    // Like SendWithin for a message that must not be cut short by the
    // give-up: nothing is written until the connection has room for the
    // whole of it. Should part of it go out anyway, the recorded error says
    // how much.
    int SendWholeWithin(const char *data, uint16_t *length, int timeoutMs);
    // Waits up to `timeoutMs` until a send would find room. True also when
    // there is no connection or it has failed: a send then fails at once.
    bool WaitWritable(int timeoutMs) const;
    // A blocked receive or send returns, and later sends fail. The channel
    // stays open until the next Adopt or Close.
    void Shutdown();
    void Close();
    // The module's end, empty without a connection.
    std::string Peer() const;
    LinkChannel::Refusals Refused() const;
    // Bytes written to the connection since it was adopted.
    uint64_t Sent() const { return m_sent; }

private:
    // `roomFirst`: waits for room before each write, not only after a write
    // that found none.
    int SendUntil(const char *data, uint16_t *length, int timeoutMs, bool roomFirst);

    mutable std::shared_mutex m_lock;
    std::shared_ptr<LinkChannel> m_channel;
    std::atomic<uint64_t> m_sent{0};
};

#endif
