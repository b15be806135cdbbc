#include "uart/periodic_pacer.h"

#include <algorithm>

PeriodicPacer::PeriodicPacer(Clock::time_point start, std::chrono::milliseconds interval)
    : m_start(start), m_interval(std::max(interval, std::chrono::milliseconds(0)))
{
}

PeriodicPacer::Clock::time_point PeriodicPacer::Next() const
{
    return m_start + m_turn * m_interval;
}

void PeriodicPacer::Sent(Clock::time_point now)
{
    ++m_turn;
    if (m_interval.count() > 0 && now > m_start)
        m_turn = std::max<int64_t>(m_turn, (now - m_start) / m_interval);
}
