#include "uart/receive_log.h"

#include <ctime>

bool ReceiveLog::Open(const std::string &folder, std::string &error)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::lock_guard<std::mutex> lock(m_writeLock);
    const bool created = m_file.Create(folder, local, error);
    m_path = created ? m_file.Path() : std::string();
    m_size = 0;
    m_open = created;
    return created;
}

void ReceiveLog::Close()
{
    const std::lock_guard<std::mutex> lock(m_writeLock);
    m_open = false;
    m_file.Close();
    m_path.clear();
    m_size = 0;
}

bool ReceiveLog::Write(const uint8_t *data, size_t size, std::string &error)
{
    const std::lock_guard<std::mutex> lock(m_writeLock);
    if (!m_file.IsOpen())
        return true;
    if (m_file.Write(data, size, m_lineBreaks, error)) {
        m_size = m_file.Size();
        return true;
    }
    m_open = false;
    m_file.Close();
    return false;
}
