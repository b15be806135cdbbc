// Stand-ins for what a test cannot make the machine do when it wants: a disk
// that holds up the log's writes, a wall clock set back, another thread that
// fails at just the wrong moment. They replace the C library's fflush,
// gettimeofday and pthread_rwlock_unlock in the test program, and pass every
// call through unchanged while they are not in use.
#ifndef ORV_TESTS_UART_SYSTEM_STAND_INS_H
#define ORV_TESTS_UART_SYSTEM_STAND_INS_H

#include <chrono>

namespace uart_testing {

// While it lives, a flush of a receive log ("wifilog-" in its path) waits,
// as on a stalled disk, until Release or the end of this object.
class StalledLogWrites {
public:
    StalledLogWrites();
    ~StalledLogWrites();
    StalledLogWrites(const StalledLogWrites &) = delete;
    StalledLogWrites &operator=(const StalledLogWrites &) = delete;

    // Waits up to `timeout` until a log write is being held.
    bool WaitHeld(std::chrono::milliseconds timeout);
    // Lets held and later writes go on; any thread may call it.
    void Release();
};

// While it lives, the wall clock reads `back` earlier than it is.
class WallClockSetBack {
public:
    explicit WallClockSetBack(std::chrono::seconds back);
    ~WallClockSetBack();
    WallClockSetBack(const WallClockSetBack &) = delete;
    WallClockSetBack &operator=(const WallClockSetBack &) = delete;
};

// While it lives, each time the thread that made it lets go of a reader-
// writer lock (as a send lets go of the connection, after it has recorded
// its failure), `text` is recorded as the socket layer's shared last error:
// what a stream or a periodic sender failing at that moment leaves there.
class FailureRecordedMeanwhile {
public:
    explicit FailureRecordedMeanwhile(const char *text);
    ~FailureRecordedMeanwhile();
    FailureRecordedMeanwhile(const FailureRecordedMeanwhile &) = delete;
    FailureRecordedMeanwhile &operator=(const FailureRecordedMeanwhile &) = delete;
};

// While it lives, the next worker thread the toolkit starts from the thread
// that made it fails to start (EAGAIN), as on a system out of threads.
// Threads the toolkit's own libraries start are left alone.
class WorkerStartRefused {
public:
    WorkerStartRefused();
    ~WorkerStartRefused();
    WorkerStartRefused(const WorkerStartRefused &) = delete;
    WorkerStartRefused &operator=(const WorkerStartRefused &) = delete;
    // Whether a start has been refused.
    bool Refused() const;
};

} // namespace uart_testing

#endif
