#include "uart/highlighter.h"

#include "uart/utf8_text.h"

std::string Highlighter::Load(const std::vector<HighlightPattern> &patterns)
{
    std::vector<Entry> entries;
    for (size_t n = 0; n < patterns.size(); ++n) {
        const std::string where = "Highlight " + std::to_string(n + 1) + ": ";
        const std::optional<std::string> pattern = Latin1FromWide(patterns[n].regex);
        if (!pattern)
            return where + "in the expression " + OneByteRefusal(patterns[n].regex);
        if (pattern->empty())
            return where + "the expression is empty";
        if (patterns[n].colour > 0xFFFFFF)
            return where + "its colour is not a colour";
        std::string error;
        std::optional<RegexScanner> scanner = RegexScanner::Compile(*pattern, error);
        if (!scanner)
            return where + "invalid regular expression: " + error;
        entries.push_back({std::move(*scanner), patterns[n].colour});
    }
    m_entries = std::move(entries);
    return std::string();
}

void Highlighter::Feed(const uint8_t *data, size_t size, std::vector<HighlightSpan> &spans)
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        m_found.clear();
        entry->scanner.Feed(data, size, m_found);
        for (const StreamSpan &span : m_found)
            spans.push_back({span, entry->colour});
    }
}

void Highlighter::ResetStream()
{
    for (Entry &entry : m_entries)
        entry.scanner.Reset();
}
