// The part of a text that atoi reads: leading blanks, an optional sign,
// then digits up to the first non-digit.
#ifndef ORV_UART_LEADING_INTEGER_H
#define ORV_UART_LEADING_INTEGER_H

#include <string>
#include <string_view>

struct LeadingInteger
{
    bool negative;
    std::string_view digits; // empty when the text holds no number
};

// The view points into text, which must outlive it.
LeadingInteger ScanLeadingInteger(const std::string &text);

#endif
