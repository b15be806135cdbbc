#include "uart/log_file.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

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

// The folder the log goes in, absolute where the current directory can be
// named; a current directory that is gone stays relative, and the create
// then says why it failed.
std::string FolderPrefix(const std::string &folder)
{
    if (!folder.empty() && folder[0] == '/')
        return folder.back() == '/' ? folder : folder + "/";
    char current[PATH_MAX];
    if (getcwd(current, sizeof(current)) == nullptr)
        return folder.empty() ? std::string() : folder + "/";
    std::string prefix = current;
    if (prefix.back() != '/')
        prefix += '/';
    return folder.empty() ? prefix : prefix + folder + "/";
}

} // namespace

std::string LogFileName(const std::tm &local)
{
    char name[96];
    std::snprintf(name, sizeof(name), "wifilog-%04d%02d%02d-%02d%02d%02d.txt", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return name;
}

bool LogFile::Create(const std::string &folder, const std::tm &local, std::string &error)
{
    Close();
    const std::string name = FolderPrefix(folder) + LogFileName(local);
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

bool LogFile::Write(const uint8_t *data, size_t size, bool lineBreak, std::string &error)
{
    if (m_file == nullptr)
        return true;
    // Each chunk reaches the file at once: the log can be followed while it
    // grows, and a failure shows at the chunk that met it.
    if (std::fwrite(data, 1, size, m_file) == size && (!lineBreak || std::fputc('\n', m_file) != EOF) &&
        std::fflush(m_file) == 0) {
        m_size += size + (lineBreak ? 1 : 0);
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
