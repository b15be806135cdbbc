// The Modbus monitor window polling ten blocks (function 3, 125 registers
// each) on the Modbus panel's session against a loopback gateway:
// - the blocks back to back (their periods set to 0 under the window), in
//   requests per second beside raw loopback round trips of the same frame
//   sizes, and the longest gap of a 10 ms GUI timer meanwhile;
// - the blocks every 10 ms against a gateway that takes 10 ms to answer:
//   the longest gap of a 10 ms GUI timer;
// - resident memory over a long back-to-back run with a CSV log.
// Needs a display (e.g. xvfb-run -a) and, for the window's images, the build
// folder as working directory. Prints figures; judges nothing.
#include "app/main_window.h"
#include "bench/modbus_rtt/loopback_io.h"
#include "bench/support/bench_support.h"
#include "library/modbus_lib/modbus_rtu.h"
#include "modbus/block_job.h"
#include "modbus/block_pane.h"
#include "modbus/modbus_session.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/monitor_window.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/evtloop.h>
#include <wx/timer.h>

namespace {

using loopback_io::NoDelay;
using loopback_io::ReadExactly;
using loopback_io::WriteAll;
using Clock = std::chrono::steady_clock;

constexpr int kBlocks = 10;
constexpr int kRegisters = 125;
constexpr int kRequestLength = 8;
constexpr int kResponseLength = 3 + 2 * kRegisters + 2;

// One good answer to the blocks' read; its values change with `round`, so
// that the window has changes to light up.
std::vector<uint8_t> Reply(unsigned round)
{
    std::vector<uint8_t> reply(kResponseLength, 0);
    reply[0] = 1;
    reply[1] = 3;
    reply[2] = 2 * kRegisters;
    for (int index = 0; index < kRegisters; ++index)
        reply[4 + 2 * index] = static_cast<uint8_t>(round + static_cast<unsigned>(index));
    const uint16_t crc = mb_rtu_crc16(reply.data(), reply.size() - 2);
    reply[kResponseLength - 2] = static_cast<uint8_t>(crc & 0xFF);
    reply[kResponseLength - 1] = static_cast<uint8_t>(crc >> 8);
    return reply;
}

// Answers each request, after `delay`, until the other side hangs up.
void Serve(int fd, std::chrono::milliseconds delay)
{
    const std::vector<std::vector<uint8_t>> replies = {Reply(0), Reply(1)};
    NoDelay(fd);
    uint8_t request[kRequestLength];
    for (unsigned round = 0; ReadExactly(fd, request, sizeof request); ++round) {
        if (delay.count() > 0)
            std::this_thread::sleep_for(delay);
        const std::vector<uint8_t> &reply = replies[round % 2];
        if (!WriteAll(fd, reply.data(), reply.size()))
            break;
    }
    close(fd);
}

// A gateway on 127.0.0.1 serving every connection it takes until stopped.
class Gateway {
public:
    explicit Gateway(std::chrono::milliseconds delay) : m_listener(bench::ListenOnLoopback(&m_port))
    {
        m_thread = std::thread([this, delay] {
            for (int fd; (fd = accept(m_listener, nullptr, nullptr)) >= 0;)
                m_served.emplace_back(Serve, fd, delay);
        });
    }
    ~Gateway()
    {
        shutdown(m_listener, SHUT_RDWR);
        close(m_listener);
        m_thread.join();
        for (std::thread &served : m_served)
            served.join();
    }
    uint16_t Port() const { return m_port; }
    bool Ok() const { return m_listener >= 0; }

private:
    uint16_t m_port = 0;
    int m_listener;
    std::thread m_thread;
    std::vector<std::thread> m_served;
};


double RawRate(int count)
{
    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    const int fd = bench::ConnectToLoopback(port);
    const int served = accept(listener, nullptr, nullptr);
    std::thread gateway(Serve, served, std::chrono::milliseconds(0));
    NoDelay(fd);
    const uint8_t request[kRequestLength] = {0x01, 0x03, 0x00, 0x00, 0x00, kRegisters, 0x00, 0x00};
    uint8_t response[kResponseLength];
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i)
        if (!WriteAll(fd, request, sizeof request) || !ReadExactly(fd, response, sizeof response))
            break;
    const double rate = count / std::chrono::duration<double>(Clock::now() - start).count();
    close(fd);
    gateway.join();
    close(listener);
    return rate;
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

ModbusTerminalPanel *Panel()
{
    return MainWindow::GetInstance()->m_modbusPanel;
}

bool ConnectTo(uint16_t port)
{
    MainWindow::GetInstance()->ApplyConnection("127.0.0.1", std::to_string(port), 1);
    bench::ClickButton(Panel()->FindWindow(ModbusTerminalPanel::ID_CONNECT));
    for (int tries = 0; tries < 50 && !Panel()->IsConnected(); ++tries)
        bench::RunGuiFor(0.1);
    return Panel()->IsConnected();
}

MonitorWindow *OpenTenBlocks(int periodMs)
{
    std::vector<BlockDefinition> blocks;
    for (int index = 0; index < kBlocks; ++index) {
        BlockDefinition block;
        block.name = "block " + std::to_string(index + 1);
        block.count = kRegisters;
        block.periodMs = periodMs;
        blocks.push_back(block);
    }
    MonitorWindow *monitor = Panel()->OpenMonitor();
    monitor->SetBlocks(blocks);
    return monitor;
}

// The blocks' reads back to back: their jobs' periods set to 0.
void BackToBack(MonitorWindow *monitor)
{
    for (size_t index = 0; index < monitor->BlockCount(); ++index) {
        SessionJob job = BlockJob(monitor->Pane(index)->Block(), monitor->Pane(index));
        job.periodMs = 0;
        Panel()->Session().Change(monitor->Pane(index)->Job(), job);
    }
}

uint64_t Sent(MonitorWindow *monitor, uint64_t &failed)
{
    uint64_t sent = 0;
    for (size_t index = 0; index < monitor->BlockCount(); ++index) {
        const JobCounts counts = Panel()->Session().Counts(monitor->Pane(index)->Job()).value_or(JobCounts{});
        sent += counts.sent;
        failed += counts.failed;
    }
    return sent;
}

void Disconnect()
{
    Panel()->SetMonitorBlocks({}, false);
    MainWindow::GetInstance()->ApplyConnection("not set", "not set", 0);
    bench::RunGuiFor(0.2);
}

void BackToBackScenario(double seconds)
{
    Gateway gateway(std::chrono::milliseconds(0));
    if (!gateway.Ok() || !ConnectTo(gateway.Port())) {
        std::fputs("the window did not connect\n", stderr);
        return;
    }
    MonitorWindow *monitor = OpenTenBlocks(1000);
    bench::RunGuiFor(0.2);
    const double rawBefore = RawRate(20000);
    uint64_t failed = 0;
    const uint64_t before = Sent(monitor, failed);
    const Clock::time_point start = Clock::now();
    BackToBack(monitor);
    const double gap = bench::RunGuiFor(seconds);
    failed = 0;
    const double rate = (Sent(monitor, failed) - before) / std::chrono::duration<double>(Clock::now() - start).count();
    monitor->PauseAll(true);
    const double rawAfter = RawRate(20000);
    const double raw = (rawBefore + rawAfter) / 2;
    std::printf("function 3, %d registers, loopback\n", kRegisters);
    std::printf("%-48s %10.0f req/s\n", "raw loopback round trips, RTU sizes", raw);
    std::printf("%-48s %10.0f req/s   (%.1f %% of raw)\n", "monitor, 10 blocks back to back", rate,
                100.0 * rate / raw);
    std::printf("longest gap of a 10 ms GUI timer meanwhile: %.1f ms; failed requests: %llu\n", gap,
                static_cast<unsigned long long>(failed));
    Disconnect();
}

void SlowGatewayScenario(double seconds)
{
    Gateway gateway(std::chrono::milliseconds(10));
    if (!gateway.Ok() || !ConnectTo(gateway.Port())) {
        std::fputs("the window did not connect\n", stderr);
        return;
    }
    MonitorWindow *monitor = OpenTenBlocks(10);
    uint64_t failed = 0;
    const uint64_t before = Sent(monitor, failed);
    const double gap = bench::RunGuiFor(seconds);
    failed = 0;
    std::printf("monitor, 10 blocks every 10 ms, gateway answering after 10 ms, %.0f s: %llu requests, %llu "
                "failed; longest gap of a 10 ms GUI timer %.1f ms\n",
                seconds, static_cast<unsigned long long>(Sent(monitor, failed) - before),
                static_cast<unsigned long long>(failed), gap);
    Disconnect();
}

void MemoryScenario(double seconds)
{
    Gateway gateway(std::chrono::milliseconds(0));
    if (!gateway.Ok() || !ConnectTo(gateway.Port())) {
        std::fputs("the window did not connect\n", stderr);
        return;
    }
    MonitorWindow *monitor = OpenTenBlocks(1000);
    char path[] = "/tmp/orv-bench-log-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0)
        close(fd);
    monitor->StartLog(path);
    BackToBack(monitor);
    std::printf("resident memory over %.0f s of 10 blocks back to back with a CSV log:", seconds);
    const int steps = 5;
    uint64_t failed = 0;
    for (int step = 0; step < steps; ++step) {
        bench::RunGuiFor(seconds / steps);
        std::printf(" %ld", ResidentKb());
        std::fflush(stdout);
        // The log grows with the run; only the process is measured.
        monitor->StopLog();
        monitor->StartLog(path);
    }
    std::printf(" KB (%llu requests)\n", static_cast<unsigned long long>(Sent(monitor, failed)));
    monitor->StopLog();
    std::remove(path);
    Disconnect();
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const double longRun = argc > 2 ? std::atof(argv[2]) : 30.0;
    if (!bench::StartToolkit(argc, argv)) {
        std::fputs("the toolkit did not start (no display?)\n", stderr);
        return 1;
    }
    BackToBackScenario(seconds);
    SlowGatewayScenario(seconds);
    MemoryScenario(longRun);
    bench::StopToolkit();
    return 0;
}
