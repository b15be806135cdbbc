// The link of a TCP client: the terminal connects to the module, which
// listens (the mode of most Wi-Fi serial bridges).
#ifndef ORV_UART_TCP_CLIENT_LINK_H
#define ORV_UART_TCP_CLIENT_LINK_H

#include "uart/link_transport.h"

#include <mutex>

// A connected TCP socket.
class TcpChannel : public LinkChannel {
public:
    // Takes `socket`, connected, and closes it in the end.
    explicit TcpChannel(int socket);
    ~TcpChannel() override;
    TcpChannel(const TcpChannel &) = delete;
    TcpChannel &operator=(const TcpChannel &) = delete;

    ssize_t Read(uint8_t *buffer, size_t size) override;
    ssize_t WriteSome(const uint8_t *data, size_t size) override;
    bool WaitWritable(int timeoutMs) override;
    void Shutdown() override;
    std::string Peer() const override;
    // For a poll beside other sockets.
    int Handle() const { return m_socketHandle; }

private:
    const int m_socketHandle;
};

// Connects with the socket layer's connect time-out.
class TcpClientOpener : public LinkOpener {
public:
    TcpClientOpener(std::string host, uint16_t port);

    std::unique_ptr<LinkChannel> Open(std::string &error) override;
    void Abandon() override;

private:
    const std::string m_host;
    const uint16_t m_port;
    // The socket of a connect under way, which Abandon shuts down.
    std::mutex m_socketLock;
    int m_socket = -1;
    bool m_abandoned = false;
};

#endif
