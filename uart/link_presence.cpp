#include "uart/link_presence.h"

#include <chrono>

namespace {

// How often a waiting sender looks whether it is being stopped.
constexpr std::chrono::milliseconds kStopPoll(20);

} // namespace

void LinkPresence::Up()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_state = State::Up;
        ++m_generation;
    }
    m_changed.notify_all();
}

void LinkPresence::Down()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    m_state = State::Down;
}

void LinkPresence::Gone()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_state = State::Gone;
    }
    m_changed.notify_all();
}

uint64_t LinkPresence::Generation() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_generation;
}

// The connection that failed may still count as up for a moment: the GUI
// thread hears of a drop only after the send that met it.
bool LinkPresence::WaitForReturn(uint64_t generation, const std::function<bool()> &stopping)
{
    if (!m_rideOut)
        return false;
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        if (m_state == State::Gone)
            return false;
        if (m_state == State::Up && m_generation != generation)
            return true;
        m_changed.wait_for(lock, kStopPoll);
        lock.unlock();
        const bool stop = stopping();
        lock.lock();
        if (stop)
            return false;
    }
}
