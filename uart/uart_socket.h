// The UART panel's connection socket, shared by the GUI thread and the sender
// threads. Every send holds a shared lock for its whole duration; closing or
// replacing the descriptor takes the lock exclusively. So a send after a
// disconnect fails with the system's error and can never write into whatever
// the system hands out next under the same number. A failure is recorded in
// the socket layer and its code is left in errno, where the failing thread
// finds it even when another thread records an error of its own meanwhile.
#ifndef ORV_UART_UART_SOCKET_H
#define ORV_UART_UART_SOCKET_H

#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <string>

// The system's text for an error number, as the socket layer records it.
std::string SystemErrorText(int code);
// The reason a send of `total` bytes failed with error `code` after `sent`
// of them went out, as the send recorded it: a time-out that cut the message
// says how much went out.
std::string SendFailureText(int code, uint16_t sent, uint16_t total);

class UartSocket {
public:
    UartSocket() = default;
    UartSocket(const UartSocket &) = delete;
    UartSocket &operator=(const UartSocket &) = delete;
    ~UartSocket() { Close(); }

    // Adopt and Close run on one thread (the GUI thread), the rest anywhere.
    // Takes `socket` as the connection; the previous one is closed.
    void Adopt(int socket);
    // A duplicate for the receive thread, which the socket layer's receive
    // closes when the connection ends; -1 with the error recorded on failure.
    int DuplicateForReader() const;
    // tcp_send_all on the connection (0, or -1 with the error recorded).
    int Send(const char *data, uint16_t *length);
    // Like Send, but gives up once `timeoutMs` have passed without the
    // connection taking everything: -2 then, with ETIMEDOUT recorded, so a
    // module that stopped reading cannot hold the caller longer. `length`
    // becomes the bytes sent.
    static constexpr int kTimedOut = -2;
    int SendWithin(const char *data, uint16_t *length, int timeoutMs);
    // Like SendWithin for a message that must not be cut short by the
    // give-up: nothing is written until the connection has room for the
    // whole of it. Should part of it go out anyway, the recorded error says
    // how much.
    int SendWholeWithin(const char *data, uint16_t *length, int timeoutMs);
    // Waits up to `timeoutMs` until a send would find room in the send
    // buffer. True also when there is no connection or it has failed: a send
    // then fails at once.
    bool WaitWritable(int timeoutMs) const;
    // tcp_shutdown of both directions: a blocked receive or send returns, and
    // later sends fail. The descriptor stays open, keeping its number, until
    // the next Adopt or Close. False (recorded) when there is no connection.
    bool Shutdown();
    // The same without recording anything, for a thread that must not
    // overwrite an error another thread is about to show.
    void ShutdownQuietly();
    void Close();
    // Bytes written to the connection since it was adopted.
    uint64_t Sent() const { return m_sent; }

private:
    // `roomFirst`: waits for room before each write, not only after a write
    // that found none.
    int SendUntil(const char *data, uint16_t *length, int timeoutMs, bool roomFirst);

    mutable std::shared_mutex m_lock;
    int m_socket = -1;
    std::atomic<uint64_t> m_sent{0};
};

#endif
