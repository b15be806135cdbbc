// The rules in a JSON workspace: an array of objects such as
//   {"enabled": true, "match": "text", "pattern": "READY?", "per_second": 5,
//    "send": {"text": "GO", "notation": "ascii", "ending": "CR LF"},
//    "highlight": "#ff8000", "count": true, "bell": false}
// where "send" may instead name a list entry ({"message": 2}, from 1).
// Read back all or nothing; an unknown key is refused, so that a misspelt one
// is not silently dropped.
#ifndef ORV_UART_RULE_JSON_H
#define ORV_UART_RULE_JSON_H

#include "uart/rule_entries.h"

#include <nlohmann/json.hpp>

nlohmann::json RulesJson(const std::vector<Rule> &rules);
// Sends are checked against a message list of `messageCount`.
RulesRead RulesFromJson(const nlohmann::json &json, size_t messageCount);

#endif
