// A plain event handler that keeps what a Modbus session tells it, and the
// waits of the session's tests: the console application's queue is run in
// bounded loops until a condition holds.
#ifndef ORV_TESTS_MODBUS_SESSION_SESSION_RECORDER_H
#define ORV_TESTS_MODBUS_SESSION_SESSION_RECORDER_H

#include "modbus/modbus_session.h"

#include <chrono>
#include <functional>
#include <vector>
#include <wx/event.h>

namespace session_test {

using Millis = std::chrono::milliseconds;

class Recorder : public wxEvtHandler {
public:
    Recorder();

    std::vector<LinkReport> links;
    std::vector<JobResult> results;
    std::vector<JobResult> traffic;

    std::vector<JobResult> ResultsOf(JobId job) const;
    std::vector<ModbusLink> States() const;

private:
    void OnLink(ModbusSessionEvent &event);
    void OnResult(ModbusSessionEvent &event);
    void OnTraffic(ModbusSessionEvent &event);
};

// Handles the queued events until `done` holds or the time is up; returns `done()`.
bool WaitFor(const std::function<bool()> &done, Millis timeout = Millis(5000));
// Handles the events queued so far.
void HandleQueued();

// A session's settings for a loopback peer, with short waits.
ConnectionSettings Loopback(const std::string &ip, int port, int framing = MB_FRAMING_RTU);
// A read of `count` holding registers from `address`; periodic with a period.
SessionJob ReadJob(int address, int count = 1, int periodMs = 0);

} // namespace session_test

#endif
