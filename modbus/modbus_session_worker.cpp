// The session's worker: it connects, runs the jobs as they fall due, looks
// after the link and hands the results over.
#include "modbus/modbus_session.h"

#include "library/modbus_lib/modbus_raw.h"
#include "modbus/failure_reason.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <wx/event.h>

namespace {

using std::chrono::milliseconds;

// How often an idle connection is looked at for a gateway that ended it.
constexpr milliseconds kLinkCheck(300);
// How soon a result held back for a handler that is behind is offered again.
constexpr milliseconds kDeliveryRetry(10);
// Traffic events on their way before the runs after them are left out.
constexpr long kTrafficBacklog = 4096;

// Seconds and microseconds of a time-out in milliseconds (at least 1 ms).
void SetTimeouts(mb_context *ctx, int responseMs)
{
    const int ms = std::max(responseMs, 1);
    mb_set_response_timeout(ctx, ms / 1000, (ms % 1000) * 1000);
    mb_set_byte_timeout(ctx, ms / 1000, (ms % 1000) * 1000);
}

} // namespace

void ModbusSession::DrainCancel()
{
    // Bytes are written only under the lock, with a new connection number
    // or the stop; the worker drains them under the lock before it looks at
    // either, so a byte never cuts short an exchange that started after it.
    if (!m_cancelled)
        return;
    m_cancelled = false;
    char bytes[64];
    while (read(m_cancelRead, bytes, sizeof bytes) > 0) {
    }
}

void ModbusSession::Run()
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        DrainCancel();
        if (m_ctx != nullptr && (!m_open || m_ctxConnection != m_connection))
            DropContext();
        if (m_stopping)
            break;
        PostDelayed();
        const Clock::time_point now = Clock::now();
        if (m_open && m_ctx == nullptr) {
            if (MakeContext())
                TryConnect(lock);
            continue;
        }
        if (m_open && m_state == ModbusLink::Down && now >= m_nextConnect) {
            TryConnect(lock);
            continue;
        }
        // Without a connection a job due fails at once: "not connected".
        if (const JobId due = DueJob(now); due != 0) {
            if (m_open && m_state == ModbusLink::Up)
                RunJob(lock, due);
            else
                FailJob(due, EBADF);
            continue;
        }
        if (m_open && m_state == ModbusLink::Up && now - m_lastLinkCheck >= kLinkCheck) {
            CheckLink();
            continue;
        }
        const Clock::time_point wake = NextWake(now);
        if (wake == Clock::time_point::max())
            m_wake.wait(lock);
        else
            m_wake.wait_until(lock, wake);
    }
    DropContext();
}

bool ModbusSession::MakeContext()
{
    m_ctx = mb_new_tcp(m_settings.host.c_str(), m_settings.port);
    if (m_ctx == nullptr) {
        m_open = false;
        DropJobs(false);
        SetState(ModbusLink::Closed, EINVAL);
        return false;
    }
    m_ctxConnection = m_connection;
    m_everUp = false;
    mb_set_framing(m_ctx, m_settings.framing);
    SetTimeouts(m_ctx, m_settings.responseTimeoutMs);
    const int connectMs = std::max(m_settings.connectTimeoutMs, 1);
    mb_set_connect_timeout(m_ctx, connectMs / 1000, (connectMs % 1000) * 1000);
    mb_set_cancel_fd(m_ctx, m_cancelRead);
    mb_set_trace(m_ctx, &ModbusSession::OnFrame, this);
    return true;
}

void ModbusSession::DropContext()
{
    mb_close(m_ctx);
    mb_free(m_ctx);
    m_ctx = nullptr;
}

