#include "uart/receive_inbox.h"

#include <algorithm>

ReceiveInbox::Chunk ReceiveInbox::MakeChunk(const uint8_t *data, size_t size)
{
    Chunk block(new uint8_t[2 + size]);
    block[0] = static_cast<uint8_t>(size >> 8);
    block[1] = static_cast<uint8_t>(size & 0xff);
    std::copy(data, data + size, block.get() + 2);
    return block;
}

bool ReceiveInbox::Put(Chunk chunk)
{
    m_bytesReceived += ChunkSize(chunk.get());
    const std::lock_guard<std::mutex> lock(m_lock);
    m_chunks.push_back(std::move(chunk));
    const bool wake = m_wakeAwaited;
    m_wakeAwaited = false;
    return wake;
}

bool ReceiveInbox::TakeAll(std::deque<Chunk> &to)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (m_chunks.empty())
        return false;
    for (Chunk &chunk : m_chunks)
        to.push_back(std::move(chunk));
    m_chunks.clear();
    return true;
}

bool ReceiveInbox::AwaitWake()
{
    const std::lock_guard<std::mutex> lock(m_lock);
    m_wakeAwaited = m_chunks.empty();
    return m_wakeAwaited;
}

void ReceiveInbox::Open()
{
    m_bytesReceived = 0;
    {
        // A wake too many costs an event; one missed would strand the
        // chunks.
        const std::lock_guard<std::mutex> lock(m_lock);
        m_wakeAwaited = true;
    }
    m_gate.Open();
}
