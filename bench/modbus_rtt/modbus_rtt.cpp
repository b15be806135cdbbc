// Requests per second and round-trip times of function 3 reading 125
// registers over one kept-open loopback connection, through the client and
// as raw socket exchanges of the same frame sizes, in both framings: RTU over
// TCP (8 bytes out, 255 back) and Modbus TCP (12 out, 259 back, the
// transaction id echoed). Prints figures; judges nothing.
#include "bench/modbus_rtt/loopback_io.h"
#include "library/modbus_lib/modbus.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <sched.h>
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
// The MBAP header takes the unit id's place and adds 6 bytes; no CRC.
constexpr int kMbapRequestLength = 6 + kRequestLength - 2;
constexpr int kMbapResponseLength = 6 + kResponseLength - 2;

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

// The same answer as Modbus TCP: header with transaction id 0, no CRC.
std::vector<uint8_t> mbap_response_frame()
{
    std::vector<uint8_t> body = response_frame();
    body.resize(body.size() - 2);
    std::vector<uint8_t> frame = {0, 0, 0, 0, static_cast<uint8_t>(body.size() >> 8),
                                  static_cast<uint8_t>(body.size() & 0xFF)};
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

// A gateway connection: answers every 8-byte request with the same
// 255-byte frame until the client hangs up.
void serve(int fd)
{
    const std::vector<uint8_t> reply = response_frame();
    loopback_io::NoDelay(fd);
    uint8_t request[kRequestLength];
    while (loopback_io::ReadExactly(fd, request, sizeof(request)) && loopback_io::WriteAll(fd, reply.data(), reply.size())) {
    }
    close(fd);
}

// The same in Modbus TCP: each answer carries its request's transaction id.
void serve_mbap(int fd)
{
    std::vector<uint8_t> reply = mbap_response_frame();
    loopback_io::NoDelay(fd);
    uint8_t request[kMbapRequestLength];
    while (loopback_io::ReadExactly(fd, request, sizeof(request))) {
        reply[0] = request[0];
        reply[1] = request[1];
        if (!loopback_io::WriteAll(fd, reply.data(), reply.size()))
            break;
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

// Round-trip times of one kind of exchange, gathered over many blocks.
class Sampler {
public:
    template <typename RoundTrip> void Run(int count, RoundTrip round_trip)
    {
        for (int index = 0; index < count; ++index) {
            const Clock::time_point before = Clock::now();
            if (!round_trip()) {
                std::fprintf(stderr, "round trip failed: %s\n", mb_strerror(errno));
                std::exit(1);
            }
            const double micros = std::chrono::duration<double, std::micro>(Clock::now() - before).count();
            m_micros.push_back(micros);
            m_total_us += micros;
        }
    }
    Figures Summary()
    {
        std::sort(m_micros.begin(), m_micros.end());
        return {1e6 * static_cast<double>(m_micros.size()) / m_total_us, m_micros[m_micros.size() / 2],
                m_micros[m_micros.size() * 99 / 100]};
    }

private:
    std::vector<double> m_micros;
    double m_total_us = 0;
};

void print(const char *name, const Figures &figures)
{
    std::printf("%-26s %10.0f req/s   median %7.1f us   p99 %7.1f us\n", name, figures.per_second, figures.median_us,
                figures.p99_us);
}

} // namespace

// Keeps the process, and the gateway threads it starts, on the CPU it runs
// on: a wake-up across CPUs costs ten times a whole round trip on one here,
// and where the scheduler puts each thread would otherwise decide the figures.
void stay_on_one_cpu()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    CPU_SET(sched_getcpu(), &cpus);
    if (sched_setaffinity(0, sizeof(cpus), &cpus) != 0)
        std::perror("sched_setaffinity");
}

int connect_raw(uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        std::perror("raw connect");
        std::exit(1);
    }
    loopback_io::NoDelay(fd);
    return fd;
}

