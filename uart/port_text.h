// Reading the "Port:" label's text as the connect uses it.
#ifndef ORV_UART_PORT_TEXT_H
#define ORV_UART_PORT_TEXT_H

#include <cstdint>
#include <string>

// The leading decimal number of the text the way atoi reads it (leading
// blanks, an optional sign, digits up to the first non-digit; 0 without
// digits), cut to its low 16 bits: "70000" gives 4464. Any number of digits
// is read without overflow.
uint16_t PortFromText(const std::string &text);

#endif
