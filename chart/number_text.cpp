#include "chart/number_text.h"

#include <charconv>
#include <cmath>

std::string ShortestText(double value)
{
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string RoundedText(double value, int significant)
{
    char text[40];
    const std::to_chars_result result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, significant);
    return std::string(text, result.ptr);
}

std::optional<double> ParseDecimal(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '-' || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const char *end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}
