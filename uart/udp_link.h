// The link over UDP: every message goes out as one datagram to the module's
// address and port, and every datagram from the module's address, received
// on a local port, is one packet. The link has no connection to lose.
#ifndef ORV_UART_UDP_LINK_H
#define ORV_UART_UDP_LINK_H

#include "uart/link_transport.h"

#include <atomic>
#include <netinet/in.h>

class UdpChannel : public LinkChannel {
public:
    // Takes `socket`, bound, and closes it in the end.
    UdpChannel(int socket, const std::string &moduleHost, uint16_t modulePort);
    ~UdpChannel() override;
    UdpChannel(const UdpChannel &) = delete;
    UdpChannel &operator=(const UdpChannel &) = delete;

    // One datagram from the module; those from other addresses are dropped
    // and counted.
    ssize_t Read(uint8_t *buffer, size_t size) override;
    // One datagram of all `size` bytes, or -1 (EMSGSIZE beyond
    // kLargestDatagram, nothing sent).
    ssize_t WriteSome(const uint8_t *data, size_t size) override;
    bool WaitWritable(int timeoutMs) override;
    void Shutdown() override;
    std::string Peer() const override;
    size_t MessageLimit() const override { return kLargestDatagram; }
    Refusals Refused() const override { return {std::string(), m_dropped}; }
    void WatchChanges(std::function<void()> changed) override { m_changed = std::move(changed); }

private:
    const int m_socketHandle;
    sockaddr_in m_module{};
    std::atomic<bool> m_shutDown{false};
    std::atomic<uint64_t> m_dropped{0};
    std::function<void()> m_changed;
};

// Binds the local port at once: a port in use is the attempt's failure.
class UdpOpener : public LinkOpener {
public:
    // Receives on localAddress:localPort (every local address when empty).
    UdpOpener(std::string host, uint16_t port, std::string localAddress, uint16_t localPort);

    std::unique_ptr<LinkChannel> Open(std::string &error) override;
    void Abandon() override {}

private:
    const std::string m_host;
    const uint16_t m_port;
    const std::string m_localAddress;
    const uint16_t m_localPort;
};

#endif
