#include "uart/error_text.h"

#include <cerrno>
#include <cstring>

std::string SystemErrorText(int code)
{
    char text[256] = {};
    // GNU strerror_r may return a static string instead of filling the buffer.
    return strerror_r(code, text, sizeof(text));
}

std::string SendFailureText(int code, uint16_t sent, uint16_t total)
{
    // The module got an incomplete message.
    if (code == ETIMEDOUT && sent > 0)
        return "Connection timed out after " + std::to_string(sent) + " of the " + std::to_string(total) +
               " bytes went out; the rest did not";
    return SystemErrorText(code);
}
