// The link of a TCP server: the terminal listens and the module connects
// (the mode in which a module is a client). The link stays up while the
// terminal listens; a module that drops its connection leaves it listening
// for the next, one module at a time.
#ifndef ORV_UART_TCP_SERVER_LINK_H
#define ORV_UART_TCP_SERVER_LINK_H

#include "uart/link_transport.h"
#include "uart/tcp_client_link.h"

#include <atomic>
#include <memory>
#include <mutex>

// A listening socket and the module's connection once it came. Reads accept
// the module first; writes without one fail with ENOTCONN.
class TcpServerChannel : public LinkChannel {
public:
    // Takes `listener`, listening, and closes it in the end. Only a module
    // at `moduleAddress` may connect (kAnyModuleAddress: any).
    TcpServerChannel(int listener, std::string moduleAddress);
    ~TcpServerChannel() override;
    TcpServerChannel(const TcpServerChannel &) = delete;
    TcpServerChannel &operator=(const TcpServerChannel &) = delete;

    ssize_t Read(uint8_t *buffer, size_t size) override;
    ssize_t WriteSome(const uint8_t *data, size_t size) override;
    bool WaitWritable(int timeoutMs) override;
    void Shutdown() override;
    std::string Peer() const override;
    Refusals Refused() const override;
    void WatchChanges(std::function<void()> changed) override { m_changed = std::move(changed); }

private:
    std::shared_ptr<TcpChannel> Module() const;
    // Waits for a module from the allowed address; false once shut down or
    // when accepting fails (errno says why).
    bool AcceptModule();
    void SetModule(std::shared_ptr<TcpChannel> module);
    void Changed() const;

    const int m_listener;
    const std::string m_moduleAddress;
    std::atomic<bool> m_shutDown{false};
    std::function<void()> m_changed;
    // Guards the module's connection and the refusal; the writers copy the
    // connection under it and write without it, so a module that leaves
    // never closes a descriptor a write still uses.
    mutable std::mutex m_lock;
    std::shared_ptr<TcpChannel> m_module;
    std::string m_lastRefused;
};

// Listens at once: the failure to bind ("Port 5000 is in use") is the
// attempt's; waiting for the module is the read thread's.
class TcpServerOpener : public LinkOpener {
public:
    TcpServerOpener(std::string listenAddress, uint16_t port, std::string moduleAddress);

    std::unique_ptr<LinkChannel> Open(std::string &error) override;
    void Abandon() override {}

private:
    const std::string m_listenAddress;
    const uint16_t m_port;
    const std::string m_moduleAddress;
};

#endif
