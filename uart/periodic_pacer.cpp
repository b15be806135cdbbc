#include "uart/periodic_pacer.h"

#include <algorithm>

PeriodicPacer::PeriodicPacer(Clock::time_point start, std::chrono::milliseconds interval)
    : m_start(start), m_interval(std::max(interval, std::chrono::milliseconds(0))), m_notBefore(start)
{
}

PeriodicPacer::Clock::time_point PeriodicPacer::Next() const
{
    return std::max(m_start + m_turn * m_interval, m_notBefore);
}

void PeriodicPacer::Sent(Clock::time_point now)
{
    Advance(now);
}

void PeriodicPacer::Failed(Clock::time_point now)
{
    // The turns that pass during the pause are skipped, so the retry is not
    // followed by a message to catch up.
    m_notBefore = now + kRetryPause;
    Advance(m_notBefore);
}

void PeriodicPacer::Advance(Clock::time_point now)
{
    ++m_turn;
    if (m_interval.count() > 0 && now > m_start)
        m_turn = std::max<int64_t>(m_turn, (now - m_start) / m_interval);
}
