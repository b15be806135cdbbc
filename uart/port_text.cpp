#include "uart/port_text.h"

#include <cctype>

uint16_t PortFromText(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Only the low 16 bits matter, so the value is kept modulo 65536.
    uint32_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = (value * 10 + static_cast<uint32_t>(text[i] - '0')) & 0xffffu;
    return static_cast<uint16_t>(negative ? (0x10000u - value) & 0xffffu : value);
}
