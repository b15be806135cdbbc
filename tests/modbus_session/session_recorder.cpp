#include "tests/modbus_session/session_recorder.h"

#include <thread>
#include <wx/app.h>

namespace session_test {

Recorder::Recorder()
{
    Connect(EVT_MODBUS_LINK, ModbusSessionEventHandler(Recorder::OnLink));
    Connect(EVT_MODBUS_RESULT, ModbusSessionEventHandler(Recorder::OnResult));
    Connect(EVT_MODBUS_TRAFFIC, ModbusSessionEventHandler(Recorder::OnTraffic));
}

void Recorder::OnLink(ModbusSessionEvent &event)
{
    links.push_back(event.Link());
}

void Recorder::OnResult(ModbusSessionEvent &event)
{
    results.push_back(event.Result());
}

void Recorder::OnTraffic(ModbusSessionEvent &event)
{
    traffic.push_back(event.Result());
}

std::vector<JobResult> Recorder::ResultsOf(JobId job) const
{
    std::vector<JobResult> of;
    for (const JobResult &result : results)
        if (result.job == job)
            of.push_back(result);
    return of;
}

std::vector<ModbusLink> Recorder::States() const
{
    std::vector<ModbusLink> states;
    for (const LinkReport &report : links)
        states.push_back(report.state);
    return states;
}

void HandleQueued()
{
    // A console application: wxTheApp would take it for a GUI one.
    wxAppConsole::GetInstance()->ProcessPendingEvents();
}

bool WaitFor(const std::function<bool()> &done, Millis timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        HandleQueued();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(Millis(2));
    }
}

ConnectionSettings Loopback(const std::string &ip, int port, int framing)
{
    ConnectionSettings settings;
    settings.host = ip;
    settings.port = port;
    settings.framing = framing;
    settings.responseTimeoutMs = 300;
    settings.connectTimeoutMs = 2000;
    settings.reconnectPaceMs = 50;
    return settings;
}

SessionJob ReadJob(int address, int count, int periodMs)
{
    SessionJob job;
    job.request.function = 3;
    job.request.address = address;
    job.request.count = count;
    job.periodic = periodMs > 0;
    job.periodMs = periodMs;
    return job;
}

} // namespace session_test
