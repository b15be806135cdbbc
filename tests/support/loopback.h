// Loopback TCP peers for tests. Every wait is bounded; every address is in
// 127.0.0.0/8.
#ifndef ORV_TESTS_LOOPBACK_H
#define ORV_TESTS_LOOPBACK_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

using Millis = std::chrono::milliseconds;

// Owns one descriptor and closes it.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(Fd &&other) noexcept : m_fd(other.Release()) {}
    Fd &operator=(Fd &&other) noexcept;
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd();

    int Get() const { return m_fd; }
    int Release();
    bool Valid() const { return m_fd >= 0; }
    void Reset(int fd = -1);

private:
    int m_fd = -1;
};

// A listening socket on `ip`, port 0 (chosen by the system) unless given.
class LoopbackListener {
public:
    explicit LoopbackListener(const std::string &ip = "127.0.0.1", uint16_t port = 0, int backlog = 16);
    uint16_t Port() const { return m_port; }
    const std::string &Ip() const { return m_ip; }
    // The accepted connection, or an invalid Fd when none came in time.
    Fd Accept(Millis timeout = Millis(5000));
    // Connections accepted from now on start with this receive buffer, so
    // their first advertised window is small too.
    void ShrinkReceiveBuffers(int bytes);

private:
    Fd m_fd;
    std::string m_ip;
    uint16_t m_port = 0;
};

// A bound port nobody listens on: connecting to it is refused.
class RefusingPort {
public:
    RefusingPort();
    uint16_t Port() const { return m_port; }

private:
    Fd m_fd;
    uint16_t m_port = 0;
};

// A listener whose accept queue is full: further connection requests get no
// answer, so a connect to it runs into its time-out.
class SilentPeer {
public:
    SilentPeer();
    uint16_t Port() const { return m_port; }

private:
    Fd m_listener;
    std::vector<Fd> m_fillers;
    uint16_t m_port = 0;
};

// A blocking client connection to ip:port, or an invalid Fd.
Fd ConnectTo(const std::string &ip, uint16_t port);

// Reads until `count` bytes arrived, the peer closed, or the time ran out.
std::string ReadAtLeast(int fd, size_t count, Millis timeout = Millis(5000));
// Reads until the peer closes or the time runs out.
std::string ReadUntilClosed(int fd, Millis timeout = Millis(5000));
// Reads what arrives until nothing more comes for `quiet`, bounded by `timeout`.
std::string ReadUntilQuiet(int fd, Millis quiet = Millis(200), Millis timeout = Millis(5000));
// Reads until `wanted` was read, the writer closed, or the time ran out;
// whether it was read (e.g. a helper program's "ready" on its stderr).
bool ReadUntilSaid(int fd, const std::string &wanted, Millis timeout = Millis(5000));
bool WriteAll(int fd, const std::string &bytes);
// Sets the receive buffer small, so that a sender fills it quickly.
void ShrinkReceiveBuffer(int fd, int bytes);
// The descriptor of this process's socket connected to 127.0.0.1:`port`
// (the program's connection to a test's listener on that port), or -1.
int SocketConnectedTo(uint16_t port);
// Open descriptors of this process.
int OpenDescriptors();

} // namespace testing_support

#endif
