// The rules of the UART panel: received data is fed to the rules where the
// panel takes it from the link's inbox, in stream order; each match waits
// until the data it ends in is shown, so that a rule's send shows after what
// it answers. Matches that highlight colour the text of their bytes in every
// view as that text is appended; bytes that may begin one wait a little for
// the rest, so that a match split over frames is coloured whole.
#include "uart/terminal_panel.h"

#include "uart/error_text.h"
#include "uart/panel_timestamp.h"
#include "uart/rule_engine.h"
#include "uart/rx_render.h"

#include <algorithm>
#include <cerrno>
#include <wx/checkbox.h>
#include <wx/colour.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

namespace {

// A rule's send waits no longer than this for room on the link: it runs on
// the GUI thread, which must not freeze for a module that does not read.
constexpr int kRuleSendTimeoutMs = 200;
// No match begins further back than this before the end of the chunk that
// completes it (RegexScanner's window, longer than any literal pattern), and
// no chunk is longer than its 16-bit size.
constexpr uint64_t kLongestMatchReach = kRegexLineWindow + 0x10000;
// A rule's colour (0xRRGGBB) as the views' pieces keep colours.
uint32_t ViewColour(uint32_t rgb)
{
    return wxColour(static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
                    static_cast<unsigned char>(rgb))
        .GetRGB();
}

} // namespace

const std::vector<Rule> &TerminalPanel::Rules() const
{
    return m_ruleEngine->Rules();
}

std::string TerminalPanel::CheckRules(const std::vector<Rule> &rules) const
{
    RuleEngine trial;
    return trial.Load(rules, static_cast<size_t>(m_historyCount));
}

std::string TerminalPanel::SetRules(std::vector<Rule> rules)
{
    // Data waiting to be shown was taken before these rules: it is shown
    // with the matches of the rules it was fed to.
    ShowAllStagedChunks();
    const std::string refusal = m_ruleEngine->Load(std::move(rules), static_cast<size_t>(m_historyCount));
    if (!refusal.empty())
        return refusal;
    const std::vector<Rule> &loaded = m_ruleEngine->Rules();
    m_rulesRunning = std::any_of(loaded.begin(), loaded.end(), [](const Rule &rule) { return rule.enabled; });
    m_rxBytesTaken = m_rxBytesShown;
    m_ruleStreamStart = m_rxBytesShown;
    m_ruleHits.clear();
    return "";
}

RuleCounts TerminalPanel::RuleCountsOf(size_t rule) const
{
    return m_ruleEngine->Counts(rule);
}

void TerminalPanel::ResetRuleCounts()
{
    m_ruleEngine->ResetCounts();
}

void TerminalPanel::FeedRules(size_t first)
{
    std::vector<RuleMatch> matches;
    const RuleEngine::Clock::time_point now = RuleEngine::Clock::now();
    for (size_t n = first; n < m_rxStaged.size(); ++n) {
        const uint8_t *block = m_rxStaged[n].get();
        const size_t size = ReceiveInbox::ChunkSize(block);
        matches.clear();
        m_ruleEngine->Feed(block + 2, size, now, matches);
        m_rxBytesTaken += size;
        for (const RuleMatch &match : matches)
            if ((match.actions & (RuleActionSend | RuleActionHighlight | RuleActionBell)) != 0)
                m_ruleHits.push_back({m_ruleStreamStart + match.span.begin, m_ruleStreamStart + match.span.end,
                                      match.rule, match.actions});
    }
}

void TerminalPanel::RestartRuleStream()
{
    m_rulePeer = m_link.Peer();
    if (!m_rulesRunning)
        return;
    // What came over the old connection goes to the rules first.
    TakeInbox();
    m_ruleEngine->ResetStream();
    m_ruleStreamStart = m_rxBytesTaken;
}

