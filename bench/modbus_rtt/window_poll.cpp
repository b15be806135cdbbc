// Polling from the Modbus window, two figures:
// - requests per second of the window's poll worker (modbus/poll_worker.h)
//   polling function 3 with 125 registers as fast as answers come against a
//   loopback gateway, beside raw loopback round trips of the same frame sizes
//   (8 bytes out, 255 back);
// - the real window polling every 10 ms a gateway that takes the connection
//   and never answers: the longest gap of a 10 ms GUI timer meanwhile, and
//   how long the Stop click takes in its handler.
// Needs a display (e.g. xvfb-run -a) and, for the window's images, the build
// folder as working directory. Prints figures; judges nothing.
#include "app/main_window.h"
#include "bench/modbus_rtt/loopback_io.h"
#include "bench/support/bench_support.h"
#include "library/modbus_lib/modbus.h"
#include "modbus/function_panel.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/poll_worker.h"
#include "uart/worker_lifetimes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

namespace {

using loopback_io::NoDelay;
using loopback_io::ReadExactly;
using loopback_io::WriteAll;

using Clock = std::chrono::steady_clock;

constexpr int kRegisters = 125;
constexpr int kRequestLength = 8;
constexpr int kResponseLength = 3 + 2 * kRegisters + 2;

uint16_t Crc16(const uint8_t *data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

// Answers every request with one good 125-register frame until the other
// side hangs up.
void Serve(int fd)
{
    std::vector<uint8_t> reply(kResponseLength, 0);
    reply[0] = 1;
    reply[1] = 3;
    reply[2] = 2 * kRegisters;
    const uint16_t crc = Crc16(reply.data(), reply.size() - 2);
    reply[kResponseLength - 2] = static_cast<uint8_t>(crc & 0xFF);
    reply[kResponseLength - 1] = static_cast<uint8_t>(crc >> 8);
    NoDelay(fd);
    uint8_t request[kRequestLength];
    while (ReadExactly(fd, request, sizeof request) && WriteAll(fd, reply.data(), reply.size())) {
    }
    close(fd);
}

int AcceptOne(int listener)
{
    const int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) {
        std::perror("accept");
        std::exit(1);
    }
    return fd;
}

// As the other Modbus figures are taken: on one CPU, where a wake-up across
// CPUs would otherwise decide them.
void StayOnOneCpu()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    CPU_SET(sched_getcpu(), &cpus);
    if (sched_setaffinity(0, sizeof(cpus), &cpus) != 0)
        std::perror("sched_setaffinity");
}

double RawRate(int fd, int count)
{
    const uint8_t request[kRequestLength] = {0x01, 0x03, 0x00, 0x00, 0x00, kRegisters, 0x00, 0x00};
    uint8_t response[kResponseLength];
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i)
        if (!WriteAll(fd, request, sizeof request) || !ReadExactly(fd, response, sizeof response)) {
            std::fputs("raw round trip failed\n", stderr);
            std::exit(1);
        }
    return count / std::chrono::duration<double>(Clock::now() - start).count();
}

