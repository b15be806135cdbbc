#include "uart/stop_signal.h"

void StopSignal::Stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_stopped = true;
    }
    m_changed.notify_all();
}

bool StopSignal::Stopped() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_stopped;
}

bool StopSignal::SleepUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_until(lock, deadline, [this] { return m_stopped; });
    return !m_stopped;
}
