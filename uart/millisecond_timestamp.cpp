#include "uart/millisecond_timestamp.h"

#include <cstdio>

std::string WithMilliseconds(const std::string &text, const std::tm &local, int milliseconds)
{
    char fraction[8];
    std::snprintf(fraction, sizeof(fraction), ".%03d", milliseconds % 1000);
    char seconds[16];
    std::snprintf(seconds, sizeof(seconds), "%02d:%02d", local.tm_min, local.tm_sec);
    // The last "MM:SS": when the hour equals the minute, the first is "HH:MM".
    const size_t at = text.rfind(seconds);
    std::string stamped = text;
    stamped.insert(at == std::string::npos ? stamped.size() : at + 5, fraction);
    return stamped;
}

std::string MillisecondTimestamp(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[128];
    const size_t length = std::strftime(text, sizeof(text), "%c", &local);
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    const auto fraction = static_cast<int>(((sinceEpoch.count() % 1000) + 1000) % 1000);
    return WithMilliseconds(std::string(text, length), local, fraction);
}
