// Polling from the Modbus window, two figures:
// - requests per second of the window's Modbus session (modbus/modbus_session.h)
//   reading function 3 with 125 registers against a loopback gateway, beside
//   raw loopback round trips of the same frame sizes (8 bytes out, 255 back):
//   ten periodic jobs polled back to back, and one request at a time from a
//   thread that waits for each answer (the way a Send goes);
// - the real window polling every 10 ms a gateway that takes the connection
//   and never answers: the longest gap of a 10 ms GUI timer meanwhile, and
//   how long the Stop click takes in its handler.
// Needs a display (e.g. xvfb-run -a) and, for the window's images, the build
// folder as working directory. Prints figures; judges nothing.
#include "app/main_window.h"
#include "bench/modbus_rtt/loopback_io.h"
#include "bench/support/bench_support.h"
#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_rtu.h"
#include "modbus/function_panel.h"
#include "modbus/modbus_session.h"
#include "modbus/modbus_terminal_panel.h"

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

// Answers every request with one good 125-register frame until the other
// side hangs up.
void Serve(int fd)
{
    std::vector<uint8_t> reply(kResponseLength, 0);
    reply[0] = 1;
    reply[1] = 3;
    reply[2] = 2 * kRegisters;
    const uint16_t crc = mb_rtu_crc16(reply.data(), reply.size() - 2);
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

SessionJob ReadAll(bool periodic)
{
    SessionJob job;
    job.request.function = 3;
    job.request.count = kRegisters;
    job.periodic = periodic;
    return job;
}

ConnectionSettings Gateway(uint16_t port)
{
    ConnectionSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    return settings;
}

bool WaitUp(const ModbusSession &session)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (session.State() != ModbusLink::Up && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return session.State() == ModbusLink::Up;
}

// Ten periodic jobs polled back to back for `seconds`; returns the requests
// per second and counts the failures.
double PeriodicRate(ModbusSession &session, double seconds, uint64_t &failures)
{
    std::vector<JobId> jobs;
    const Clock::time_point start = Clock::now();
    for (int job = 0; job < 10; ++job)
        jobs.push_back(session.Submit(ReadAll(true)));
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    uint64_t sent = 0;
    for (const JobId job : jobs) {
        const JobCounts counts = session.Counts(job).value_or(JobCounts{});
        sent += counts.sent;
        failures += counts.failed;
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    for (const JobId job : jobs)
        session.Remove(job);
    return sent / elapsed;
}

// One request at a time, each waited for; returns the requests per second.
double AwaitedRate(ModbusSession &session, int count, uint64_t &failures)
{
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i)
        failures += session.Await(ReadAll(false)).reply.Ok() ? 0 : 1;
    return count / std::chrono::duration<double>(Clock::now() - start).count();
}

double Millis(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
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
    bench::ClickButton(panel->FindWindow(ModbusTerminalPanel::ID_CONNECT));
    // The session connects on its worker; the window tells when it has.
    for (int tries = 0; tries < 50 && !panel->IsConnected(); ++tries)
        bench::RunGuiFor(0.1);
    bench::ClickButton(panel->FindWindow(1003));
    FunctionPanel *form = panel->Form();
    if (!panel->IsConnected() || form == nullptr) {
        std::fputs("the window did not connect\n", stderr);
        return;
    }
    form->AddressField()->ChangeValue("0");
    form->CountField()->ChangeValue("125");
    form->PollPeriodField()->ChangeValue("10");
    bench::ClickButton(form->PollStartButton());
    const double longestGap = bench::RunGuiFor(seconds);
    const std::string counts = form->PollCountsLabel()->GetLabel().utf8_string();
    const Clock::time_point before = Clock::now();
    bench::ClickButton(form->PollStopButton());
    const double stopMs = Millis(Clock::now() - before);
    std::printf("window polling every 10 ms a gateway that never answers, %.0f s: %s; longest gap of a 10 ms GUI "
                "timer %.0f ms; Stop %.2f ms in its handler\n",
                seconds, counts.c_str(), longestGap, stopMs);

    MainWindow::GetInstance()->ApplyConnection("not set", "not set", 0);
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
    ModbusSession session(nullptr);
    session.Open(Gateway(port));
    std::thread sessionGateway(Serve, AcceptOne(listener));
    if (!WaitUp(session)) {
        std::fputs("the session did not connect\n", stderr);
        return 1;
    }

    // Raw, session, raw again: the machine's load comes and goes.
    const double rawBefore = RawRate(raw, 20000);
    uint64_t failures = 0;
    const double periodic = PeriodicRate(session, seconds, failures);
    const double awaited = AwaitedRate(session, 20000, failures);
    const double rawAfter = RawRate(raw, 20000);
    const double rawRate = (rawBefore + rawAfter) / 2;
    std::printf("function 3, %d registers, loopback, one kept-open connection each, one CPU\n", kRegisters);
    std::printf("%-44s %10.0f req/s\n", "raw loopback, RTU sizes", rawRate);
    std::printf("%-44s %10.0f req/s   (%.1f %% of raw)\n", "session, 10 periodic jobs back to back", periodic,
                100.0 * periodic / rawRate);
    std::printf("%-44s %10.0f req/s   (%.1f %% of raw)\n", "session, one awaited request at a time", awaited,
                100.0 * awaited / rawRate);
    std::printf("failed requests: %llu\n", static_cast<unsigned long long>(failures));

    close(raw);
    session.Close();
    rawGateway.join();
    sessionGateway.join();
    close(listener);
    bench::StopToolkit();
    return 0;
}
