// The UART terminal's four notations, in the order of the "Transmission type"
// and "Read type" choices; they index the panel's per-notation arrays.
#ifndef ORV_UART_NOTATION_H
#define ORV_UART_NOTATION_H

enum Notation { NotationAscii = 0, NotationHex = 1, NotationBinary = 2, NotationDecimal = 3 };

constexpr int kNotationCount = 4;

#endif
