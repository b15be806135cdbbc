#include "uart/port_text.h"

#include "uart/leading_integer.h"

uint16_t PortFromText(const std::string &text)
{
    const LeadingInteger number = ScanLeadingInteger(text);
    // Only the low 16 bits matter, so the value is kept modulo 65536.
    uint32_t value = 0;
    for (const char digit : number.digits)
        value = (value * 10 + static_cast<uint32_t>(digit - '0')) & 0xffffu;
    return static_cast<uint16_t>(number.negative ? (0x10000u - value) & 0xffffu : value);
}
