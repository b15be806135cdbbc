// One connection attempt of the UART link, run beside the GUI thread: opens
// the link with the transport's opener, after a pause when the link is
// being taken up again, and posts the result (EVT_CONNECTED with the open
// channel, or EVT_CONNECT_FAILED with the reason).
#ifndef ORV_UART_CONNECT_THREAD_H
#define ORV_UART_CONNECT_THREAD_H

#include "uart/link_transport.h"
#include "uart/stop_signal.h"

#include <memory>
#include <string>
#include <wx/thread.h>

class UartLink;

class ConnectThread : public wxThread {
public:
    // `attempt` travels in the result events, so a late result of an attempt
    // the link gave up is never taken for a newer one.
    ConnectThread(UartLink *link, std::unique_ptr<LinkOpener> opener, int attempt, int delayMs);
    ~ConnectThread() override;

    // GUI thread: gives the attempt up. A pause or a pending open ends at
    // once, the link is closed and nothing is posted.
    void Abandon();

protected:
    ExitCode Entry() override;

private:
    void Post(int type, LinkChannel *channel, const std::string &reason);

    UartLink *const m_link;
    const std::unique_ptr<LinkOpener> m_opener;
    const int m_attempt;
    const int m_delayMs;
    StopSignal m_abandoned;
};

#endif
