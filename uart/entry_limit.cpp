#include "uart/entry_limit.h"

#include <algorithm>

FittedEntry FitEntryText(const std::wstring &text, size_t caret, size_t limit)
{
    if (text.size() <= limit)
        return {text, std::min(caret, text.size())};
    caret = std::min(caret, text.size());
    const size_t excess = text.size() - limit;
    if (caret >= excess)
        return {text.substr(0, caret - excess) + text.substr(caret), caret - excess};
    return {text.substr(0, limit), std::min(caret, limit)};
}
