#include "uart/rule_json.h"

#include "uart/tx_codec.h"
#include "uart/utf8_text.h"

#include <set>

namespace {

using nlohmann::json;

constexpr const char *kNotationNames[kNotationCount] = {"ascii", "hex", "binary", "decimal"};

json SendJson(const RuleSend &send)
{
    if (send.listed)
        return {{"message", *send.listed + 1}};
    const int notation = send.own.notation >= 0 && send.own.notation < kNotationCount ? send.own.notation : 0;
    return {{"text", Utf8FromWide(send.own.text)},
            {"notation", kNotationNames[notation]},
            {"ending", LineEndingName(send.own.ending)}};
}

// Index of `text` among `names`, or -1.
int IndexOf(const std::string &text, const char *const *names, int count)
{
    for (int n = 0; n < count; ++n)
        if (text == names[n])
            return n;
    return -1;
}

// Reads the members of one object; the first that is wrong ends the reading,
// with `error` naming it.
class ObjectReader {
public:
    ObjectReader(const json &object, std::string where, std::set<std::string> known)
        : m_object(object), m_where(std::move(where))
    {
        if (!object.is_object()) {
            m_error = m_where + ": not an object";
            return;
        }
        for (const auto &member : object.items())
            if (known.count(member.key()) == 0) {
                m_error = m_where + ": unknown key \"" + member.key() + "\"";
                return;
            }
    }

    const std::string &Error() const { return m_error; }
    bool Has(const char *key) const { return m_error.empty() && m_object.contains(key); }

    std::string Text(const char *key, bool required)
    {
        if (!Has(key)) {
            if (required)
                Refuse(key, "missing");
            return std::string();
        }
        const json &value = m_object.at(key);
        if (!value.is_string()) {
            Refuse(key, "not a text");
            return std::string();
        }
        return value.get<std::string>();
    }

    std::wstring Wide(const char *key, bool required)
    {
        const std::string text = Text(key, required);
        const std::optional<std::wstring> wide = WideFromUtf8(text);
        if (!wide)
            Refuse(key, "not UTF-8 text");
        return wide.value_or(std::wstring());
    }

    bool Flag(const char *key, bool fallback)
    {
        if (!Has(key))
            return fallback;
        if (!m_object.at(key).is_boolean()) {
            Refuse(key, "not true or false");
            return fallback;
        }
        return m_object.at(key).get<bool>();
    }

    // A whole number in [low, high].
    uint64_t Number(const char *key, uint64_t low, uint64_t high, uint64_t fallback)
    {
        if (!Has(key))
            return fallback;
        const json &value = m_object.at(key);
        if (!value.is_number_unsigned() || value.get<uint64_t>() < low || value.get<uint64_t>() > high) {
            Refuse(key, "not a whole number from " + std::to_string(low) + " to " + std::to_string(high));
            return fallback;
        }
        return value.get<uint64_t>();
    }

    void Refuse(const char *key, const std::string &why)
    {
        if (m_error.empty())
            m_error = m_where + ", \"" + key + "\": " + why;
    }

    const json &At(const char *key) const { return m_object.at(key); }

private:
    const json &m_object;
    const std::string m_where;
    std::string m_error;
};

std::optional<RuleSend> ReadSend(const json &object, const std::string &where, std::string &error)
{
    ObjectReader read(object, where + ", \"send\"", {"message", "text", "notation", "ending"});
    RuleSend send;
    if (read.Has("message") && read.Has("text"))
        read.Refuse("text", "a rule sends either a listed message or its own");
    if (read.Has("message")) {
        send.listed = read.Number("message", 1, 1000000, 1) - 1;
    } else {
        send.own.text = read.Wide("text", true);
        const std::string notation = read.Text("notation", true);
        send.own.notation = IndexOf(notation, kNotationNames, kNotationCount);
        if (read.Error().empty() && send.own.notation < 0)
            read.Refuse("notation", "not ascii, hex, binary or decimal");
        const std::string ending = read.Has("ending") ? read.Text("ending", true) : LineEndingName(LineEndingNone);
        send.own.ending = -1;
        for (int n = 0; n < kLineEndingCount; ++n)
            if (ending == LineEndingName(n))
                send.own.ending = n;
        if (read.Error().empty() && send.own.ending < 0)
            read.Refuse("ending", "not none, CR, LF or CR LF");
    }
    error = read.Error();
    return error.empty() ? std::optional<RuleSend>(send) : std::nullopt;
}

std::optional<Rule> ReadRule(const json &object, size_t index, size_t messageCount, std::string &error)
{
    const std::string where = "Rule " + std::to_string(index + 1);
    ObjectReader read(object, where,
                      {"enabled", "match", "pattern", "per_second", "send", "highlight", "count", "bell"});
    Rule rule;
    rule.enabled = read.Flag("enabled", true);
    const std::string kind = read.Text("match", true);
    if (read.Error().empty() && !RuleMatchKindNamed(kind))
        read.Refuse("match", "not text, hex or regex");
    rule.match = RuleMatchKindNamed(kind).value_or(RuleMatchKind::Text);
    rule.pattern = read.Wide("pattern", true);
    rule.maxPerSecond = static_cast<unsigned>(read.Number("per_second", 1, kMostRuleRate, kDefaultRuleRate));
    if (read.Has("highlight")) {
        rule.highlight = ColourFromText(read.Text("highlight", true));
        if (!rule.highlight)
            read.Refuse("highlight", "not a colour \"#rrggbb\"");
    }
    rule.count = read.Flag("count", false);
    rule.bell = read.Flag("bell", false);
    if (read.Has("send"))
        rule.send = ReadSend(read.At("send"), where, error);
    if (!read.Error().empty())
        error = read.Error();
    if (!error.empty())
        return std::nullopt;
    const std::string refusal = CheckRule(rule, messageCount);
    if (!refusal.empty()) {
        error = where + ": " + refusal;
        return std::nullopt;
    }
    return rule;
}

} // namespace

nlohmann::json RulesJson(const std::vector<Rule> &rules)
{
    json array = json::array();
    for (const Rule &rule : rules) {
        json object = {{"enabled", rule.enabled},
                       {"match", RuleMatchKindName(rule.match)},
                       {"pattern", Utf8FromWide(rule.pattern)},
                       {"per_second", rule.maxPerSecond},
                       {"count", rule.count},
                       {"bell", rule.bell}};
        if (rule.send)
            object["send"] = SendJson(*rule.send);
        if (rule.highlight)
            object["highlight"] = ColourText(*rule.highlight);
        array.push_back(std::move(object));
    }
    return array;
}

RulesRead RulesFromJson(const nlohmann::json &json, size_t messageCount)
{
    RulesRead read;
    if (!json.is_array() || json.size() > kMostRules) {
        read.error = "The rules are not a list of at most " + std::to_string(kMostRules) + " rules";
        return read;
    }
    for (size_t n = 0; n < json.size(); ++n) {
        std::optional<Rule> rule = ReadRule(json[n], n, messageCount, read.error);
        if (!rule) {
            read.rules.clear();
            return read;
        }
        read.rules.push_back(std::move(*rule));
    }
    return read;
}
