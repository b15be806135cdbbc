#include "uart/regex_scanner.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <cstring>
#include <pcre2.h>

namespace {

// Bounds on one search, so that an expression that backtracks wildly costs
// a bounded time per chunk instead of stalling the receive path; a search
// that hits them finds nothing.
constexpr uint32_t kMatchLimit = 1000000;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMost = 1024 * 1024;

template <typename T, void (*Free)(T *)>
struct Freer {
    void operator()(T *object) const { Free(object); }
};

template <typename T, void (*Free)(T *)>
using Owned = std::unique_ptr<T, Freer<T, Free>>;

// Where the line that runs from `from` ends: its CR or LF, or `size`.
size_t LineEnd(const char *bytes, size_t from, size_t size)
{
    const void *lf = std::memchr(bytes + from, '\n', size - from);
    const size_t limit = lf != nullptr ? static_cast<size_t>(static_cast<const char *>(lf) - bytes) : size;
    const void *cr = std::memchr(bytes + from, '\r', limit - from);
    return cr != nullptr ? static_cast<size_t>(static_cast<const char *>(cr) - bytes) : limit;
}

} // namespace

struct RegexScanner::Matcher {
    Owned<pcre2_code, pcre2_code_free> code;
    Owned<pcre2_match_data, pcre2_match_data_free> data;
    Owned<pcre2_match_context, pcre2_match_context_free> context;
    Owned<pcre2_jit_stack, pcre2_jit_stack_free> jitStack;
};

std::optional<RegexScanner> RegexScanner::Compile(const std::string &pattern, std::string &error)
{
    int code = 0;
    PCRE2_SIZE offset = 0;
    // Received bytes are not UTF-8 text: a pattern may not switch matching
    // to it, or bytes beyond ASCII would fail every search.
    auto matcher = std::make_unique<Matcher>();
    matcher->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                      PCRE2_NEVER_UTF | PCRE2_NEVER_UCP, &code, &offset, nullptr));
    if (!matcher->code) {
        PCRE2_UCHAR text[256];
        pcre2_get_error_message(code, text, sizeof(text));
        error = std::string(reinterpret_cast<const char *>(text)) +
                (offset >= pattern.size() ? " at the end" : " at character " + std::to_string(offset + 1));
        return std::nullopt;
    }
    // Without the JIT (an unsupported machine) the interpreter matches.
    const bool jit = pcre2_jit_compile(matcher->code.get(), PCRE2_JIT_COMPLETE | PCRE2_JIT_PARTIAL_HARD) == 0;
    matcher->data.reset(pcre2_match_data_create_from_pattern(matcher->code.get(), nullptr));
    matcher->context.reset(pcre2_match_context_create(nullptr));
    if (!matcher->data || !matcher->context) {
        error = "out of memory";
        return std::nullopt;
    }
    pcre2_set_match_limit(matcher->context.get(), kMatchLimit);
    if (jit) {
        matcher->jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMost, nullptr));
        if (matcher->jitStack)
            pcre2_jit_stack_assign(matcher->context.get(), nullptr, matcher->jitStack.get());
    }
    error.clear();
    return RegexScanner(std::move(matcher));
}

RegexScanner::RegexScanner(std::unique_ptr<Matcher> matcher) : m_matcher(std::move(matcher))
{
}

RegexScanner::RegexScanner(RegexScanner &&) noexcept = default;
RegexScanner &RegexScanner::operator=(RegexScanner &&) noexcept = default;
RegexScanner::~RegexScanner() = default;

void RegexScanner::Feed(const uint8_t *data, size_t size, std::vector<StreamSpan> &found)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    size_t from = 0;
    while (from < size) {
        const size_t end = LineEnd(bytes, from, size);
        const bool ended = end < size;
        if (m_line.empty() && ended) {
            // A line whole within the chunk is searched where it lies.
            Search(bytes + from, end - from, true, found);
        } else {
            m_line.append(bytes + from, end - from);
            Search(m_line.data(), m_line.size(), ended, found);
        }
        if (!ended)
            break;
        m_line.clear();
        m_lineStart = m_fed + end + 1;
        m_lineCut = false;
        m_searchFrom = m_lineStart;
        from = end + 1;
    }
    m_fed += size;
    if (m_line.size() > kRegexLineWindow) {
        const size_t dropped = m_line.size() - kRegexLineWindow;
        m_line.erase(0, dropped);
        m_lineStart += dropped;
        m_lineCut = true;
        if (m_searchFrom < m_lineStart)
            m_searchFrom = m_lineStart;
    }
}

void RegexScanner::Search(const char *line, size_t length, bool lineEnded, std::vector<StreamSpan> &found)
{
    // Empty matches are never reported: an expression that matches nothing
    // would otherwise fire at every byte.
    const uint32_t options = PCRE2_NOTEMPTY | (m_lineCut ? PCRE2_NOTBOL : 0) | (lineEnded ? 0 : PCRE2_NOTEOL);
    const auto *subject = reinterpret_cast<PCRE2_SPTR>(line);
    size_t offset = m_searchFrom - m_lineStart;
    while (offset < length) {
        const int result = pcre2_match(m_matcher->code.get(), subject, length, offset, options,
                                       m_matcher->data.get(), m_matcher->context.get());
        if (result < 0)
            break;
        const PCRE2_SIZE *bounds = pcre2_get_ovector_pointer(m_matcher->data.get());
        if (bounds[1] <= offset)
            break;
        // \K may put a match's start at or after its end; such a one is no span.
        if (bounds[0] < bounds[1])
            found.push_back({m_lineStart + bounds[0], m_lineStart + bounds[1]});
        offset = bounds[1];
    }
    m_searchFrom = m_lineStart + offset;
}

// The match data is scratch space, as in Search.
std::optional<uint64_t> RegexScanner::PendingFrom() const
{
    const size_t offset = m_searchFrom - m_lineStart;
    if (offset >= m_line.size())
        return std::nullopt;
    const uint32_t options = PCRE2_NOTEMPTY | PCRE2_PARTIAL_HARD | (m_lineCut ? PCRE2_NOTBOL : 0);
    const int result = pcre2_match(m_matcher->code.get(), reinterpret_cast<PCRE2_SPTR>(m_line.data()),
                                   m_line.size(), offset, options, m_matcher->data.get(), m_matcher->context.get());
    if (result != PCRE2_ERROR_PARTIAL)
        return std::nullopt;
    // A partial match of nothing, at the very end, holds no byte.
    const PCRE2_SIZE start = pcre2_get_ovector_pointer(m_matcher->data.get())[0];
    if (start >= m_line.size())
        return std::nullopt;
    return m_lineStart + start;
}

void RegexScanner::Reset()
{
    m_line.clear();
    m_lineStart = 0;
    m_lineCut = false;
    m_searchFrom = 0;
    m_fed = 0;
}
