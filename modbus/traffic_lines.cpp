#include "modbus/traffic_lines.h"

#include "modbus/frame_description.h"

#include <cstdio>
#include <ctime>

std::string ClockText(std::chrono::system_clock::time_point when)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

std::string FrameLine(const std::string &clock, bool sent, const uint8_t *frame, size_t length)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string line = clock + (sent ? " >" : " <");
    line.reserve(line.size() + 3 * length);
    for (size_t i = 0; i < length; ++i) {
        line += ' ';
        line += kDigits[frame[i] >> 4];
        line += kDigits[frame[i] & 0x0F];
    }
    return line;
}

std::string OutcomeLine(const std::string &clock, const std::string &outcome)
{
    return clock + " = " + outcome;
}

std::string FrameMeaning(int framing, bool sent, const uint8_t *frame, size_t length,
                         const std::vector<uint8_t> &request)
{
    const FrameBytes bytes = {frame, length};
    const FrameDescription description =
        sent ? DescribeRequest(bytes, framing)
             : DescribeAnswer(bytes, framing, request.empty() ? FrameBytes{} : FrameBytes{request.data(), request.size()});
    return DescriptionLine(description);
}

std::string DescribedFrameLine(const std::string &line, int framing, bool sent, const uint8_t *frame, size_t length,
                               const std::vector<uint8_t> &request)
{
    return line + " | " + FrameMeaning(framing, sent, frame, length, request);
}