void ModbusSession::TryConnect(std::unique_lock<std::mutex> &lock)
{
    const uint64_t connection = m_connection;
    lock.unlock();
    const int result = mb_connect(m_ctx);
    const int error = result == 0 ? 0 : errno;
    lock.lock();
    if (connection != m_connection)
        return;
    const Clock::time_point now = Clock::now();
    m_nextConnect = now + milliseconds(std::max(m_settings.reconnectPaceMs, 1));
    m_lastLinkCheck = now;
    if (result == 0) {
        m_everUp = true;
        SetState(ModbusLink::Up, 0);
    } else if (!m_everUp) {
        // The first connect: the user asked for it and is told it failed.
        m_open = false;
        DropJobs(false);
        SetState(ModbusLink::Closed, error);
    } else if (m_state != ModbusLink::Down) {
        SetState(ModbusLink::Down, error);
    }
}

void ModbusSession::CheckLink()
{
    // Only looks: what the socket holds is left to the next request.
    m_lastLinkCheck = Clock::now();
    if (mb_link_up(m_ctx) == 0) {
        mb_close(m_ctx);
        m_nextConnect = m_lastLinkCheck;
        SetState(ModbusLink::Down, ECONNRESET);
    }
}

JobId ModbusSession::DueJob(Clock::time_point now) const
{
    JobId best = 0;
    const Job *bestJob = nullptr;
    for (const auto &entry : m_jobs) {
        const Job &job = entry.second;
        // Periodic jobs wait for a connection; one-time jobs fail without.
        if (job.paused || job.running || job.due > now || (!m_open && job.asked.periodic))
            continue;
        if (bestJob == nullptr || job.due < bestJob->due ||
            (job.due == bestJob->due && job.sequence < bestJob->sequence)) {
            best = entry.first;
            bestJob = &job;
        }
    }
    return best;
}

ModbusSession::Clock::time_point ModbusSession::NextWake(Clock::time_point now) const
{
    Clock::time_point wake = Clock::time_point::max();
    for (const auto &entry : m_jobs) {
        const Job &job = entry.second;
        if (job.delayed)
            wake = std::min(wake, now + kDeliveryRetry);
        if ((m_open || !job.asked.periodic) && !job.paused && !job.running)
            wake = std::min(wake, job.due);
    }
    if (m_open && m_state == ModbusLink::Down)
        wake = std::min(wake, m_nextConnect);
    if (m_open && m_state == ModbusLink::Up)
        wake = std::min(wake, m_lastLinkCheck + kLinkCheck);
    return wake;
}

void ModbusSession::RunJob(std::unique_lock<std::mutex> &lock, JobId id)
{
    Job &job = m_jobs.at(id);
    job.running = true;
    JobResult result = ResultOf(id, job);
    const int ownTimeoutMs = job.asked.responseTimeoutMs;
    const bool rawAsIs = job.asked.rawAsIs;
    const int responseMs = m_settings.responseTimeoutMs;
    // The frames, and the addresses of their connection, cost system calls:
    // kept only when someone looks at them.
    m_frames.clear();
    m_keepFrames = !m_trafficWatchers.empty() || !result.raw.empty();
    lock.unlock();
    if (ownTimeoutMs > 0)
        SetTimeouts(m_ctx, ownTimeoutMs);
    result.reply = result.raw.empty() ? RunModbusRequest(m_ctx, result.request) : SendRaw(result.raw, rawAsIs);
    if (ownTimeoutMs > 0)
        SetTimeouts(m_ctx, responseMs);
    result.answeredAt = std::chrono::system_clock::now();
    result.frames.swap(m_frames);
    lock.lock();
    m_lastLinkCheck = Clock::now();
    const auto found = m_jobs.find(id);
    if (found != m_jobs.end())
        found->second.running = false;
    if (!result.reply.Ok())
        result.reason = RequestFailureReason(result.reply.error);
    // Every run goes to the traffic view, also one cut short by a close or
    // of a job removed meanwhile: its frames went over the wire.
    PostTraffic(result);
    if (result.connection != m_connection)
        return;
    if (!result.reply.linkUp) {
        mb_close(m_ctx);
        m_nextConnect = m_lastLinkCheck;
        SetState(ModbusLink::Down, result.reply.error != 0 ? result.reply.error : ECONNRESET);
    }
    if (found == m_jobs.end() || found->second.revision != result.revision)
        return;
    Finish(id, std::move(result));
}

