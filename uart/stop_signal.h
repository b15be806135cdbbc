// A stop request that ends a worker's pause at once: a worker that sleeps
// through its whole interval would keep the one who stops it waiting for up
// to that interval (999 s is a valid period).
#ifndef ORV_UART_STOP_SIGNAL_H
#define ORV_UART_STOP_SIGNAL_H

#include <chrono>
#include <condition_variable>
#include <mutex>

class StopSignal {
public:
    void Stop();
    bool Stopped() const;
    // Sleeps until `deadline`; false, at once, when a stop is or gets asked.
    bool SleepUntil(std::chrono::steady_clock::time_point deadline);

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_stopped = false;
};

#endif
