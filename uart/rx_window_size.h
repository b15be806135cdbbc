// How much of the kept text the shown receive view holds: a window that
// covers several screens of the view at its design size covers as many
// screens of a larger view, so that a grown view still scrolls through more
// than it shows.
#ifndef ORV_UART_RX_WINDOW_SIZE_H
#define ORV_UART_RX_WINDOW_SIZE_H

#include <cstddef>

// `baseChars` scaled by the view's area against its design area; never
// below `baseChars`. Sizes of 0 or less give `baseChars`.
size_t RxWindowCharsFor(size_t baseChars, int designWidth, int designHeight, int width, int height);

#endif
