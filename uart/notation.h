// The UART terminal's four notations, in the order of the "Transmission type"
// and "Read type" choices; they index the panel's per-notation arrays.
#ifndef ORV_UART_NOTATION_H
#define ORV_UART_NOTATION_H

enum Notation { NotationAscii = 0, NotationHex = 1, NotationBinary = 2, NotationDecimal = 3 };

constexpr int kNotationCount = 4;

// The receive views: one per notation, in the same order, then the dump of
// hex and printable characters.
constexpr int kRxViewHexDump = kNotationCount;
constexpr int kRxViewCount = kNotationCount + 1;

#endif
