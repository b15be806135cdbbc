#include "modbus/modbus_session.h"

#include "modbus/failure_reason.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <wx/event.h>

namespace {

JobResult Cancelled(const JobResult &base)
{
    JobResult result = base;
    result.reply.result = -1;
    result.reply.error = ECANCELED;
    result.reason = RequestFailureReason(ECANCELED);
    return result;
}

} // namespace

ModbusSession::ModbusSession(wxEvtHandler *handler) : m_handler(handler)
{
    // Without the pipe a close cannot cut an exchange short: it then ends
    // with the exchange's own time-out.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_cancelRead = ends[0];
        m_cancelWrite = ends[1];
    }
    m_worker = std::thread([this] { Run(); });
}

ModbusSession::~ModbusSession()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        m_stopping = true;
        CloseLocked();
        DropJobs(true);
    }
    m_wake.notify_all();
    m_worker.join();
    if (m_cancelRead >= 0) {
        close(m_cancelRead);
        close(m_cancelWrite);
    }
}

uint64_t ModbusSession::Open(const ConnectionSettings &settings)
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        CloseLocked();
        m_open = true;
        m_settings = settings;
        m_nextConnect = Clock::now();
        SetState(ModbusLink::Connecting, 0);
    }
    m_wake.notify_all();
    return Connection();
}

void ModbusSession::Close()
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        CloseLocked();
    }
    m_wake.notify_all();
}

void ModbusSession::CloseLocked()
{
    // Every Open and Close starts a new connection number, so that whatever
    // the worker brings back from the old one is seen to be stale.
    ++m_connection;
    m_open = false;
    m_state = ModbusLink::Closed;
    DropJobs(false);
    Cancel();
}

ModbusLink ModbusSession::State() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_state;
}

uint64_t ModbusSession::Connection() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_connection;
}

ConnectionSettings ModbusSession::Settings() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_settings;
}

JobId ModbusSession::Submit(const SessionJob &job)
{
    JobId id;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        id = ++m_lastId;
        Job &added = m_jobs[id];
        added.asked = job;
        added.sequence = ++m_lastSequence;
        added.due = Clock::now();
    }
    m_wake.notify_all();
    return id;
}

bool ModbusSession::Change(JobId id, const SessionJob &job)
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        const auto found = m_jobs.find(id);
        if (found == m_jobs.end() || !found->second.asked.periodic || !job.periodic)
            return false;
        Job &changed = found->second;
        changed.asked = job;
        ++changed.revision;
        changed.due = Clock::now();
        changed.delayed = false;
    }
    m_wake.notify_all();
    return true;
}

void ModbusSession::Remove(JobId id)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_jobs.find(id);
    if (found == m_jobs.end())
        return;
    if (found->second.waiter)
        found->second.waiter->set_value(Cancelled(ResultOf(id, found->second)));
    m_jobs.erase(found);
}

void ModbusSession::Pause(JobId id, bool paused)
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        const auto found = m_jobs.find(id);
        if (found == m_jobs.end() || !found->second.asked.periodic)
            return;
        if (found->second.paused && !paused)
            found->second.due = Clock::now();
        found->second.paused = paused;
    }
    m_wake.notify_all();
}

void ModbusSession::PauseAll(bool paused)
{
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        const Clock::time_point now = Clock::now();
        for (auto &entry : m_jobs) {
            Job &job = entry.second;
            if (!job.asked.periodic)
                continue;
            if (job.paused && !paused)
                job.due = now;
            job.paused = paused;
        }
    }
    m_wake.notify_all();
}

std::optional<JobCounts> ModbusSession::Counts(JobId id) const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_jobs.find(id);
    if (found == m_jobs.end())
        return std::nullopt;
    return found->second.counts;
}

JobResult ModbusSession::Await(SessionJob job)
{
    job.periodic = false;
    auto waiter = std::make_shared<std::promise<JobResult>>();
    std::future<JobResult> result = waiter->get_future();
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        const JobId id = ++m_lastId;
        Job &added = m_jobs[id];
        added.asked = job;
        added.sequence = ++m_lastSequence;
        added.due = Clock::now();
        added.waiter = waiter;
    }
    m_wake.notify_all();
    return result.get();
}

void ModbusSession::WatchTraffic(wxEvtHandler *handler)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    for (const TrafficWatcher &watcher : m_trafficWatchers)
        if (watcher.handler == handler)
            return;
    TrafficWatcher watcher;
    watcher.handler = handler;
    m_trafficWatchers.push_back(watcher);
}

void ModbusSession::UnwatchTraffic(wxEvtHandler *handler)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_trafficWatchers.erase(std::remove_if(m_trafficWatchers.begin(), m_trafficWatchers.end(),
                                           [handler](const TrafficWatcher &watcher) { return watcher.handler == handler; }),
                            m_trafficWatchers.end());
}

void ModbusSession::DropJobs(bool all)
{
    for (auto entry = m_jobs.begin(); entry != m_jobs.end();) {
        Job &job = entry->second;
        if (!all && job.asked.periodic) {
            job.delayed = false;
            ++entry;
            continue;
        }
        if (job.waiter)
            job.waiter->set_value(Cancelled(ResultOf(entry->first, job)));
        entry = m_jobs.erase(entry);
    }
}

void ModbusSession::Cancel()
{
    if (m_cancelWrite < 0)
        return;
    m_cancelled = true;
    const char byte = 1;
    // The pipe is non-blocking; one byte in it is enough, and more are harmless.
    [[maybe_unused]] const ssize_t written = write(m_cancelWrite, &byte, 1);
}

void ModbusSession::SetState(ModbusLink state, int error)
{
    if (state == m_state && error == 0)
        return;
    m_state = state;
    if (m_handler == nullptr || m_stopping)
        return;
    LinkReport report;
    report.state = state;
    report.connection = m_connection;
    report.error = error;
    report.reason = error != 0 ? RequestFailureReason(error) : "";
    m_handler->AddPendingEvent(ModbusSessionEvent(EVT_MODBUS_LINK, report));
}

JobResult ModbusSession::ResultOf(JobId id, const Job &job) const
{
    JobResult result;
    result.job = id;
    result.tag = job.asked.tag;
    result.revision = job.revision;
    result.connection = m_connection;
    result.periodic = job.asked.periodic;
    result.request = job.asked.request;
    result.raw = job.asked.raw;
    return result;
}
