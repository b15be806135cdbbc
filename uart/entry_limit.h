// Length limit of the multi-line transmit entries (the toolkit's own limit
// works for single-line fields only).
#ifndef ORV_UART_ENTRY_LIMIT_H
#define ORV_UART_ENTRY_LIMIT_H

#include <cstddef>
#include <string>

struct FittedEntry {
    std::wstring text;
    size_t caret = 0;
};

// Cuts a text that grew beyond `limit` back to it. The characters just
// inserted, which end at the caret, are the ones dropped; what cannot be
// accounted for that way is cut from the end.
FittedEntry FitEntryText(const std::wstring &text, size_t caret, size_t limit);

#endif