mb_context *connect_client(uint16_t port, int framing)
{
    mb_context *ctx = mb_new_tcp("127.0.0.1", port);
    if (ctx == nullptr || mb_set_framing(ctx, framing) != 0 || mb_connect(ctx) != 0 || mb_set_slave(ctx, 1) != 0) {
        std::fprintf(stderr, "client connect: %s\n", mb_strerror(errno));
        std::exit(1);
    }
    return ctx;
}

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(100, std::atoi(argv[1])) : 20000;
    stay_on_one_cpu();
    uint16_t port = 0;
    const int listener = listen_loopback(&port);

    // Accepted in the order connected: raw RTU, client RTU, raw MBAP, client MBAP.
    const int raw = connect_raw(port);
    std::thread raw_gateway(serve, accept_one(listener));
    mb_context *ctx = connect_client(port, MB_FRAMING_RTU);
    std::thread client_gateway(serve, accept_one(listener));
    const int raw_mbap = connect_raw(port);
    std::thread raw_mbap_gateway(serve_mbap, accept_one(listener));
    mb_context *ctx_mbap = connect_client(port, MB_FRAMING_TCP);
    std::thread client_mbap_gateway(serve_mbap, accept_one(listener));

    const uint8_t request[kRequestLength] = {0x01, 0x03, 0x00, 0x00, 0x00, kRegisters, 0x00, 0x00};
    uint8_t mbap_request[kMbapRequestLength] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x06,
                                                0x01, 0x03, 0x00, 0x00, 0x00, kRegisters};
    uint8_t response[kMbapResponseLength];
    uint16_t registers[kRegisters];
    uint16_t transaction = 0;
    const auto raw_trip = [&] {
        return loopback_io::WriteAll(raw, request, sizeof(request)) && loopback_io::ReadExactly(raw, response, kResponseLength);
    };
    const auto client_trip = [&] { return mb_read_registers(ctx, 0, kRegisters, registers) == kRegisters; };
    const auto raw_mbap_trip = [&] {
        ++transaction;
        mbap_request[0] = static_cast<uint8_t>(transaction >> 8);
        mbap_request[1] = static_cast<uint8_t>(transaction & 0xFF);
        return loopback_io::WriteAll(raw_mbap, mbap_request, sizeof(mbap_request)) &&
               loopback_io::ReadExactly(raw_mbap, response, kMbapResponseLength);
    };
    const auto client_mbap_trip = [&] { return mb_read_registers(ctx_mbap, 0, kRegisters, registers) == kRegisters; };

    // The machine is shared and its load comes and goes: short blocks of
    // each kind, taken in turn, see the same conditions.
    constexpr int kBlock = 500;
    Sampler warm_up;
    warm_up.Run(kBlock, raw_trip);
    warm_up.Run(kBlock, client_trip);
    warm_up.Run(kBlock, raw_mbap_trip);
    warm_up.Run(kBlock, client_mbap_trip);
    Sampler raw_samples;
    Sampler client_samples;
    Sampler raw_mbap_samples;
    Sampler client_mbap_samples;
    for (int done = 0; done < count; done += kBlock) {
        raw_samples.Run(kBlock, raw_trip);
        client_samples.Run(kBlock, client_trip);
        raw_mbap_samples.Run(kBlock, raw_mbap_trip);
        client_mbap_samples.Run(kBlock, client_mbap_trip);
    }
    const Figures raw_figures = raw_samples.Summary();
    const Figures client_figures = client_samples.Summary();
    const Figures raw_mbap_figures = raw_mbap_samples.Summary();
    const Figures client_mbap_figures = client_mbap_samples.Summary();
    std::printf("function 3, %d registers, %d round trips of each kind, loopback, one kept-open connection each, "
                "one CPU\n",
                kRegisters, count);
    print("raw loopback, RTU sizes", raw_figures);
    print("client, RTU over TCP", client_figures);
    print("raw loopback, MBAP sizes", raw_mbap_figures);
    print("client, Modbus TCP", client_mbap_figures);
    std::printf("RTU over TCP client / raw: rate %.1f %%, median round trip %.1f %%\n",
                100.0 * client_figures.per_second / raw_figures.per_second,
                100.0 * raw_figures.median_us / client_figures.median_us);
    std::printf("Modbus TCP client / raw: rate %.1f %%, median round trip %.1f %%\n",
                100.0 * client_mbap_figures.per_second / raw_mbap_figures.per_second,
                100.0 * raw_mbap_figures.median_us / client_mbap_figures.median_us);

    close(raw);
    close(raw_mbap);
    mb_close(ctx);
    mb_free(ctx);
    mb_close(ctx_mbap);
    mb_free(ctx_mbap);
    raw_gateway.join();
    client_gateway.join();
    raw_mbap_gateway.join();
    client_mbap_gateway.join();
    close(listener);
    return 0;
}
