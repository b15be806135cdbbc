#include "uart/rule.h"

#include "uart/regex_scanner.h"
#include "uart/tx_codec.h"
#include "uart/utf8_text.h"

#include <cstdio>

namespace {

constexpr const char *kKindNames[] = {"text", "hex", "regex"};

std::string CheckPattern(const Rule &rule)
{
    if (rule.pattern.empty())
        return "the pattern is empty";
    if (rule.match == RuleMatchKind::Hex) {
        const std::string refusal = CheckTypedMessage(rule.pattern, NotationHex);
        if (!refusal.empty())
            return "the hex pattern: " + refusal;
    } else {
        const std::string refusal = OneByteRefusal(rule.pattern);
        if (!refusal.empty())
            return "in the pattern " + refusal;
    }
    const std::optional<std::string> bytes = RulePatternBytes(rule);
    if (rule.match == RuleMatchKind::Regex) {
        std::string error;
        if (!RegexScanner::Compile(*bytes, error))
            return "invalid regular expression: " + error;
    } else if (bytes->size() > kMostRulePatternBytes) {
        return "the pattern is longer than " + std::to_string(kMostRulePatternBytes) + " bytes";
    }
    return std::string();
}

std::string CheckSend(const RuleSend &send, size_t messageCount)
{
    if (send.listed) {
        if (*send.listed >= messageCount)
            return "it sends message " + std::to_string(*send.listed + 1) + " but the list has " +
                   std::to_string(messageCount);
        return std::string();
    }
    const SavedMessage &own = send.own;
    if (own.notation < 0 || own.notation >= kNotationCount)
        return "its message has an unknown notation";
    if (own.ending < 0 || own.ending >= kLineEndingCount || (own.notation != NotationAscii && own.ending != 0))
        return "its message has an unknown line ending";
    const std::string refusal = CheckTypedMessage(own.text, static_cast<Notation>(own.notation));
    return refusal.empty() ? refusal : "its message: " + refusal;
}

} // namespace

const char *RuleMatchKindName(RuleMatchKind kind)
{
    return kKindNames[static_cast<int>(kind)];
}

std::optional<RuleMatchKind> RuleMatchKindNamed(const std::string &name)
{
    for (int kind = 0; kind < 3; ++kind)
        if (name == kKindNames[kind])
            return static_cast<RuleMatchKind>(kind);
    return std::nullopt;
}

std::string ColourText(uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof(text), "#%06x", static_cast<unsigned>(colour & 0xFFFFFF));
    return text;
}

std::optional<uint32_t> ColourFromText(const std::string &text)
{
    if (text.size() != 7 || text[0] != '#' || text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        return std::nullopt;
    return static_cast<uint32_t>(std::stoul(text.substr(1), nullptr, 16));
}

std::string CheckRule(const Rule &rule, size_t messageCount)
{
    std::string refusal = CheckPattern(rule);
    if (!refusal.empty())
        return refusal;
    if (!rule.send && !rule.highlight && !rule.count && !rule.bell)
        return "it has no action";
    if (rule.send && !(refusal = CheckSend(*rule.send, messageCount)).empty())
        return refusal;
    if (rule.highlight && *rule.highlight > 0xFFFFFF)
        return "its colour is not a colour";
    if (rule.maxPerSecond < 1 || rule.maxPerSecond > kMostRuleRate)
        return "it may act 1 to " + std::to_string(kMostRuleRate) + " times per second";
    return std::string();
}

std::optional<std::string> RulePatternBytes(const Rule &rule)
{
    if (rule.match != RuleMatchKind::Hex)
        return Latin1FromWide(rule.pattern);
    if (!CheckTypedMessage(rule.pattern, NotationHex).empty())
        return std::nullopt;
    const std::vector<uint8_t> bytes = EncodeMessage(rule.pattern, NotationHex);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> RuleSendBytes(const RuleSend &send, const std::vector<SavedMessage> &messages)
{
    const SavedMessage *message = &send.own;
    if (send.listed) {
        if (*send.listed >= messages.size())
            return {};
        message = &messages[*send.listed];
    }
    return EncodeMessage(message->text, message->notation, message->ending);
}

void RulesAfterMessageRemoved(std::vector<Rule> &rules, size_t index, const SavedMessage &removed)
{
    for (Rule &rule : rules) {
        if (!rule.send || !rule.send->listed)
            continue;
        if (*rule.send->listed == index) {
            rule.send->listed.reset();
            rule.send->own = removed;
        } else if (*rule.send->listed > index) {
            --*rule.send->listed;
        }
    }
}
