#include "modbus/scan_runner.h"

void ScanRunner::Start(std::function<void()> scan)
{
    Stop();
    m_cancelled = false;
    m_thread = std::thread(std::move(scan));
}

void ScanRunner::Stop()
{
    m_cancelled = true;
    if (m_thread.joinable())
        m_thread.join();
}
