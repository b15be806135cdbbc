#include "modbus/response_timeout.h"

#include <cctype>

std::optional<int> ResponseTimeoutOfText(const std::string &text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < kMinResponseTimeoutMs || value > kMaxResponseTimeoutMs)
        return std::nullopt;
    return value;
}
