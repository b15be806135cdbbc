#include "modbus/csv_log.h"

#include "chart/span_csv.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

std::string ErrorText(int error)
{
    return std::strerror(error);
}

} // namespace

std::string IsoTimeWithOffset(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(time.time_since_epoch());
    auto seconds = static_cast<std::time_t>(sinceEpoch.count() / 1000);
    long millis = static_cast<long>(sinceEpoch.count() % 1000);
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s.%03ld%c%02ld:%02ld", stamp, millis, offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

CsvLog::~CsvLog()
{
    Close();
}

std::string CsvLog::Open(const std::string &path)
{
    Close();
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr)
        return ErrorText(errno);
    m_path = path;
    return Write("time,block,unit,address,name,value\r\n");
}

std::string CsvLog::Append(std::chrono::system_clock::time_point time, const BlockDefinition &block,
                           const std::vector<BlockValue> &values)
{
    if (m_file == nullptr)
        return "the log is closed";
    const std::string prefix = IsoTimeWithOffset(time) + "," + CsvField(block.name) + "," + std::to_string(block.unit) + ",";
    std::string rows;
    for (const BlockValue &value : values)
        rows += prefix + std::to_string(value.cell.address) + "," + CsvField(value.cell.name) + "," +
                CsvField(value.text) + "\r\n";
    return Write(rows);
}

std::string CsvLog::Write(const std::string &text)
{
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), m_file) == text.size() && std::fflush(m_file) == 0;
    if (written)
        return "";
    const int error = errno != 0 ? errno : EIO;
    Close();
    return ErrorText(error);
}

void CsvLog::Close()
{
    if (m_file == nullptr)
        return;
    std::fclose(m_file);
    m_file = nullptr;
}
