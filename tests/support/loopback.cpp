#include "tests/support/loopback.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in address_of(const std::string &ip, uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1)
        throw std::runtime_error("not an IPv4 address: " + ip);
    if ((ntohl(address.sin_addr.s_addr) >> 24) != 127)
        throw std::runtime_error("tests use loopback addresses only: " + ip);
    return address;
}

Fd bound_socket(const std::string &ip, uint16_t port, uint16_t *actual)
{
    Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int on = 1;
    setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address = address_of(ip, port);
    if (bind(fd.Get(), reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0)
        throw std::runtime_error("bind failed");
    socklen_t size = sizeof(address);
    getsockname(fd.Get(), reinterpret_cast<sockaddr *>(&address), &size);
    *actual = ntohs(address.sin_port);
    return fd;
}

int remaining_ms(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// One bounded read: bytes read, 0 when the peer closed or failed, -1 when
// nothing came in time.
ssize_t read_some(int fd, std::string &out, int wait_ms)
{
    pollfd entry = {fd, POLLIN, 0};
    if (poll(&entry, 1, wait_ms) <= 0)
        return -1;
    char buffer[65536];
    ssize_t count;
    do // read, not recv: pipes and terminals are read this way too
        count = read(fd, buffer, sizeof(buffer));
    while (count < 0 && errno == EINTR);
    if (count <= 0)
        return 0;
    out.append(buffer, static_cast<size_t>(count));
    return count;
}

} // namespace

Fd &Fd::operator=(Fd &&other) noexcept
{
    Reset(other.Release());
    return *this;
}

Fd::~Fd()
{
    Reset();
}

int Fd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void Fd::Reset(int fd)
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = fd;
}

LoopbackListener::LoopbackListener(const std::string &ip, uint16_t port, int backlog) : m_ip(ip)
{
    m_fd = bound_socket(ip, port, &m_port);
    if (listen(m_fd.Get(), backlog) != 0)
        throw std::runtime_error("listen failed");
}

Fd LoopbackListener::Accept(Millis timeout)
{
    pollfd entry = {m_fd.Get(), POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(timeout.count())) <= 0)
        return Fd();
    return Fd(accept4(m_fd.Get(), nullptr, nullptr, SOCK_CLOEXEC));
}

RefusingPort::RefusingPort()
{
    m_fd = bound_socket("127.0.0.1", 0, &m_port);
}

SilentPeer::SilentPeer()
{
    m_listener = bound_socket("127.0.0.1", 0, &m_port);
    if (listen(m_listener.Get(), 0) != 0)
        throw std::runtime_error("listen failed");
    // Fill the accept queue until a connection request stays unanswered.
    for (int attempt = 0; attempt < 64; ++attempt) {
        Fd filler(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        sockaddr_in address = address_of("127.0.0.1", m_port);
        connect(filler.Get(), reinterpret_cast<sockaddr *>(&address), sizeof(address));
        pollfd entry = {filler.Get(), POLLOUT, 0};
        const bool answered = poll(&entry, 1, 200) > 0;
        m_fillers.push_back(std::move(filler));
        if (!answered)
            return;
    }
    throw std::runtime_error("could not fill the accept queue");
}

Fd ConnectTo(const std::string &ip, uint16_t port)
{
    Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = address_of(ip, port);
    if (connect(fd.Get(), reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0)
        return Fd();
    return fd;
}

std::string ReadAtLeast(int fd, size_t count, Millis timeout)
{
    std::string out;
    const auto deadline = Clock::now() + timeout;
    while (out.size() < count && remaining_ms(deadline) > 0)
        if (read_some(fd, out, remaining_ms(deadline)) == 0)
            break;
    return out;
}

std::string ReadUntilClosed(int fd, Millis timeout)
{
    std::string out;
    const auto deadline = Clock::now() + timeout;
    while (remaining_ms(deadline) > 0)
        if (read_some(fd, out, remaining_ms(deadline)) == 0)
            break;
    return out;
}

bool ReadUntilSaid(int fd, const std::string &wanted, Millis timeout)
{
    std::string said;
    const auto deadline = Clock::now() + timeout;
    while (said.find(wanted) == std::string::npos && remaining_ms(deadline) > 0)
        if (read_some(fd, said, remaining_ms(deadline)) == 0)
            break;
    return said.find(wanted) != std::string::npos;
}

std::string ReadUntilQuiet(int fd, Millis quiet, Millis timeout)
{
    std::string out;
    const auto deadline = Clock::now() + timeout;
    while (remaining_ms(deadline) > 0) {
        const int wait = std::min(static_cast<int>(quiet.count()), remaining_ms(deadline));
        if (read_some(fd, out, wait) <= 0)
            break;
    }
    return out;
}

bool WriteAll(int fd, const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        sent += static_cast<size_t>(count);
    }
    return true;
}

void ShrinkReceiveBuffer(int fd, int bytes)
{
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof(bytes));
}

void LoopbackListener::ShrinkReceiveBuffers(int bytes)
{
    ShrinkReceiveBuffer(m_fd.Get(), bytes);
}

int SocketConnectedTo(uint16_t port)
{
    DIR *dir = opendir("/proc/self/fd");
    if (dir == nullptr)
        return -1;
    int found = -1;
    while (const dirent *entry = readdir(dir)) {
        sockaddr_in peer{};
        socklen_t size = sizeof(peer);
        const int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &size) == 0 &&
            peer.sin_family == AF_INET && ntohs(peer.sin_port) == port &&
            peer.sin_addr.s_addr == htonl(INADDR_LOOPBACK)) {
            found = fd;
            break;
        }
    }
    closedir(dir);
    return found;
}

int OpenDescriptors()
{
    int count = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

} // namespace testing_support
