#include "uart/rx_window_size.h"

size_t RxWindowCharsFor(size_t baseChars, int designWidth, int designHeight, int width, int height)
{
    if (designWidth <= 0 || designHeight <= 0 || (width <= designWidth && height <= designHeight))
        return baseChars;
    const double scale = static_cast<double>(width > designWidth ? width : designWidth) / designWidth *
                         (height > designHeight ? height : designHeight) / designHeight;
    return static_cast<size_t>(static_cast<double>(baseChars) * scale);
}

size_t RxScreenChars(int width, int height, int charWidth, int charHeight)
{
    if (width <= 0 || height <= 0 || charWidth <= 0 || charHeight <= 0)
        return 0;
    const auto shown = static_cast<size_t>(width / charWidth) * static_cast<size_t>(height / charHeight);
    return shown + shown / 2;
}
