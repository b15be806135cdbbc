// The one owner of a Modbus connection: its client context, framing and
// time-outs, and its reconnects. One worker thread runs the jobs (a form's
// Send, each block's periodic read, a write, a raw frame) one at a time on
// the connection, in the order they fall due, so that a slow answer delays
// the others but never mixes with them. Everything comes back as queued
// events (session_event.h) to the handlers given; nothing here waits on the
// network or knows a window.
//
// The methods are for one thread, the GUI's (Await excepted); they take the
// session's lock only for as long as the worker holds it between two
// exchanges, never across one.
#ifndef ORV_MODBUS_MODBUS_SESSION_H
#define ORV_MODBUS_MODBUS_SESSION_H

#include "modbus/session_event.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class wxEvtHandler;

struct ConnectionSettings {
    std::string host; // a dotted IPv4 address
    int port = MODBUS_PORT;
    int framing = MB_FRAMING_RTU;
    // The wait for an answer's first bytes, and for each further part.
    int responseTimeoutMs = 500;
    int connectTimeoutMs = 5000;
    // The least time between two connects after the connection was lost.
    int reconnectPaceMs = 1000;
};

// What a job runs.
struct SessionJob {
    ModbusRequest request;
    // When not empty, this frame goes instead of `request` (mb_send_raw):
    // unit id and protocol data unit, framed like any request, or with
    // `rawAsIs` exactly as given.
    std::vector<uint8_t> raw;
    bool rawAsIs = false;
    // This job's own answer time-out; 0 for the connection's.
    int responseTimeoutMs = 0;
    // A periodic job runs every `periodMs` (from the start of one run to the
    // next; a run slower than that starts the next at once, without
    // catching up), with 0 back to back; else it runs once.
    bool periodic = false;
    int periodMs = 0;
    // Where its results go; nullptr for the session's handler.
    wxEvtHandler *handler = nullptr;
    long tag = 0;
};

class ModbusSession {
public:
    // `handler` gets the link's events and the results of jobs without a
    // handler of their own.
    explicit ModbusSession(wxEvtHandler *handler);
    // Closes, and ends the worker: bounded, as every wait of the worker ends
    // at once on the close.
    ~ModbusSession();
    ModbusSession(const ModbusSession &) = delete;
    ModbusSession &operator=(const ModbusSession &) = delete;

    // Connects to `settings` on the worker (an open session closes first)
    // and returns the new connection's number. EVT_MODBUS_LINK says
    // Connecting, then Up, or Closed with the reason when this first
    // connect fails. A connection lost later goes Down, and the session
    // connects again by itself, at most once a reconnect pace, until it is
    // Up again or closed; jobs due meanwhile fail at once ("not connected").
    uint64_t Open(const ConnectionSettings &settings);
    // Ends the connection at once: an exchange on its way is cut short and
    // its result dropped, and so are the one-time jobs not yet run (an
    // Await gets ECANCELED). Periodic jobs stay, idle until the next Open.
    void Close();
    ModbusLink State() const;
    // The connection of the last Open; results and reports of another one
    // are stale.
    uint64_t Connection() const;
    ConnectionSettings Settings() const;

    // Queues a job; a one-time job falls due at once, a periodic one too
    // and then at each period.
    JobId Submit(const SessionJob &job);
    // A periodic job's new request or period, due at once; its counts go
    // on. Results of the older request still on their way are dropped.
    // False for a job that is gone.
    bool Change(JobId id, const SessionJob &job);
    // After it returns no event of the job is sent any more; its run on
    // its way, if any, is dropped.
    void Remove(JobId id);
    // A paused periodic job stays but does not run; resumed, it falls due
    // at once.
    void Pause(JobId id, bool paused);
    void PauseAll(bool paused);
    std::optional<JobCounts> Counts(JobId id) const;

    // Runs a one-time job and waits for its result. For worker threads of
    // the callers (scans): never on the GUI thread.
    JobResult Await(SessionJob job);

    // `handler` gets every run's result with its frames as EVT_MODBUS_TRAFFIC
    // (the traffic view, a capture), until it is unwatched; after that
    // returns, nothing more is sent to it. Should a handler fall more than a
    // few thousand events behind, the runs after those are left out for it
    // and counted.
    void WatchTraffic(wxEvtHandler *handler);
    void UnwatchTraffic(wxEvtHandler *handler);

private:
    using Clock = std::chrono::steady_clock;

    struct Job {
        SessionJob asked;
        uint64_t revision = 1;
        uint64_t sequence = 0; // among jobs due at once, the older first
        Clock::time_point due;
        bool paused = false;
        bool running = false;
        JobCounts counts;
        // Copies ride on its result events until they are handled.
        std::shared_ptr<int> ticket = std::make_shared<int>(0);
        // A result that waits for the one before it to be handled.
        bool delayed = false;
        JobResult newest;
        // Await's.
        std::shared_ptr<std::promise<JobResult>> waiter;
    };

    void Run();
    // The steps of the worker; `lock` holds m_lock on entry and return.
    bool MakeContext();
    void DropContext();
    void TryConnect(std::unique_lock<std::mutex> &lock);
    void CheckLink();
    JobId DueJob(Clock::time_point now) const;
    void RunJob(std::unique_lock<std::mutex> &lock, JobId id);
    ModbusReply SendRaw(const std::vector<uint8_t> &frame, bool asIs);
    JobResult ResultOf(JobId id, const Job &job) const;
    void FailJob(JobId id, int error);
    void Finish(JobId id, JobResult result);
    Clock::time_point NextWake(Clock::time_point now) const;
    void SetState(ModbusLink state, int error);
    void PostResult(Job &job, const JobResult &result);
    void PostTraffic(const JobResult &result);
    void PostDelayed();
    void Cancel();
    void DrainCancel();
    void CloseLocked();
    // The one-time jobs go (their Await ends with ECANCELED); with `all`,
    // the periodic ones too.
    void DropJobs(bool all);
    static void OnFrame(void *self, int sent, const uint8_t *frame, int length);

    wxEvtHandler *const m_handler;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stopping = false;
    // What the GUI asked for.
    bool m_open = false;
    uint64_t m_connection = 0;
    ConnectionSettings m_settings;
    ModbusLink m_state = ModbusLink::Closed;
    Clock::time_point m_nextConnect;
    std::map<JobId, Job> m_jobs;
    JobId m_lastId = 0;
    uint64_t m_lastSequence = 0;
    struct TrafficWatcher {
        wxEvtHandler *handler = nullptr;
        std::shared_ptr<int> ticket = std::make_shared<int>(0);
        uint64_t lost = 0;
    };
    std::vector<TrafficWatcher> m_trafficWatchers;
    // A byte in it ends the worker's wait for the network (mb_set_cancel_fd).
    int m_cancelRead = -1;
    int m_cancelWrite = -1;
    bool m_cancelled = false;

    // The worker's own.
    mb_context *m_ctx = nullptr;
    uint64_t m_ctxConnection = 0;
    bool m_everUp = false;
    Clock::time_point m_lastLinkCheck;
    std::vector<TrafficFrame> m_frames;
    bool m_keepFrames = false;
    std::thread m_worker;
};

#endif
