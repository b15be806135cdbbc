#include "uart/tcp_server_link.h"

#include "net/tcp.h"
#include "uart/error_text.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

TcpServerChannel::TcpServerChannel(int listener, std::string moduleAddress)
    : m_listener(listener), m_moduleAddress(std::move(moduleAddress))
{
}

TcpServerChannel::~TcpServerChannel()
{
    close(m_listener);
}

std::shared_ptr<TcpChannel> TcpServerChannel::Module() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_module;
}

void TcpServerChannel::SetModule(std::shared_ptr<TcpChannel> module)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    // A module accepted while the link shut down gets no bytes written.
    if (module && m_shutDown)
        module->Shutdown();
    m_module = std::move(module);
}

void TcpServerChannel::Changed() const
{
    if (m_changed)
        m_changed();
}

// The module's bytes and new modules are both waited for, so that a second
// module is turned away at once instead of hanging in the queue.
ssize_t TcpServerChannel::Read(uint8_t *buffer, size_t size)
{
    for (;;) {
        if (m_shutDown)
            return 0;
        const std::shared_ptr<TcpChannel> module = Module();
        pollfd entries[2] = {{m_listener, POLLIN, 0}, {module ? module->Handle() : -1, POLLIN, 0}};
        if (poll(entries, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (m_shutDown)
            return 0;
        if (entries[1].revents != 0) {
            const ssize_t received = module->Read(buffer, size);
            if (received > 0)
                return received;
            // The module left or its connection failed: the next may come.
            module->Shutdown();
            SetModule(nullptr);
            Changed();
            continue;
        }
        if (entries[0].revents != 0 && !AcceptModule())
            return m_shutDown ? 0 : -1;
    }
}

bool TcpServerChannel::AcceptModule()
{
    sockaddr_in from{};
    socklen_t size = sizeof(from);
    const int socket = accept4(m_listener, reinterpret_cast<sockaddr *>(&from), &size, SOCK_CLOEXEC);
    if (socket < 0)
        // A connection that was reset in the queue is no failure of the
        // listener.
        return errno == EINTR || errno == ECONNABORTED || errno == EAGAIN || errno == EPROTO;
    const bool allowed = m_moduleAddress == kAnyModuleAddress ||
                         from.sin_addr.s_addr == inet_addr(m_moduleAddress.c_str());
    if (!allowed || Module()) {
        close(socket);
        const std::lock_guard<std::mutex> lock(m_lock);
        m_lastRefused = tcp_address_text(from);
    } else {
        SetModule(std::make_shared<TcpChannel>(socket));
    }
    Changed();
    return true;
}

ssize_t TcpServerChannel::WriteSome(const uint8_t *data, size_t size)
{
    const std::shared_ptr<TcpChannel> module = Module();
    if (!module) {
        errno = m_shutDown ? EPIPE : ENOTCONN;
        return -1;
    }
    return module->WriteSome(data, size);
}

bool TcpServerChannel::WaitWritable(int timeoutMs)
{
    const std::shared_ptr<TcpChannel> module = Module();
    return !module || module->WaitWritable(timeoutMs);
}

// The listener's shutdown ends a pending poll and accept at once.
void TcpServerChannel::Shutdown()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    m_shutDown = true;
    shutdown(m_listener, SHUT_RDWR);
    if (m_module)
        m_module->Shutdown();
}

std::string TcpServerChannel::Peer() const
{
    const std::shared_ptr<TcpChannel> module = Module();
    return module ? module->Peer() : std::string();
}

LinkChannel::Refusals TcpServerChannel::Refused() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return {m_lastRefused, 0};
}

TcpServerOpener::TcpServerOpener(std::string listenAddress, uint16_t port, std::string moduleAddress)
    : m_listenAddress(std::move(listenAddress)), m_port(port), m_moduleAddress(std::move(moduleAddress))
{
}

std::unique_ptr<LinkChannel> TcpServerOpener::Open(std::string &error)
{
    const int listener = tcp_listen(m_listenAddress.c_str(), m_port);
    if (listener < 0) {
        error = BindFailureText(errno, m_listenAddress, m_port);
        return nullptr;
    }
    return std::make_unique<TcpServerChannel>(listener, m_moduleAddress);
}