ModbusReply ModbusSession::SendRaw(const std::vector<uint8_t> &frame, bool asIs)
{
    ModbusReply reply;
    mb_raw_frames frames;
    const Clock::time_point start = Clock::now();
    reply.result = mb_send_raw(m_ctx, frame.data(), static_cast<int>(frame.size()), asIs ? 1 : 0, &frames);
    reply.error = reply.result < 0 ? errno : 0;
    reply.roundTrip = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    reply.linkUp = mb_link_up(m_ctx) != 0;
    return reply;
}

void ModbusSession::FailJob(JobId id, int error)
{
    JobResult result = ResultOf(id, m_jobs.at(id));
    result.reply.error = error;
    result.reason = RequestFailureReason(error);
    result.answeredAt = std::chrono::system_clock::now();
    Finish(id, std::move(result));
}

void ModbusSession::Finish(JobId id, JobResult result)
{
    Job &job = m_jobs.at(id);
    JobCounts &counts = job.counts;
    ++counts.sent;
    if (result.reply.Ok()) {
        const std::chrono::microseconds trip = result.reply.roundTrip;
        counts.last = trip;
        counts.min = counts.answered == 0 ? trip : std::min(counts.min, trip);
        counts.max = std::max(counts.max, trip);
        counts.total += trip;
        ++counts.answered;
    } else {
        ++counts.failed;
        counts.lastError = result.reply.error;
        counts.lastReason = result.reason;
    }
    result.counts = counts;
    if (!job.asked.periodic) {
        if (job.waiter)
            job.waiter->set_value(result);
        else
            PostResult(job, result);
        m_jobs.erase(id);
        return;
    }
    // A run slower than the period starts the next at once, without a burst
    // to catch up.
    job.due = std::max(job.due + milliseconds(job.asked.periodMs), Clock::now());
    PostResult(job, result);
}

void ModbusSession::PostResult(Job &job, const JobResult &result)
{
    wxEvtHandler *handler = job.asked.handler != nullptr ? job.asked.handler : m_handler;
    if (handler == nullptr || m_stopping)
        return;
    // Only the newest result of a periodic job waits: a handler that falls
    // behind a fast poll shows the latest, and its queue never grows.
    if (job.asked.periodic && job.ticket.use_count() > 1) {
        job.delayed = true;
        job.newest = result;
        return;
    }
    job.delayed = false;
    handler->AddPendingEvent(ModbusSessionEvent(EVT_MODBUS_RESULT, result, job.ticket));
}

void ModbusSession::PostDelayed()
{
    for (auto &entry : m_jobs) {
        Job &job = entry.second;
        if (job.delayed && job.ticket.use_count() == 1)
            PostResult(job, job.newest);
    }
}

void ModbusSession::PostTraffic(const JobResult &result)
{
    if (m_stopping)
        return;
    for (TrafficWatcher &watcher : m_trafficWatchers) {
        if (watcher.ticket.use_count() - 1 > kTrafficBacklog) {
            ++watcher.lost;
            continue;
        }
        JobResult traffic = result;
        traffic.trafficLost = watcher.lost;
        watcher.lost = 0;
        watcher.handler->AddPendingEvent(ModbusSessionEvent(EVT_MODBUS_TRAFFIC, std::move(traffic), watcher.ticket));
    }
}

void ModbusSession::OnFrame(void *self, int sent, const uint8_t *frame, int length)
{
    auto *session = static_cast<ModbusSession *>(self);
    if (!session->m_keepFrames)
        return;
    TrafficFrame traffic;
    traffic.sent = sent != 0;
    traffic.bytes.assign(frame, frame + std::max(length, 0));
    traffic.time = std::chrono::system_clock::now();
    ConnectionOfSocket(mb_get_socket(session->m_ctx), traffic.connection);
    session->m_frames.push_back(std::move(traffic));
}
