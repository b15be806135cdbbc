// A scan of the window on a thread of its own: the scan waits for each
// answer (ModbusSession::Await), which the GUI thread never does. The
// runner is owned by the dialog that shows the scan; destroyed, it cancels
// and joins: bounded, since the scan asks with a short time-out, and a
// closed session ends every wait at once.
#ifndef ORV_MODBUS_SCAN_RUNNER_H
#define ORV_MODBUS_SCAN_RUNNER_H

#include <atomic>
#include <functional>
#include <thread>

class ScanRunner {
public:
    ScanRunner() = default;
    ~ScanRunner() { Stop(); }
    ScanRunner(const ScanRunner &) = delete;
    ScanRunner &operator=(const ScanRunner &) = delete;

    // Runs `scan` on the thread (an earlier one is stopped first); the scan
    // asks Cancelled() before each request.
    void Start(std::function<void()> scan);
    void Cancel() { m_cancelled = true; }
    bool Cancelled() const { return m_cancelled; }
    // Cancels and waits for the thread.
    void Stop();

private:
    std::atomic<bool> m_cancelled{false};
    std::thread m_thread;
};

#endif
