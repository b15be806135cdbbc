// Bounds the received chunks that are on their way to the screen: the receive
// thread takes a slot for every chunk it hands over and waits while all are
// taken, so a module sending faster than the views can show is slowed by
// TCP flow control instead of growing the inbox without limit.
#ifndef ORV_UART_CHUNK_GATE_H
#define ORV_UART_CHUNK_GATE_H

#include <condition_variable>
#include <cstddef>
#include <mutex>

class ChunkGate {
public:
    explicit ChunkGate(size_t capacity) : m_capacity(capacity) {}

    // Waits for a free slot and takes it; false once the gate is closed.
    bool Acquire();
    // Gives back `count` slots (the chunks have been shown or dropped).
    void Release(size_t count = 1);
    // Wakes a waiting receive thread and refuses slots until Open().
    void Close();
    void Open();
    size_t InFlight() const;

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    const size_t m_capacity;
    size_t m_inFlight = 0;
    bool m_closed = false;
};

#endif
