// How much of the kept text the shown receive view holds while it follows
// new text: a little more than it can show. The toolkit lays out every line
// the view holds, so a window no larger than the screen means a fast stream
// is laid out only as far as it is seen; older text is paged in as the user
// scrolls up to it. A window that fills the view at its design size fills
// a larger view when scaled with its area.
#ifndef ORV_UART_RX_WINDOW_SIZE_H
#define ORV_UART_RX_WINDOW_SIZE_H

#include <cstddef>

// `baseChars` scaled by the view's area against its design area; never
// below `baseChars`. Sizes of 0 or less give `baseChars`.
size_t RxWindowCharsFor(size_t baseChars, int designWidth, int designHeight, int width, int height);

// Characters a view of `width` x `height` pixels shows of text whose
// characters are on average `charWidth` x `charHeight`, with half as much
// again for lines that wrap short and the line cut at the window's start.
// Sizes of 0 or less give 0.
size_t RxScreenChars(int width, int height, int charWidth, int charHeight);

#endif
