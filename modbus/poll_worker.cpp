#include "modbus/poll_worker.h"

#include "modbus/modbus_events.h"
#include "modbus/traffic_lines.h"
#include "modbus/traffic_recorder.h"
#include "uart/worker_lifetimes.h"

#include <wx/event.h>

void PollRun::Stop()
{
    m_stop.Stop();
    const std::lock_guard<std::mutex> hold(m_lock);
    m_reportWaiting = false;
}

bool PollRun::Take(PollReport &report)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!m_reportWaiting || m_stop.Stopped())
        return false;
    report = m_report;
    m_reportWaiting = false;
    return true;
}

bool PollRun::Retire()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_finished)
        return false;
    m_retired = true;
    return true;
}

void PollRun::Detach()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_panel = nullptr;
}

void PollRun::Publish(const PollReport &report)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_stop.Stopped())
        return;
    // Only the newest answer waits: a panel that falls behind a fast run
    // shows the latest, and its queue never grows.
    const bool first = !m_reportWaiting;
    m_report = report;
    m_reportWaiting = true;
    if (first)
        Post(EVT_MODBUS_POLL_ANSWER, 0);
}

bool PollRun::Finish(bool linkLost)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_finished = true;
    Post(EVT_MODBUS_POLL_ENDED, linkLost ? 1 : 0);
    return m_retired;
}

void PollRun::Post(wxEventType type, long extra)
{
    if (m_panel == nullptr)
        return;
    wxCommandEvent event(type, static_cast<int>(type));
    event.SetInt(m_number);
    event.SetExtraLong(extra);
    m_panel->AddPendingEvent(event);
}

PollWorker::PollWorker(mb_context *ctx, ReadRequest request, int periodMs, std::shared_ptr<PollRun> run,
                       std::shared_ptr<TrafficRecorder> traffic)
    : wxThread(wxTHREAD_DETACHED), m_ctx(ctx), m_request(std::move(request)), m_period(periodMs),
      m_run(std::move(run)), m_traffic(std::move(traffic))
{
}

wxThread::ExitCode PollWorker::Entry()
{
    worker_lifetimes::Enter();
    using Clock = std::chrono::steady_clock;
    PollReport report;
    bool linkLost = false;
    Clock::time_point next = Clock::now();
    while (!m_run->Stopped()) {
        report.outcome = RunRead(m_ctx, m_request);
        report.clock = ClockText(std::chrono::system_clock::now());
        ++report.requests;
        if (report.outcome.count < 0)
            ++report.failures;
        if (m_traffic != nullptr)
            m_traffic->Outcome(OutcomeResult(m_request, report.outcome));
        m_run->Publish(report);
        if (!report.outcome.linkUp) {
            linkLost = true;
            break;
        }
        // A request slower than the period starts the next at once, without
        // a burst to catch up, and without a timed wait: one already past
        // still costs the timer's slack (tens of microseconds).
        const Clock::time_point now = Clock::now();
        next = std::max(next + m_period, now);
        if (next > now && !m_run->SleepUntil(next))
            break;
    }
    if (m_run->Finish(linkLost)) {
        mb_close(m_ctx);
        mb_free(m_ctx);
    }
    return nullptr;
}

bool StartPollWorker(mb_context *ctx, const ReadRequest &request, int periodMs, const std::shared_ptr<PollRun> &run,
                     const std::shared_ptr<TrafficRecorder> &traffic)
{
    auto *worker = new PollWorker(ctx, request, periodMs, run, traffic);
    if (worker->Run() != wxTHREAD_NO_ERROR) {
        delete worker;
        return false;
    }
    return true;
}
