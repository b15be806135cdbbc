// What a Modbus session (modbus_session.h) tells the window, as queued
// events that carry their own copies: the state of the link, and the
// result of each run of a job, which the handlers watching the traffic get
// as well, every one of them, with the frames that went over the wire.
#ifndef ORV_MODBUS_SESSION_EVENT_H
#define ORV_MODBUS_SESSION_EVENT_H

#include "modbus/modbus_request.h"
#include "modbus/pcap_writer.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <wx/event.h>

// Ids of the session's jobs, never used twice by one session; 0 is none.
using JobId = uint64_t;

enum class ModbusLink {
    Closed,     // not open, or the first connect failed
    Connecting, // the first connect of an Open is on its way
    Up,
    Down, // the connection was lost; the session connects again by itself
};

struct LinkReport {
    ModbusLink state = ModbusLink::Closed;
    // The connection (Open) it belongs to; an older one's report is stale.
    uint64_t connection = 0;
    // Why a connect failed or the connection was lost (errno), and in the
    // user's terms ("Connection refused", "connection closed").
    int error = 0;
    std::string reason;
};

// One frame as it went over the wire, with its CRC or MBAP header: a
// request sent, or an answer as far as it came.
struct TrafficFrame {
    bool sent = true;
    std::vector<uint8_t> bytes;
    std::chrono::system_clock::time_point time;
    // Its connection's addresses and ports (all 0 when it had none).
    TcpConnection connection;
};

// The counts of a periodic job since it was added.
struct JobCounts {
    uint64_t sent = 0;
    uint64_t failed = 0;
    int lastError = 0;      // errno of the last failure
    std::string lastReason; // and in the user's terms ("no answer")
    // Round trips of the answered requests.
    uint64_t answered = 0;
    std::chrono::microseconds last{0};
    std::chrono::microseconds min{0};
    std::chrono::microseconds max{0};
    std::chrono::microseconds total{0};

    std::chrono::microseconds Average() const
    {
        return answered == 0 ? std::chrono::microseconds(0) : total / static_cast<int64_t>(answered);
    }
};

struct JobResult {
    JobId job = 0;
    long tag = 0;          // the job's own, as given
    uint64_t revision = 0; // of the job's request: Change makes a new one
    uint64_t connection = 0;
    bool periodic = false;
    ModbusRequest request;
    // A raw job's frame as given (its answer is the frames' last).
    std::vector<uint8_t> raw;
    // The values, or the error with its reason ("" on success), and the
    // round trip.
    ModbusReply reply;
    std::string reason;
    std::chrono::system_clock::time_point answeredAt;
    // The frames of this run, in order (also of a failed one, as far as
    // they came): while a handler watches the traffic, and always for a raw
    // job.
    std::vector<TrafficFrame> frames;
    // A periodic job's counts after this run.
    JobCounts counts;
    // Traffic events only: runs before this one that this handler did not
    // get because it fell behind.
    uint64_t trafficLost = 0;
};

class ModbusSessionEvent : public wxEvent {
public:
    ModbusSessionEvent(wxEventType type, const LinkReport &link);
    ModbusSessionEvent(wxEventType type, JobResult result, std::shared_ptr<void> ticket);

    wxEvent *Clone() const override { return new ModbusSessionEvent(*this); }
    // Like wxThreadEvent: it comes from the session's worker.
    wxEventCategory GetEventCategory() const override { return wxEVT_CATEGORY_THREAD; }

    const LinkReport &Link() const { return m_link; }
    const JobResult &Result() const { return m_result; }

private:
    LinkReport m_link;
    JobResult m_result;
    // Held by each copy of the event until it has been handled, so that the
    // session knows how many are still on their way.
    std::shared_ptr<void> m_ticket;
};

// The link changed (to the session's handler).
wxDECLARE_EVENT(EVT_MODBUS_LINK, ModbusSessionEvent);
// A job ran (to the job's handler). Of a periodic job whose handler falls
// behind, only the newest waits: a newer result replaces one not yet sent.
wxDECLARE_EVENT(EVT_MODBUS_RESULT, ModbusSessionEvent);
// A job ran (to each handler watching the traffic): every run, in order.
wxDECLARE_EVENT(EVT_MODBUS_TRAFFIC, ModbusSessionEvent);

typedef void (wxEvtHandler::*ModbusSessionEventFunction)(ModbusSessionEvent &);
#define ModbusSessionEventHandler(func) wxEVENT_HANDLER_CAST(ModbusSessionEventFunction, func)

#endif
