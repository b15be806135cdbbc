#include "uart/chunk_gate.h"

bool ChunkGate::Acquire()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return m_closed || m_inFlight < m_capacity; });
    if (m_closed)
        return false;
    ++m_inFlight;
    return true;
}

void ChunkGate::Release(size_t count)
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_inFlight = count < m_inFlight ? m_inFlight - count : 0;
    }
    m_changed.notify_all();
}

void ChunkGate::Close()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_closed = true;
    }
    m_changed.notify_all();
}

void ChunkGate::Open()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    m_closed = false;
}

size_t ChunkGate::InFlight() const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    return m_inFlight;
}
