// Requests per second and round-trip times of function 3 reading 125
// registers over one kept-open loopback connection, through the client and
// as raw socket exchanges of the same frame sizes (8 bytes out, 255 back).
// Prints figures; judges nothing.
#include "library/modbus_lib/modbus.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRequestLength = 8;
constexpr int kRegisters = 125;
constexpr int kResponseLength = 3 + 2 * kRegisters + 2;

uint16_t crc16(const uint8_t *data, size_t length)
{
    unsigned crc = 0xFFFF;
    for (size_t index = 0; index < length; ++index) {
        crc ^= data[index];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1U) ? (crc >> 1) ^ 0xA001U : crc >> 1;
    }
    return static_cast<uint16_t>(crc);
}

std::vector<uint8_t> response_frame()
{
    std::vector<uint8_t> frame = {0x01, 0x03, 2 * kRegisters};
    for (int index = 0; index < kRegisters; ++index) {
        frame.push_back(static_cast<uint8_t>(index >> 8));
        frame.push_back(static_cast<uint8_t>(index));
    }
    const uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

bool read_exactly(int fd, uint8_t *buffer, size_t length)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t count = recv(fd, buffer + done, length - done, 0);
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

bool write_all(int fd, const uint8_t *buffer, size_t length)
{
    return send(fd, buffer, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
}

void set_nodelay(int fd)
{
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

// A gateway connection: answers every 8-byte request with the same
// 255-byte frame until the client hangs up.
void serve(int fd)
{
    const std::vector<uint8_t> reply = response_frame();
    set_nodelay(fd);
    uint8_t request[kRequestLength];
    while (read_exactly(fd, request, sizeof(request)) && write_all(fd, reply.data(), reply.size())) {
    }
    close(fd);
}

int accept_one(int listener)
{
    const int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) {
        std::perror("accept");
        std::exit(1);
    }
    return fd;
}

int listen_loopback(uint16_t *port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 || listen(fd, 4) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
        std::perror("loopback listener");
        std::exit(1);
    }
    *port = ntohs(address.sin_port);
    return fd;
}

struct Figures {
    double per_second;
    double median_us;
    double p99_us;
};

// Times `count` calls of `round_trip` after a warm-up.
template <typename RoundTrip> Figures measure(int count, RoundTrip round_trip)
{
    for (int index = 0; index < count / 10; ++index)
        if (!round_trip()) {
            std::fprintf(stderr, "warm-up round trip %d failed\n", index);
            std::exit(1);
        }
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(count));
    const Clock::time_point start = Clock::now();
    for (int index = 0; index < count; ++index) {
        const Clock::time_point before = Clock::now();
        if (!round_trip()) {
            std::fprintf(stderr, "round trip %d failed\n", index);
            std::exit(1);
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - before).count());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(micros.begin(), micros.end());
    return {count / seconds, micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

void print(const char *name, const Figures &figures)
{
    std::printf("%-28s %10.0f req/s   median %7.1f us   p99 %7.1f us\n", name, figures.per_second, figures.median_us,
                figures.p99_us);
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    constexpr int kRounds = 3;
    uint16_t port = 0;
    const int listener = listen_loopback(&port);

    const int raw = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(raw, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        std::perror("raw connect");
        return 1;
    }
    set_nodelay(raw);
    std::thread raw_gateway(serve, accept_one(listener));
    mb_context *ctx = mb_new_tcp("127.0.0.1", port);
    if (ctx == nullptr || mb_connect(ctx) != 0 || mb_set_slave(ctx, 1) != 0) {
        std::fprintf(stderr, "client connect: %s\n", mb_strerror(errno));
        return 1;
    }
    std::thread client_gateway(serve, accept_one(listener));

    const uint8_t request[kRequestLength] = {0x01, 0x03, 0x00, 0x00, 0x00, kRegisters, 0x00, 0x00};
    uint8_t response[kResponseLength];
    uint16_t registers[kRegisters];
    const auto raw_trip = [&] {
        return write_all(raw, request, sizeof(request)) && read_exactly(raw, response, sizeof(response));
    };
    const auto client_trip = [&] { return mb_read_registers(ctx, 0, kRegisters, registers) == kRegisters; };

    std::printf("function 3, %d registers, %d round trips per run, loopback, one connection each\n", kRegisters, count);
    // Alternating runs, so that both see the same machine load.
    double raw_rate = 0;
    double client_rate = 0;
    for (int round = 1; round <= kRounds; ++round) {
        const Figures raw_figures = measure(count, raw_trip);
        const Figures client_figures = measure(count, client_trip);
        std::printf("run %d\n", round);
        print("  raw loopback", raw_figures);
        print("  client mb_read_registers", client_figures);
        raw_rate += raw_figures.per_second;
        client_rate += client_figures.per_second;
    }
    std::printf("client rate / raw rate over %d runs: %.1f %%\n", kRounds, 100.0 * client_rate / raw_rate);

    close(raw);
    mb_close(ctx);
    mb_free(ctx);
    raw_gateway.join();
    client_gateway.join();
    close(listener);
    return 0;
}
