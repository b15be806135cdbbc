// The received chunks on their way from the read thread to the views. The
// read thread takes a slot for every chunk (ChunkGate) and waits while all
// are taken, so a module sending faster than the views can show is slowed by
// the link's flow control instead of growing the queue without limit; the
// GUI thread takes the chunks in bulk and gives their slots back once they
// are shown or dropped.
#ifndef ORV_UART_RECEIVE_INBOX_H
#define ORV_UART_RECEIVE_INBOX_H

#include "uart/chunk_gate.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class ReceiveInbox {
public:
    // A block of 2 + n bytes: n, high byte first, then the n bytes received.
    using Chunk = std::unique_ptr<uint8_t[]>;
    static Chunk MakeChunk(const uint8_t *data, size_t size);
    static size_t ChunkSize(const uint8_t *block) { return (static_cast<size_t>(block[0]) << 8) | block[1]; }

    explicit ReceiveInbox(size_t capacity) : m_gate(capacity) {}

    // Read thread: waits for a slot and takes it; false once closed.
    bool Reserve() { return m_gate.Acquire(); }
    // Read thread: puts the chunk of a slot taken; true when the GUI thread
    // waits to be woken for it (AwaitWake), once per wait.
    bool Put(Chunk chunk);

    // GUI thread: moves every waiting chunk to the end of `to`; false when
    // none waited.
    bool TakeAll(std::deque<Chunk> &to);
    // GUI thread: the next chunk put wakes it; false when chunks wait
    // already (take them instead). While the GUI thread shows chunks at its
    // own pace it asks for no wake, so a steady stream costs no event per
    // chunk.
    bool AwaitWake();
    // GUI thread: gives back the slots of chunks shown or dropped.
    void Release(size_t count) { m_gate.Release(count); }
    // GUI thread: a new connection's reader may take slots again, and its
    // bytes are counted from zero; Close wakes a waiting reader and refuses
    // slots until then.
    void Open();
    void Close() { m_gate.Close(); }
    size_t InFlight() const { return m_gate.InFlight(); }
    // Bytes put since the last Open.
    uint64_t BytesReceived() const { return m_bytesReceived; }

private:
    ChunkGate m_gate;
    std::mutex m_lock;
    std::deque<Chunk> m_chunks;
    bool m_wakeAwaited = true;
    std::atomic<uint64_t> m_bytesReceived{0};
};

#endif
