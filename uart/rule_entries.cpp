#include "uart/rule_entries.h"

#include "uart/tx_codec.h"
#include "uart/utf8_text.h"

namespace {

std::string RuleKey(size_t index, const char *field)
{
    return "UART/Rules/" + std::to_string(index + 1) + "/" + field;
}

const char *Flag(bool value)
{
    return value ? "1" : "0";
}

// Reads one rule's entries; the first entry that is wrong ends the reading
// with `error` naming it.
class RuleReader {
public:
    RuleReader(const std::function<std::optional<std::string>(const std::string &)> &lookup, size_t index)
        : m_lookup(lookup), m_index(index)
    {
    }

    const std::string &Error() const { return m_error; }

    std::optional<std::string> Text(const char *field, bool required)
    {
        std::optional<std::string> text = m_lookup(RuleKey(m_index, field));
        if (!text && required)
            Refuse(field, "missing");
        return text;
    }

    std::optional<std::wstring> Wide(const char *field, bool required)
    {
        const std::optional<std::string> text = Text(field, required);
        if (!text)
            return std::nullopt;
        std::optional<std::wstring> wide = WideFromUtf8(*text);
        if (!wide)
            Refuse(field, "not UTF-8 text");
        return wide;
    }

    void Flag(const char *field, bool &value)
    {
        const std::optional<std::string> text = Text(field, false);
        if (text && *text != "0" && *text != "1")
            Refuse(field, "not 0 or 1");
        else if (text)
            value = *text == "1";
    }

    // A whole number in [low, high].
    std::optional<unsigned long> Number(const char *field, bool required, unsigned long low, unsigned long high)
    {
        const std::optional<std::string> text = Text(field, required);
        if (!text)
            return std::nullopt;
        if (text->empty() || text->size() > 9 || text->find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(*text) < low || std::stoul(*text) > high) {
            Refuse(field, "not a number from " + std::to_string(low) + " to " + std::to_string(high));
            return std::nullopt;
        }
        return std::stoul(*text);
    }

    void Refuse(const char *field, const std::string &why)
    {
        if (m_error.empty())
            m_error = RuleKey(m_index, field) + ": " + why;
    }

private:
    const std::function<std::optional<std::string>(const std::string &)> &m_lookup;
    const size_t m_index;
    std::string m_error;
};

std::optional<RuleSend> ReadSend(RuleReader &read)
{
    const std::optional<unsigned long> listed = read.Number("SendMessage", false, 1, 1000000);
    const std::optional<std::wstring> text = read.Wide("SendText", false);
    if (listed && text)
        read.Refuse("SendText", "a rule sends either a listed message or its own");
    if (!read.Error().empty() || (!listed && !text))
        return std::nullopt;
    RuleSend send;
    if (listed) {
        send.listed = *listed - 1;
        return send;
    }
    send.own.text = *text;
    send.own.notation = static_cast<int>(read.Number("SendType", true, 0, kNotationCount - 1).value_or(0));
    send.own.ending = static_cast<int>(read.Number("SendEnding", false, 0, kLineEndingCount - 1).value_or(0));
    return send;
}

std::optional<Rule> ReadRule(const std::function<std::optional<std::string>(const std::string &)> &lookup,
                             size_t index, size_t messageCount, std::string &error)
{
    RuleReader read(lookup, index);
    Rule rule;
    read.Flag("Enabled", rule.enabled);
    const std::optional<std::string> kind = read.Text("Match", true);
    if (kind && !RuleMatchKindNamed(*kind))
        read.Refuse("Match", "not text, hex or regex");
    rule.match = kind ? RuleMatchKindNamed(*kind).value_or(RuleMatchKind::Text) : RuleMatchKind::Text;
    rule.pattern = read.Wide("Pattern", true).value_or(std::wstring());
    rule.maxPerSecond = static_cast<unsigned>(
        read.Number("PerSecond", false, 1, kMostRuleRate).value_or(kDefaultRuleRate));
    rule.send = ReadSend(read);
    const std::optional<std::string> colour = read.Text("Highlight", false);
    if (colour && !ColourFromText(*colour))
        read.Refuse("Highlight", "not a colour #rrggbb");
    rule.highlight = colour ? ColourFromText(*colour) : std::nullopt;
    read.Flag("CountMatches", rule.count);
    read.Flag("Bell", rule.bell);
    if (!read.Error().empty()) {
        error = read.Error();
        return std::nullopt;
    }
    const std::string refusal = CheckRule(rule, messageCount);
    if (!refusal.empty()) {
        error = "Rule " + std::to_string(index + 1) + ": " + refusal;
        return std::nullopt;
    }
    return rule;
}

} // namespace

SettingEntries RuleEntries(const std::vector<Rule> &rules)
{
    SettingEntries entries{{"UART/Rules/Count", std::to_string(rules.size())}};
    for (size_t n = 0; n < rules.size(); ++n) {
        const Rule &rule = rules[n];
        entries[RuleKey(n, "Enabled")] = Flag(rule.enabled);
        entries[RuleKey(n, "Match")] = RuleMatchKindName(rule.match);
        entries[RuleKey(n, "Pattern")] = Utf8FromWide(rule.pattern);
        entries[RuleKey(n, "PerSecond")] = std::to_string(rule.maxPerSecond);
        if (rule.send && rule.send->listed) {
            entries[RuleKey(n, "SendMessage")] = std::to_string(*rule.send->listed + 1);
        } else if (rule.send) {
            entries[RuleKey(n, "SendText")] = Utf8FromWide(rule.send->own.text);
            entries[RuleKey(n, "SendType")] = std::to_string(rule.send->own.notation);
            entries[RuleKey(n, "SendEnding")] = std::to_string(rule.send->own.ending);
        }
        if (rule.highlight)
            entries[RuleKey(n, "Highlight")] = ColourText(*rule.highlight);
        entries[RuleKey(n, "CountMatches")] = Flag(rule.count);
        entries[RuleKey(n, "Bell")] = Flag(rule.bell);
    }
    return entries;
}

RulesRead RulesFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup,
                           size_t messageCount)
{
    RulesRead read;
    const std::optional<std::string> count = lookup("UART/Rules/Count");
    if (!count)
        return read;
    if (count->empty() || count->size() > 4 || count->find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(*count) > kMostRules) {
        read.error = "UART/Rules/Count: not a number from 0 to " + std::to_string(kMostRules);
        return read;
    }
    const size_t total = std::stoul(*count);
    for (size_t n = 0; n < total; ++n) {
        std::optional<Rule> rule = ReadRule(lookup, n, messageCount, read.error);
        if (!rule) {
            read.rules.clear();
            return read;
        }
        read.rules.push_back(std::move(*rule));
    }
    return read;
}
