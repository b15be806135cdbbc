#include "chart/number_text.h"

#include <charconv>

std::string ShortestText(double value)
{
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}