std::vector<RxColourSpan> TerminalPanel::HighlightSpans(uint64_t offset, size_t size) const
{
    const uint64_t end = offset + size;
    // The highlighting matches over these bytes, clipped to them.
    std::vector<RuleHit> over;
    const auto first = std::upper_bound(m_ruleHits.begin(), m_ruleHits.end(), offset,
                                        [](uint64_t at, const RuleHit &hit) { return at < hit.end; });
    for (auto hit = first; hit != m_ruleHits.end() && hit->end < end + kLongestMatchReach; ++hit)
        if ((hit->actions & RuleActionHighlight) != 0 && hit->begin < end)
            over.push_back({std::max(hit->begin, offset) - offset, std::min(hit->end, end) - offset, hit->rule, 0});
    std::vector<size_t> bounds;
    for (const RuleHit &hit : over) {
        bounds.push_back(static_cast<size_t>(hit.begin));
        bounds.push_back(static_cast<size_t>(hit.end));
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    std::vector<RxColourSpan> spans;
    const std::vector<Rule> &rules = m_ruleEngine->Rules();
    for (size_t n = 0; n + 1 < bounds.size(); ++n) {
        // Where matches overlap, the rule listed first is on top.
        const RuleHit *top = nullptr;
        for (const RuleHit &hit : over)
            if (hit.begin <= bounds[n] && hit.end > bounds[n] && (top == nullptr || hit.rule < top->rule))
                top = &hit;
        if (top == nullptr)
            continue;
        const uint32_t colour = ViewColour(*rules[top->rule].highlight);
        if (!spans.empty() && spans.back().end == bounds[n] && spans.back().colour == colour)
            spans.back().end = bounds[n + 1];
        else
            spans.push_back({bounds[n], bounds[n + 1], colour});
    }
    return spans;
}

void TerminalPanel::AppendWithMatches(uint64_t offset, size_t size, size_t dumpFrom, const RxViewTexts &texts,
                                      RxColourRuns &runs, const std::function<void(RxCuts *)> &append)
{
    const std::vector<RxColourSpan> spans = HighlightSpans(offset, size);
    if (spans.empty()) {
        append(nullptr);
        return;
    }
    // Each span's start and end, and the colour from there on.
    RxCuts cuts;
    std::vector<uint32_t> colours;
    const uint32_t plain = wxGREEN->GetRGB();
    for (const RxColourSpan &span : spans) {
        if (!cuts.bytes.empty() && cuts.bytes.back() == span.begin) {
            colours.back() = span.colour;
        } else {
            cuts.bytes.push_back(span.begin);
            colours.push_back(span.colour);
        }
        cuts.bytes.push_back(span.end);
        colours.push_back(plain);
        m_rxDump.Colour(dumpFrom + span.begin, dumpFrom + span.end, span.colour);
    }
    append(&cuts);
    for (size_t cut = 0; cut < cuts.bytes.size(); ++cut) {
        const uint32_t colour = colours[cut];
        for (int n = 0; n < kNotationCount; ++n) {
            size_t at = cuts.at[n][cut];
            // The blank or line break between two bytes' texts keeps the
            // plain colour; in ASCII such characters are the data's own.
            if (colour != plain && n != NotationAscii)
                while (at < texts[n].size() && (texts[n][at] == ' ' || texts[n][at] == '\n'))
                    ++at;
            auto &changes = runs[n];
            if (!changes.empty() && changes.back().first == at)
                changes.back().second = colour;
            else if (colour != (changes.empty() ? plain : changes.back().second))
                changes.emplace_back(at, colour);
        }
    }
}

void TerminalPanel::AppendRunsToRxView(int notation, const std::string &text,
                                       const std::vector<std::pair<size_t, uint32_t>> &runs)
{
    size_t from = 0;
    wxColour colour = *wxGREEN;
    for (const auto &[at, rgb] : runs) {
        AppendUtf8ToRxView(notation, text.substr(from, at - from), colour);
        colour.SetRGB(rgb);
        from = at;
    }
    AppendUtf8ToRxView(notation, text.substr(from), colour);
}

// A match begun in bytes already shown is shown plain up to there whatever
// follows, and holds nothing back.
size_t TerminalPanel::HeldChunks()
{
    const std::optional<uint64_t> pending = m_rulesRunning ? m_ruleEngine->HighlightPendingFrom() : std::nullopt;
    if (!pending || m_ruleStreamStart + *pending < m_rxBytesShown) {
        m_rxHold.reset();
        return 0;
    }
    const uint64_t from = m_ruleStreamStart + *pending;
    uint64_t offset = m_rxBytesShown;
    size_t first = 0;
    for (; first < m_rxStaged.size(); ++first) {
        const size_t size = ReceiveInbox::ChunkSize(m_rxStaged[first].get());
        if (offset + size > from)
            break;
        offset += size;
    }
    const SteadyClock::time_point now = SteadyClock::now();
    if (!m_rxHold || m_rxHold->offset != offset) {
        m_rxHold = RxHold{offset, now};
    } else if (now - m_rxHold->since >= m_rxMostHold) {
        m_rxHold.reset();
        return 0;
    }
    return m_rxStaged.size() - first;
}

void TerminalPanel::RunShownRuleMatches()
{
    bool rang = false;
    while (!m_ruleHits.empty() && m_ruleHits.front().end <= m_rxBytesShown) {
        const RuleHit hit = m_ruleHits.front();
        m_ruleHits.pop_front();
        if ((hit.actions & RuleActionSend) != 0)
            SendForRule(hit.rule);
        rang = rang || (hit.actions & RuleActionBell) != 0;
    }
    // One ring for the matches shown together: rings in a row sound as one.
    if (rang)
        wxBell();
}

// Sent as the message list sends: the bytes as a list entry makes them, the
// echo in the views, the link's counts.
void TerminalPanel::SendForRule(size_t rule)
{
    RuleSend send = *m_ruleEngine->Rules()[rule].send;
    if (send.listed) {
        const size_t index = *send.listed;
        send.own = {m_historyTexts[index].ToStdWstring(), m_historyTypes[index], m_historyEndings[index]};
        send.listed.reset();
    }
    const SavedMessage &message = send.own;
    const std::vector<uint8_t> bytes = RuleSendBytes(send, {});
    const wxString stamp = m_timestampCheck->GetValue() ? PanelTimestamp() + " [TX] - " : wxString();
    if (!m_link.Connected()) {
        AppendTxLineNow(message.notation, stamp + wxString::Format("Rule %zu: not sent, not connected\n", rule + 1),
                        *wxRED);
        return;
    }
    const auto total = static_cast<uint16_t>(bytes.size());
    uint16_t length = total;
    if (m_link.SendWhole(reinterpret_cast<const char *>(bytes.data()), &length, kRuleSendTimeoutMs) == 0) {
        AppendTxLineNow(message.notation, stamp + wxString(message.text) + "\n", *wxWHITE);
        return;
    }
    const int failure = errno;
    // No box: one would stop the panel for every match while data flows.
    AppendTxLineNow(message.notation,
                    stamp + wxString::Format("Rule %zu: ", rule + 1) +
                        wxString::FromUTF8(SendFailureText(failure, length, total)) + "\n",
                    *wxRED);
}

void TerminalPanel::RulesAfterMessageGone(size_t index, const SavedMessage &message)
{
    std::vector<Rule> rules = m_ruleEngine->Rules();
    if (rules.empty())
        return;
    RulesAfterMessageRemoved(rules, index, message);
    // The rules stay valid: a send of the entry gone has become a copy of it.
    SetRules(std::move(rules));
}
