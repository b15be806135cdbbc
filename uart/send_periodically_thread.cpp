#include "uart/send_periodically_thread.h"

#include "uart/error_text.h"
#include "uart/periodic_pacer.h"
#include "uart/uart_link.h"
#include "uart/worker_events.h"
#include "uart/worker_lifetimes.h"

#include <cerrno>

namespace {

// How often a sender waiting for room in the send buffer looks for a stop.
constexpr int kRoomPollMs = 20;

} // namespace

SendPeriodicallyThread::SendPeriodicallyThread(UartLink *link, PeriodicMessage message, int interval_ms,
                                               bool useCounter, int run)
    : wxThread(wxTHREAD_DETACHED), m_link(link), m_message(std::move(message)), m_interval(interval_ms),
      m_useCounter(useCounter), m_run(run)
{
}

SendPeriodicallyThread::~SendPeriodicallyThread()
{
    m_link->OnPeriodicThreadGone(this);
}

void SendPeriodicallyThread::RequestStop()
{
    m_stop.Stop();
}

wxThread::ExitCode SendPeriodicallyThread::Entry()
{
    worker_lifetimes::Enter();
    PeriodicPacer pacer(PeriodicPacer::Clock::now(), std::chrono::milliseconds(m_interval));
    MessageCounter counter;
    uintptr_t sent = 0;
    while (!TestDestroy() && m_stop.SleepUntil(pacer.Next()) && WaitForRoom()) {
        const std::vector<uint8_t> bytes = m_useCounter ? WithCounter(m_message, counter.Value()) : m_message.bytes;
        const uint64_t connection = m_link->Presence().Generation();
        const int outcome = SendWhole(bytes);
        if (outcome < 0) {
            const int failure = errno;
            // Back on a new connection, the message that failed goes again.
            if (m_link->Presence().WaitForReturn(connection, [this] { return Stopping(); }))
                continue;
            Post(EVT_PERIODIC_SEND_FAILED, 0, SystemErrorText(failure));
            break;
        }
        if (outcome > 0)
            break;
        counter.Advance();
        ++sent;
        pacer.Sent(PeriodicPacer::Clock::now());
    }
    if (m_useCounter)
        Post(EVT_PERIODIC_DONE, sent);
    return nullptr;
}

// The room waited for can be taken by the stream before this send: then a
// blocking send would hold this thread, and the link stopping it, until the
// module reads again. So the rest waits in short steps that look for a stop.
int SendPeriodicallyThread::SendWhole(const std::vector<uint8_t> &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        auto length = static_cast<uint16_t>(bytes.size() - done);
        const int result =
            m_link->SendWithin(reinterpret_cast<const char *>(bytes.data() + done), &length, kRoomPollMs);
        done += length;
        if (result == 0)
            continue;
        if (result != LinkConnection::kTimedOut)
            return -1;
        if (Stopping())
            return 1;
    }
    return 0;
}

bool SendPeriodicallyThread::WaitForRoom()
{
    while (!m_link->WaitSendable(kRoomPollMs))
        if (Stopping())
            return false;
    return true;
}

void SendPeriodicallyThread::Post(wxEventType type, uintptr_t value, const std::string &text)
{
    wxCommandEvent event(type, static_cast<int>(type));
    event.SetInt(m_run);
    event.SetString(wxString::FromUTF8(text));
    event.SetClientData(reinterpret_cast<void *>(value));
    m_link->Post(event);
}
