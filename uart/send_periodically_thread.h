// The sender of periodic sending: repeats one message on the UART link, one
// every interval, optionally with a 16-bit message counter in its first two
// bytes. A send that fails ends it, with EVT_PERIODIC_SEND_FAILED, unless the
// link rides the drop out: then the run goes on once the link is back.
#ifndef ORV_UART_SEND_PERIODICALLY_THREAD_H
#define ORV_UART_SEND_PERIODICALLY_THREAD_H

#include "uart/periodic_message.h"
#include "uart/stop_signal.h"

#include <cstdint>
#include <string>
#include <vector>
#include <wx/event.h>
#include <wx/thread.h>

class UartLink;

class SendPeriodicallyThread : public wxThread {
public:
    // The message goes out whole (padded already, if padding was asked for).
    // `run` travels in the events, so that the link knows a late one.
    SendPeriodicallyThread(UartLink *link, PeriodicMessage message, int interval_ms, bool useCounter, int run);
    ~SendPeriodicallyThread() override;

    // Ends the pause between messages at once; no message goes out after
    // this returns, except one already being sent. Any thread may call it.
    void RequestStop();

protected:
    ExitCode Entry() override;

private:
    // Waits until the connection can take a message without blocking, so
    // that a peer that stopped reading cannot hold up a stop.
    bool WaitForRoom();
    // Sends one message: 0 when it went out whole, 1 when a stop came while
    // the connection had no room, -1 on a failure (errno says which).
    int SendWhole(const std::vector<uint8_t> &bytes);
    bool Stopping() { return m_stop.Stopped() || TestDestroy(); }
    void Post(wxEventType type, uintptr_t value, const std::string &text = std::string());

    UartLink *const m_link;
    const PeriodicMessage m_message;
    const int m_interval;
    const bool m_useCounter;
    const int m_run;
    StopSignal m_stop;
};

#endif
