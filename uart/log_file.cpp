#include "uart/log_file.h"

#include <cerrno>
#include <cstring>

namespace {

// Tries this many names before giving up; a clash beyond the first is rare.
constexpr int kNameAttempts = 100;

std::string WithSuffix(const std::string &name, int attempt)
{
    if (attempt == 1)
        return name;
    const size_t dot = name.rfind(".txt");
    return name.substr(0, dot) + "-" + std::to_string(attempt) + ".txt";
}

} // namespace

std::string LogFileName(const std::tm &local)
{
    char name[96];
    std::snprintf(name, sizeof(name), "wifilog-%d%d%d-%d%d%d.txt", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return name;
}

bool LogFile::Create(const std::tm &local, std::string &error)
{
    Close();
    const std::string name = LogFileName(local);
    for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
        const std::string path = WithSuffix(name, attempt);
        // "x": create only, so an earlier log of the same name stays intact.
        m_file = std::fopen(path.c_str(), "wx");
        if (m_file != nullptr) {
            m_path = path;
            return true;
        }
        if (errno != EEXIST) {
            error = "Cannot create the log file \"" + path + "\": " + std::strerror(errno);
            return false;
        }
    }
    error = "Cannot create the log file \"" + name + "\": " + std::strerror(EEXIST);
    return false;
}

bool LogFile::Write(const uint8_t *data, size_t size, std::string &error)
{
    if (m_file == nullptr)
        return true;
    // Each chunk reaches the file at once: the log can be followed while it
    // grows, and a failure shows at the chunk that met it.
    if (std::fwrite(data, 1, size, m_file) == size && std::fputc('\n', m_file) != EOF && std::fflush(m_file) == 0) {
        m_size += size + 1;
        return true;
    }
    error = "Cannot write the log file \"" + m_path + "\": " + std::strerror(errno) + "; logging has stopped";
    return false;
}

void LogFile::Close()
{
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
    m_path.clear();
    m_size = 0;
}
