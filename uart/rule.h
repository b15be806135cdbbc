// Rules that act on received data: when the data matches a rule's pattern
// (a text, a byte sequence in hex, or a regular expression), the rule sends
// a message, highlights the match, counts it and/or rings the bell.
#ifndef ORV_UART_RULE_H
#define ORV_UART_RULE_H

#include "uart/saved_settings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class RuleMatchKind { Text, Hex, Regex };

// "text", "hex", "regex": the kinds' names in files.
const char *RuleMatchKindName(RuleMatchKind kind);
std::optional<RuleMatchKind> RuleMatchKindNamed(const std::string &name);

// What a rule sends: an entry of the message list, or a message of its own.
struct RuleSend {
    // The list's entry, counted from 0; without one, `own`.
    std::optional<size_t> listed;
    SavedMessage own;
};

// How often a rule may act, at most, per second: a rule that answers its
// own echo must not flood the link.
constexpr unsigned kDefaultRuleRate = 5;
constexpr unsigned kMostRuleRate = 1000;
// The longest text or hex pattern, in bytes.
constexpr size_t kMostRulePatternBytes = 256;

struct Rule {
    bool enabled = true;
    RuleMatchKind match = RuleMatchKind::Text;
    // Text and regular expressions in characters up to U+00FF (received
    // bytes are matched as those characters); hex as the message entry
    // takes it ("0d 0a").
    std::wstring pattern;
    std::optional<RuleSend> send;
    // The colour of the match, 0xRRGGBB.
    std::optional<uint32_t> highlight;
    bool count = false;
    bool bell = false;
    unsigned maxPerSecond = kDefaultRuleRate;
};

// A colour as files keep it, "#rrggbb", and back (nothing for another text).
std::string ColourText(uint32_t colour);
std::optional<uint32_t> ColourFromText(const std::string &text);

// Why the rule cannot be used, or an empty text: the pattern must be valid
// for its kind, the rule must have an action, and a send must name an entry
// of a message list of `messageCount` or hold a valid message.
std::string CheckRule(const Rule &rule, size_t messageCount);

// The bytes a text or hex pattern stands for, or a regular expression's
// text in one-byte characters; nothing when the pattern is not valid.
std::optional<std::string> RulePatternBytes(const Rule &rule);

// The bytes a send puts on the link, made as the message list makes them;
// none when it names an entry `messages` lacks.
std::vector<uint8_t> RuleSendBytes(const RuleSend &send, const std::vector<SavedMessage> &messages);

// After the message list lost its entry `index` (which held `removed`): the
// rules that sent it send a copy of their own, so they go on sending the same
// bytes, and those that sent a later entry follow it to its new place.
void RulesAfterMessageRemoved(std::vector<Rule> &rules, size_t index, const SavedMessage &removed);

#endif
