#include "uart/rx_find.h"

#include <algorithm>
#include <cwctype>

namespace {

std::wstring Folded(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

} // namespace

std::optional<RxFound> FindInRxText(const std::wstring &text, const std::wstring &what, size_t from, bool forward,
                                    bool matchCase, bool inclusive)
{
    if (what.empty() || what.size() > text.size())
        return std::nullopt;
    const std::wstring haystack = matchCase ? text : Folded(text);
    const std::wstring needle = matchCase ? what : Folded(what);
    from = std::min(from, text.size());
    if (forward) {
        const size_t start = inclusive ? from : from + 1;
        size_t at = start <= text.size() ? haystack.find(needle, start) : std::wstring::npos;
        if (at != std::wstring::npos)
            return RxFound{at, false};
        at = haystack.find(needle);
        if (at != std::wstring::npos && at < start)
            return RxFound{at, true};
        return std::nullopt;
    }
    size_t at = from == 0 ? std::wstring::npos : haystack.rfind(needle, from - 1);
    if (at != std::wstring::npos)
        return RxFound{at, false};
    at = haystack.rfind(needle);
    if (at != std::wstring::npos && at >= from)
        return RxFound{at, true};
    return std::nullopt;
}