// Polls for `seconds`; returns the requests per second and the failures.
double WorkerRate(mb_context *ctx, double seconds, long &failures)
{
    ReadRequest request;
    request.functionCode = 3;
    request.quantity = kRegisters;
    auto run = std::make_shared<PollRun>(nullptr, 1);
    const Clock::time_point start = Clock::now();
    if (!StartPollWorker(ctx, request, 0, run, nullptr)) {
        std::fputs("the worker did not start\n", stderr);
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    PollReport report;
    const bool taken = run->Take(report);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    run->Stop();
    // The context stays the caller's: wait for the worker to give it back.
    worker_lifetimes::WaitForAll();
    failures = taken ? report.failures : -1;
    return taken ? report.requests / elapsed : 0;
}

double Millis(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// A 10 ms GUI timer that records its longest gap and ends its loop when the
// time is up.
class GapTimer : public wxTimer {
public:
    void Notify() override
    {
        const Clock::time_point now = Clock::now();
        if (m_last != Clock::time_point())
            longest = std::max(longest, Millis(now - m_last));
        m_last = now;
        if (now >= until)
            loop->Exit();
    }
    double longest = 0;
    Clock::time_point until;
    wxEventLoopBase *loop = nullptr;

private:
    Clock::time_point m_last;
};

void RunGuiFor(double seconds, GapTimer &timer)
{
    wxEventLoop loop;
    timer.loop = &loop;
    timer.until = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    timer.Start(10);
    loop.Run();
    timer.Stop();
}

// The real window polling a gateway that never answers.
void SilentGatewayScenario(double seconds)
{
    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    if (listener < 0) {
        std::fputs("no loopback listener\n", stderr);
        return;
    }
    // Takes each connection and reads what comes, answering nothing.
    std::vector<int> taken;
    std::thread silent([listener, &taken] {
        for (int fd; (fd = accept(listener, nullptr, nullptr)) >= 0;) {
            taken.push_back(fd);
            std::thread([fd] {
                uint8_t sink[256];
                while (recv(fd, sink, sizeof sink, 0) > 0) {
                }
            }).detach();
        }
    });

    ModbusTerminalPanel *panel = MainWindow::GetInstance()->m_modbusPanel;
    MainWindow::GetInstance()->ApplyConnection("127.0.0.1", std::to_string(port), 1);
    bench::ClickButton(panel->m_connectButton);
    bench::ClickButton(panel->FindWindow(1003));
    FunctionPanel *form = panel->m_functionPanel;
    if (!panel->m_connected || form == nullptr) {
        std::fputs("the window did not connect\n", stderr);
        return;
    }
    form->m_addressText->ChangeValue("0");
    form->m_countText->ChangeValue("125");
    form->m_pollPeriodText->ChangeValue("10");
    bench::ClickButton(form->m_pollStartButton);
    GapTimer timer;
    RunGuiFor(seconds, timer);
    const std::string counts = form->m_pollCountsLabel->GetLabel().utf8_string();
    const Clock::time_point before = Clock::now();
    bench::ClickButton(form->m_pollStopButton);
    const double stopMs = Millis(Clock::now() - before);
    GapTimer after;
    RunGuiFor(2.0, after);
    std::printf("window polling every 10 ms a gateway that never answers, %.0f s: %s; longest gap of a 10 ms GUI "
                "timer %.0f ms; Stop %.2f ms in its handler, Send back %s\n",
                seconds, counts.c_str(), timer.longest, stopMs, form->m_sendButton->IsEnabled() ? "within 2 s" : "no");

    MainWindow::GetInstance()->ApplyConnection("not set", "not set", 0);
    worker_lifetimes::WaitForAll();
    shutdown(listener, SHUT_RDWR);
    close(listener);
    silent.join();
    for (const int fd : taken) {
        shutdown(fd, SHUT_RDWR);
        close(fd);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    if (!bench::StartToolkit(argc, argv)) {
        std::fputs("the toolkit did not start (no display?)\n", stderr);
        return 1;
    }
    SilentGatewayScenario(3.0);
    StayOnOneCpu();
    uint16_t port = 0;
    const int listener = bench::ListenOnLoopback(&port);
    const int raw = bench::ConnectToLoopback(port);
    if (listener < 0 || raw < 0) {
        std::fputs("no loopback connection\n", stderr);
        return 1;
    }
    NoDelay(raw);
    std::thread rawGateway(Serve, AcceptOne(listener));
    mb_context *ctx = mb_new_tcp("127.0.0.1", port);
    if (ctx == nullptr || mb_connect(ctx) != 0) {
        std::fprintf(stderr, "client connect: %s\n", mb_strerror(errno));
        return 1;
    }
    std::thread clientGateway(Serve, AcceptOne(listener));

    // Raw, worker, raw again: the machine's load comes and goes.
    const double rawBefore = RawRate(raw, 20000);
    long failures = 0;
    const double polled = WorkerRate(ctx, seconds, failures);
    const double rawAfter = RawRate(raw, 20000);
    const double rawRate = (rawBefore + rawAfter) / 2;
    std::printf("function 3, %d registers, loopback, one kept-open connection each, one CPU\n", kRegisters);
    std::printf("%-34s %10.0f req/s\n", "raw loopback, RTU sizes", rawRate);
    std::printf("%-34s %10.0f req/s   (%ld failed)\n", "window poll worker, RTU over TCP", polled, failures);
    std::printf("window poll worker / raw: %.1f %%\n", 100.0 * polled / rawRate);

    close(raw);
    mb_close(ctx);
    mb_free(ctx);
    rawGateway.join();
    clientGateway.join();
    close(listener);
    bench::StopToolkit();
    return 0;
}
