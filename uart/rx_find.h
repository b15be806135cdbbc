// Finding text in a receive view's text, the way a find box does: from a
// place on, forwards or backwards, wrapping round the end.
#ifndef ORV_UART_RX_FIND_H
#define ORV_UART_RX_FIND_H

#include <cstddef>
#include <optional>
#include <string>

struct RxFound {
    size_t at;      // index of the first character of the match
    bool wrapped;   // found only after going round the end (or the start)
};

// The next match of `what` in `text` that starts after `from` going
// forwards (at `from` or later when `inclusive`), or the last one that
// starts before `from` going backwards; none when `what` is empty or does
// not occur. Indexes count characters; letters match either case unless
// `matchCase`.
std::optional<RxFound> FindInRxText(const std::wstring &text, const std::wstring &what, size_t from, bool forward,
                                    bool matchCase, bool inclusive = false);

#endif
