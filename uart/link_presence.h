// Whether the UART link is up, as the senders see it. A sender whose send
// failed while the user asked to ride drops out waits here until the link
// is back and then sends on, on the new connection: the drop costs the run
// nothing but the messages due while the link was down.
#ifndef ORV_UART_LINK_PRESENCE_H
#define ORV_UART_LINK_PRESENCE_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class LinkPresence {
public:
    // GUI thread: a new connection is up.
    void Up();
    // GUI thread: the link dropped and is being taken up again.
    void Down();
    // GUI thread: no connection, and none comes by itself.
    void Gone();
    // Any thread: whether a drop is ridden out (the reconnect option).
    void SetRideOut(bool on) { m_rideOut = on; }

    // Senders: the number of the connection up now (it grows with each).
    uint64_t Generation() const;
    // After a send on connection `generation` failed: true once a newer
    // connection is up. False at once when drops are not ridden out, and
    // once the link is gone or `stopping` (asked every few milliseconds)
    // says the sender is being stopped.
    bool WaitForReturn(uint64_t generation, const std::function<bool()> &stopping);

private:
    enum class State { Gone, Up, Down };
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    State m_state = State::Gone;
    uint64_t m_generation = 0;
    std::atomic<bool> m_rideOut{false};
};

#endif
