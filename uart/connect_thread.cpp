#include "uart/connect_thread.h"

#include "uart/uart_link.h"
#include "uart/worker_events.h"
#include "uart/worker_lifetimes.h"

#include <chrono>

ConnectThread::ConnectThread(UartLink *link, std::unique_ptr<LinkOpener> opener, int attempt, int delayMs)
    : wxThread(wxTHREAD_DETACHED), m_link(link), m_opener(std::move(opener)), m_attempt(attempt), m_delayMs(delayMs)
{
}

ConnectThread::~ConnectThread()
{
    m_link->OnConnectThreadGone(this);
}

void ConnectThread::Abandon()
{
    Delete();
    m_abandoned.Stop();
    m_opener->Abandon();
}

wxThread::ExitCode ConnectThread::Entry()
{
    worker_lifetimes::Enter();
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_delayMs);
    if (!m_abandoned.SleepUntil(due))
        return nullptr;
    std::string reason;
    std::unique_ptr<LinkChannel> channel = m_opener->Open(reason);
    if (TestDestroy())
        return nullptr;
    if (channel)
        Post(EVT_CONNECTED, channel.release(), std::string());
    else
        Post(EVT_CONNECT_FAILED, nullptr, reason);
    return nullptr;
}

void ConnectThread::Post(int type, LinkChannel *channel, const std::string &reason)
{
    wxCommandEvent event(type, type);
    event.SetInt(m_attempt);
    event.SetClientData(channel);
    event.SetString(wxString::FromUTF8(reason));
    m_link->Post(event);
}
