// Polling from the Modbus window: a worker thread that repeats one read on
// the panel's context at a period and hands each answer to the panel
// through queued events, so that the window never waits on the network.
// While a run lives the context is the worker's alone (one request at a time
// per connection); the panel takes it back when the run has ended, or gives
// it up for the worker to close and free.
#ifndef ORV_MODBUS_POLL_WORKER_H
#define ORV_MODBUS_POLL_WORKER_H

#include "library/modbus_lib/modbus.h"
#include "modbus/read_request.h"
#include "uart/stop_signal.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <wx/event.h>
#include <wx/thread.h>

class TrafficRecorder;
class wxEvtHandler;

// The newest answer of a poll run.
struct PollReport {
    ReadOutcome outcome;
    std::string clock; // when it came, "14:05:09.042"
    long requests = 0;
    long failures = 0;
};

// What the panel (GUI thread) and the worker of one run share.
class PollRun {
public:
    PollRun(wxEvtHandler *panel, int number) : m_panel(panel), m_number(number) {}

    int Number() const { return m_number; }
    // GUI thread. Stops the run at once: no later answer is handed over,
    // and the worker's pause ends.
    void Stop();
    // GUI thread. Takes the newest answer; false when none waits.
    bool Take(PollReport &report);
    // GUI thread. Gives the context up: true when the worker will close and
    // free it, false when it is done with it already (the caller frees it).
    bool Retire();
    // GUI thread. The panel is going: no event is posted to it any more.
    void Detach();

    // Worker.
    bool Stopped() const { return m_stop.Stopped(); }
    bool SleepUntil(std::chrono::steady_clock::time_point deadline) { return m_stop.SleepUntil(deadline); }
    void Publish(const PollReport &report);
    // The worker is done with the context; true when it must free it.
    bool Finish(bool linkLost);

private:
    void Post(wxEventType type, long extra);

    StopSignal m_stop;
    std::mutex m_lock;
    wxEvtHandler *m_panel;
    const int m_number;
    PollReport m_report;
    bool m_reportWaiting = false;
    bool m_retired = false;
    bool m_finished = false;
};

class PollWorker : public wxThread {
public:
    // Polls `request` every `periodMs` (0: as fast as answers come) on
    // `ctx`, the outcome of each request also going to `traffic` (may be
    // nullptr).
    PollWorker(mb_context *ctx, ReadRequest request, int periodMs, std::shared_ptr<PollRun> run,
               std::shared_ptr<TrafficRecorder> traffic);

protected:
    ExitCode Entry() override;

private:
    mb_context *const m_ctx;
    const ReadRequest m_request;
    const std::chrono::milliseconds m_period;
    const std::shared_ptr<PollRun> m_run;
    const std::shared_ptr<TrafficRecorder> m_traffic;
};

// Starts a worker; false (and nothing started) when the thread could not be.
bool StartPollWorker(mb_context *ctx, const ReadRequest &request, int periodMs, const std::shared_ptr<PollRun> &run,
                     const std::shared_ptr<TrafficRecorder> &traffic);

#endif
