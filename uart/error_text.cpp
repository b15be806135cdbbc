#include "uart/error_text.h"

#include "uart/link_endpoint.h"

#include <cerrno>
#include <cstring>

std::string SystemErrorText(int code)
{
    if (code == ENOTCONN)
        return "No module is connected";
    if (code == EMSGSIZE)
        return "Too large for one datagram: a datagram holds at most " + std::to_string(kLargestDatagram) + " bytes";
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

std::string BindFailureText(int code, const std::string &address, uint16_t port)
{
    switch (code) {
    case EADDRINUSE:
        return "Port " + std::to_string(port) + " is in use";
    case EADDRNOTAVAIL:
        return address + " is not an address of this computer";
    case EACCES:
        return "Port " + std::to_string(port) + " is reserved for the system";
    default:
        return SystemErrorText(code);
    }
}
