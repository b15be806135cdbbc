// Runs the rules over the received stream: fed the chunks in order, it
// reports each match once, with the actions to carry out. A rule acts at most
// its maxPerSecond times in any second; its further matches within that
// second are reported as limited: counted and highlighted (neither reaches
// the link), but neither sent nor rung. The time is the caller's, so that
// the limit is tested without a clock.
#ifndef ORV_UART_RULE_ENGINE_H
#define ORV_UART_RULE_ENGINE_H

#include "uart/literal_scanner.h"
#include "uart/regex_scanner.h"
#include "uart/rule.h"

#include <chrono>
#include <deque>
#include <optional>
#include <variant>

enum RuleAction : unsigned { RuleActionSend = 1, RuleActionHighlight = 2, RuleActionCount = 4, RuleActionBell = 8 };

struct RuleMatch {
    // The rule's index in the list loaded.
    size_t rule = 0;
    StreamSpan span;
    // RuleAction bits: what to do for this match.
    unsigned actions = 0;
    // Over the rule's rate: its send and bell are left out.
    bool limited = false;
};

struct RuleCounts {
    uint64_t matched = 0;
    uint64_t limited = 0;
};

class RuleEngine {
public:
    using Clock = std::chrono::steady_clock;

    // Takes `rules` when every one of them passes CheckRule against a
    // message list of `messageCount`, and returns an empty text. Otherwise
    // keeps the rules it had and returns "Rule N: " and why (N from 1).
    // Counts, rates and the stream start over.
    std::string Load(std::vector<Rule> rules, size_t messageCount);
    const std::vector<Rule> &Rules() const { return m_rules; }

    // Appends the matches the chunk completes, ordered by where they end
    // (then by rule); `now` is when the chunk came.
    void Feed(const uint8_t *data, size_t size, Clock::time_point now, std::vector<RuleMatch> &matches);
    // The earliest start of a match that the bytes fed so far may still
    // complete, among the enabled rules that highlight; nothing when there
    // is none. Bytes from there on may wait to be shown in their colour.
    std::optional<uint64_t> HighlightPendingFrom() const;
    // A new stream: offsets count from 0 again, and a match begun in the
    // old stream is not completed by the new one.
    void ResetStream();
    void ResetCounts();
    RuleCounts Counts(size_t rule) const { return m_states[rule].counts; }

private:
    struct RuleState {
        // Nothing for a disabled rule.
        std::variant<std::monostate, LiteralScanner, RegexScanner> scanner;
        // When the rule acted within the last second, oldest first.
        std::deque<Clock::time_point> acted;
        RuleCounts counts;
    };

    bool TakeTurn(RuleState &state, unsigned perSecond, Clock::time_point now);

    std::vector<Rule> m_rules;
    std::vector<RuleState> m_states;
    std::vector<StreamSpan> m_found;
};

#endif
