#include "uart/receive_log.h"

#include <ctime>

bool ReceiveLog::Open(const std::string &folder, std::string &error)
{
    Close();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    auto file = std::make_shared<LogFile>();
    if (!file->Create(folder, local, error))
        return false;
    m_path = file->Path();
    const std::lock_guard<std::mutex> lock(m_switchLock);
    m_file = std::move(file);
    m_size = 0;
    m_open = true;
    return true;
}

void ReceiveLog::Close()
{
    std::shared_ptr<LogFile> ended;
    {
        const std::lock_guard<std::mutex> lock(m_switchLock);
        ended.swap(m_file);
        m_open = false;
        m_size = 0;
    }
    m_path.clear();
}

bool ReceiveLog::Write(const uint8_t *data, size_t size, std::string &error)
{
    std::shared_ptr<LogFile> file;
    {
        const std::lock_guard<std::mutex> lock(m_switchLock);
        file = m_file;
    }
    if (!file)
        return true;
    const bool written = file->Write(data, size, m_lineBreaks, error);
    const std::lock_guard<std::mutex> lock(m_switchLock);
    // A log ended meanwhile is no longer the user's concern, nor its count.
    if (file != m_file)
        return true;
    if (written) {
        m_size = file->Size();
        return true;
    }
    m_file.reset();
    m_open = false;
    return false;
}
