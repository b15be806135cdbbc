// The rules as the settings file keeps them: flat key/value entries beside
// the message list's ("UART/Rules/1/Pattern"), read back all or nothing.
#ifndef ORV_UART_RULE_ENTRIES_H
#define ORV_UART_RULE_ENTRIES_H

#include "uart/rule.h"

#include <functional>

// The most rules a file may hold.
constexpr size_t kMostRules = 1000;

struct RulesRead {
    std::vector<Rule> rules;
    // Empty when the rules were read; otherwise what is wrong, naming the
    // entry, and `rules` is empty.
    std::string error;
};

SettingEntries RuleEntries(const std::vector<Rule> &rules);

// The rules from stored entries; `lookup` gives the value of a key or
// nothing. No "UART/Rules/Count" means no rules. Sends are checked against a
// message list of `messageCount`.
RulesRead RulesFromEntries(const std::function<std::optional<std::string>(const std::string &)> &lookup,
                           size_t messageCount);

#endif
