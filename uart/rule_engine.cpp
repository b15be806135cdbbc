#include "uart/rule_engine.h"

#include <algorithm>
#include <type_traits>

namespace {

unsigned ActionsOf(const Rule &rule)
{
    return (rule.send ? RuleActionSend : 0U) | (rule.highlight ? RuleActionHighlight : 0U) |
           (rule.count ? RuleActionCount : 0U) | (rule.bell ? RuleActionBell : 0U);
}

} // namespace

std::string RuleEngine::Load(std::vector<Rule> rules, size_t messageCount)
{
    std::vector<RuleState> states(rules.size());
    for (size_t n = 0; n < rules.size(); ++n) {
        const std::string refusal = CheckRule(rules[n], messageCount);
        if (!refusal.empty())
            return "Rule " + std::to_string(n + 1) + ": " + refusal;
        if (!rules[n].enabled)
            continue;
        const std::string pattern = *RulePatternBytes(rules[n]);
        if (rules[n].match == RuleMatchKind::Regex) {
            std::string error;
            states[n].scanner = std::move(*RegexScanner::Compile(pattern, error));
        } else {
            states[n].scanner = LiteralScanner(pattern);
        }
    }
    m_rules = std::move(rules);
    m_states = std::move(states);
    return std::string();
}

void RuleEngine::Feed(const uint8_t *data, size_t size, Clock::time_point now, std::vector<RuleMatch> &matches)
{
    const size_t first = matches.size();
    for (size_t n = 0; n < m_states.size(); ++n) {
        m_found.clear();
        std::visit(
            [&](auto &scanner) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(scanner)>, std::monostate>)
                    scanner.Feed(data, size, m_found);
            },
            m_states[n].scanner);
        for (const StreamSpan &span : m_found)
            matches.push_back({n, span, 0, false});
    }
    // The rate goes by the order in which the matches were completed.
    std::stable_sort(matches.begin() + static_cast<std::ptrdiff_t>(first), matches.end(),
                     [](const RuleMatch &a, const RuleMatch &b) { return a.span.end < b.span.end; });
    for (auto match = matches.begin() + static_cast<std::ptrdiff_t>(first); match != matches.end(); ++match) {
        const Rule &rule = m_rules[match->rule];
        RuleState &state = m_states[match->rule];
        ++state.counts.matched;
        match->actions = ActionsOf(rule);
        if (!TakeTurn(state, rule.maxPerSecond, now)) {
            match->limited = true;
            match->actions &= ~(RuleActionSend | RuleActionBell);
            ++state.counts.limited;
        }
    }
}

std::optional<uint64_t> RuleEngine::HighlightPendingFrom() const
{
    std::optional<uint64_t> earliest;
    for (size_t n = 0; n < m_states.size(); ++n) {
        if (!m_rules[n].highlight)
            continue;
        const std::optional<uint64_t> from = std::visit(
            [](const auto &scanner) -> std::optional<uint64_t> {
                if constexpr (std::is_same_v<std::decay_t<decltype(scanner)>, std::monostate>)
                    return std::nullopt;
                else
                    return scanner.PendingFrom();
            },
            m_states[n].scanner);
        if (from && (!earliest || *from < *earliest))
            earliest = from;
    }
    return earliest;
}

bool RuleEngine::TakeTurn(RuleState &state, unsigned perSecond, Clock::time_point now)
{
    while (!state.acted.empty() && now - state.acted.front() >= std::chrono::seconds(1))
        state.acted.pop_front();
    if (state.acted.size() >= perSecond)
        return false;
    state.acted.push_back(now);
    return true;
}

void RuleEngine::ResetStream()
{
    for (RuleState &state : m_states)
        std::visit(
            [](auto &scanner) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(scanner)>, std::monostate>)
                    scanner.Reset();
            },
            state.scanner);
}

void RuleEngine::ResetCounts()
{
    for (RuleState &state : m_states)
        state.counts = RuleCounts();
}
