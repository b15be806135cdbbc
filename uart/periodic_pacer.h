// When the messages of periodic sending are due. Message k (counted from 1)
// is due at start + k x interval, so the period is the one the user typed
// however long each send and each wake-up take; a pause before every send
// would add both to every period.
#ifndef ORV_UART_PERIODIC_PACER_H
#define ORV_UART_PERIODIC_PACER_H

#include <chrono>
#include <cstdint>

class PeriodicPacer {
public:
    using Clock = std::chrono::steady_clock;

    PeriodicPacer(Clock::time_point start, std::chrono::milliseconds interval);

    // When the next message is due.
    Clock::time_point Next() const;
    // After a send at `now`. A sender that fell behind catches up by one
    // message at most: older missed turns are skipped rather than sent in a
    // burst.
    void Sent(Clock::time_point now);

private:
    const Clock::time_point m_start;
    const Clock::duration m_interval;
    int64_t m_turn = 1;
};

#endif
