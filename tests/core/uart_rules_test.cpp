#include "uart/rule_engine.h"
#include "uart/rule_entries.h"
#include "uart/rule_json.h"
#include "uart/tx_codec.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Clock = RuleEngine::Clock;
using std::chrono::milliseconds;

Rule TextRule(const std::wstring &pattern, unsigned perSecond = kDefaultRuleRate)
{
    Rule rule;
    rule.pattern = pattern;
    rule.send = RuleSend{std::nullopt, {L"GO", NotationAscii, LineEndingCrLf}};
    rule.count = true;
    rule.maxPerSecond = perSecond;
    return rule;
}

std::vector<RuleMatch> Feed(RuleEngine &engine, const std::string &chunk, Clock::time_point at)
{
    std::vector<RuleMatch> matches;
    engine.Feed(reinterpret_cast<const uint8_t *>(chunk.data()), chunk.size(), at, matches);
    return matches;
}

TEST(RuleEngine, ReportsEachKindOfMatchOnceInStreamOrder)
{
    Rule hex = TextRule(L"0d 0a");
    hex.match = RuleMatchKind::Hex;
    hex.send.reset();
    Rule regex = TextRule(L"ERR\\d+");
    regex.match = RuleMatchKind::Regex;
    regex.send.reset();
    regex.highlight = 0xff0000;
    Rule disabled = TextRule(L"READY?");
    disabled.enabled = false;
    RuleEngine engine;
    ASSERT_EQ(engine.Load({TextRule(L"READY?"), hex, regex, disabled}, 0), "");

    const Clock::time_point now;
    EXPECT_TRUE(Feed(engine, "REA", now).empty());
    const std::vector<RuleMatch> matches = Feed(engine, "DY?\r\nERR7", now);
    ASSERT_EQ(matches.size(), 3U);
    EXPECT_EQ(matches[0].rule, 0U);
    EXPECT_EQ(matches[0].span, (StreamSpan{0, 6}));
    EXPECT_EQ(matches[0].actions, unsigned{RuleActionSend | RuleActionCount});
    EXPECT_EQ(matches[1].rule, 1U);
    EXPECT_EQ(matches[1].span, (StreamSpan{6, 8}));
    EXPECT_EQ(matches[2].rule, 2U);
    EXPECT_EQ(matches[2].span, (StreamSpan{8, 12}));
    EXPECT_EQ(matches[2].actions, unsigned{RuleActionHighlight | RuleActionCount});
    EXPECT_TRUE(Feed(engine, "\n", now).empty()) << "a match is reported once";

    engine.ResetStream();
    EXPECT_TRUE(Feed(engine, "DY?", now).empty()) << "a match begun before the reset is not completed";
    EXPECT_EQ(Feed(engine, "READY?", now).at(0).span, (StreamSpan{3, 9}));
}

TEST(RuleEngine, ActsAtMostItsRatePerSecondAndCountsTheRest)
{
    Rule rule = TextRule(L"OK", 2);
    rule.bell = true;
    rule.highlight = 0x00ff00;
    RuleEngine engine;
    ASSERT_EQ(engine.Load({rule}, 0), "");
    const Clock::time_point start;
    // Three in one chunk: the third is over the rate.
    const std::vector<RuleMatch> burst = Feed(engine, "OK OK OK", start);
    ASSERT_EQ(burst.size(), 3U);
    EXPECT_FALSE(burst[1].limited);
    EXPECT_TRUE(burst[2].limited);
    EXPECT_EQ(burst[2].actions, unsigned{RuleActionHighlight | RuleActionCount}) << "no send, no bell";
    EXPECT_TRUE(Feed(engine, "OK", start + milliseconds(999)).at(0).limited);
    const std::vector<RuleMatch> later = Feed(engine, "OK OK OK", start + milliseconds(1000));
    ASSERT_EQ(later.size(), 3U);
    EXPECT_FALSE(later[1].limited) << "the first turns are a second old";
    EXPECT_TRUE(later[2].limited);
    EXPECT_EQ(engine.Counts(0).matched, 7U);
    EXPECT_EQ(engine.Counts(0).limited, 3U);
    engine.ResetCounts();
    EXPECT_EQ(engine.Counts(0).matched, 0U);
}

// Where a highlighting match may still be under way after each chunk fed:
// the earliest start over the enabled rules that highlight.
TEST(RuleEngine, TellsWhereAHighlightingMatchMayBeUnderWay)
{
    const auto highlighting = [](RuleMatchKind kind, const std::wstring &pattern) {
        Rule rule;
        rule.match = kind;
        rule.pattern = pattern;
        rule.highlight = 0xff0000;
        return rule;
    };
    const Rule error = highlighting(RuleMatchKind::Text, L"ERROR");
    const Rule regex = highlighting(RuleMatchKind::Regex, L"ERR[0-9]+");
    Rule disabled = error;
    disabled.enabled = false;
    using Pending = std::vector<std::optional<uint64_t>>;
    const std::nullopt_t none = std::nullopt;
    struct Case {
        const char *what;
        std::vector<Rule> rules;
        std::vector<std::string> chunks;
        Pending expected;
    };
    const std::vector<Case> cases = {
        {"a text's beginning, split", {error}, {"xx E", "R", "RO", "R!"}, {3, 3, 3, none}},
        {"the longest end that begins the pattern",
         {highlighting(RuleMatchKind::Text, L"abac")},
         {"xaba", "bab"},
         {1, 5}},
        {"a near miss, and after a whole match", {error}, {"ERX", "ERRORE"}, {none, 8}},
        {"a regular expression on its line", {regex}, {"ok ER", "R", "4", "2\nE"}, {3, 3, none, 9}},
        {"a line ending ends it", {highlighting(RuleMatchKind::Regex, L"a.*b")}, {"xa1", "2\r"}, {1, none}},
        {"$ waits for the line ending", {highlighting(RuleMatchKind::Regex, L"OK$")}, {"xOK", "\n"}, {1, none}},
        {"the earliest of two rules",
         {highlighting(RuleMatchKind::Text, L"WARN"), highlighting(RuleMatchKind::Regex, L"ok.*!")},
         {"ok, WA", "RN", "!"},
         {0, 0, none}},
        {"rules that do not highlight, or are off", {TextRule(L"ERROR"), disabled}, {"ERR"}, {none}},
    };
    for (const Case &test : cases) {
        RuleEngine engine;
        ASSERT_EQ(engine.Load(test.rules, 0), "") << test.what;
        Pending got;
        for (const std::string &chunk : test.chunks) {
            Feed(engine, chunk, Clock::time_point());
            got.push_back(engine.HighlightPendingFrom());
        }
        EXPECT_EQ(got, test.expected) << test.what;
    }
    RuleEngine engine;
    ASSERT_EQ(engine.Load({error}, 0), "");
    Feed(engine, "ERR", Clock::time_point());
    engine.ResetStream();
    EXPECT_EQ(engine.HighlightPendingFrom(), std::nullopt) << "a new stream has nothing under way";
}

TEST(RuleEngine, RefusesABadListWholeAndKeepsTheRulesItHad)
{
    RuleEngine engine;
    ASSERT_EQ(engine.Load({TextRule(L"A")}, 0), "");
    Rule listed = TextRule(L"B");
    listed.send->listed = 2;
    EXPECT_EQ(engine.Load({TextRule(L"C"), listed}, 2), "Rule 2: it sends message 3 but the list has 2");
    ASSERT_EQ(engine.Rules().size(), 1U);
    EXPECT_EQ(engine.Rules()[0].pattern, L"A");
}

TEST(Rule, ChecksPatternActionsAndSends)
{
    const auto refusal = [](auto change) {
        Rule rule = TextRule(L"OK");
        change(rule);
        return CheckRule(rule, 3);
    };
    EXPECT_EQ(refusal([](Rule &) {}), "");
    EXPECT_EQ(refusal([](Rule &r) { r.pattern.clear(); }), "the pattern is empty");
    EXPECT_EQ(refusal([](Rule &r) { r.match = RuleMatchKind::Hex, r.pattern = L"0g"; }),
              "the hex pattern: Invalid hex group '0g': use only the digits 0-9, a-f, A-F");
    EXPECT_EQ(refusal([](Rule &r) { r.pattern = L"\u20ac"; }),
              "in the pattern the character '\xe2\x82\xac' (U+20AC) is not one byte");
    EXPECT_EQ(refusal([](Rule &r) { r.match = RuleMatchKind::Regex, r.pattern = L"a{2"; }), "");
    EXPECT_EQ(refusal([](Rule &r) { r.match = RuleMatchKind::Regex, r.pattern = L"(?<x"; }).rfind(
                  "invalid regular expression: ", 0),
              0U);
    EXPECT_EQ(refusal([](Rule &r) { r.send.reset(), r.count = false; }), "it has no action");
    EXPECT_EQ(refusal([](Rule &r) { r.send->own.text = L"zz", r.send->own.notation = NotationHex; }),
              "its message has an unknown line ending");
    EXPECT_EQ(refusal([](Rule &r) { r.send->own = {L"zz", NotationHex, 0}; }),
              "its message: Invalid hex group 'zz': use only the digits 0-9, a-f, A-F");
    EXPECT_EQ(refusal([](Rule &r) { r.maxPerSecond = 0; }), "it may act 1 to 1000 times per second");
}

TEST(Rule, SendsTheListedOrItsOwnBytesAndFollowsTheListWhenAnEntryGoes)
{
    const std::vector<SavedMessage> list = {{L"A", NotationAscii, LineEndingCr}, {L"0a ff", NotationHex, 0}};
    RuleSend send{1, {}};
    EXPECT_EQ(RuleSendBytes(send, list), (std::vector<uint8_t>{0x0a, 0xff}));
    send.listed = 2;
    EXPECT_TRUE(RuleSendBytes(send, list).empty());
    EXPECT_EQ(RuleSendBytes(TextRule(L"x").send.value(), list), (std::vector<uint8_t>{'G', 'O', '\r', '\n'}));

    std::vector<Rule> rules(3, TextRule(L"x"));
    rules[0].send->listed = 0;
    rules[1].send->listed = 1;
    RulesAfterMessageRemoved(rules, 0, list[0]);
    EXPECT_FALSE(rules[0].send->listed);
    EXPECT_EQ(rules[0].send->own.text, L"A");
    EXPECT_EQ(rules[0].send->own.ending, LineEndingCr);
    EXPECT_EQ(rules[1].send->listed, size_t{0});
    EXPECT_FALSE(rules[2].send->listed);
}

// Rules that use every field, for the round trips.
std::vector<Rule> EveryField()
{
    Rule listed = TextRule(L"READY? \u00e4", 7);
    listed.send->listed = 1;
    listed.bell = true;
    Rule hex = TextRule(L"0d 0a");
    hex.match = RuleMatchKind::Hex;
    hex.enabled = false;
    hex.send->own = {L"1 ff", NotationHex, 0};
    Rule regex = TextRule(L"^ERR(OR)? \\d+$");
    regex.match = RuleMatchKind::Regex;
    regex.send.reset();
    regex.highlight = 0x12ab34;
    return {listed, hex, regex};
}

void ExpectSame(const std::vector<Rule> &read, const std::vector<Rule> &written)
{
    ASSERT_EQ(read.size(), written.size());
    for (size_t n = 0; n < read.size(); ++n) {
        EXPECT_EQ(read[n].enabled, written[n].enabled);
        EXPECT_EQ(read[n].match, written[n].match);
        EXPECT_EQ(read[n].pattern, written[n].pattern);
        EXPECT_EQ(read[n].send.has_value(), written[n].send.has_value());
        if (read[n].send && written[n].send) {
            EXPECT_EQ(read[n].send->listed, written[n].send->listed);
        }
        if (read[n].send && written[n].send && !written[n].send->listed) {
            EXPECT_EQ(read[n].send->own.text, written[n].send->own.text);
            EXPECT_EQ(read[n].send->own.notation, written[n].send->own.notation);
            EXPECT_EQ(read[n].send->own.ending, written[n].send->own.ending);
        }
        EXPECT_EQ(read[n].highlight, written[n].highlight);
        EXPECT_EQ(read[n].count, written[n].count);
        EXPECT_EQ(read[n].bell, written[n].bell);
        EXPECT_EQ(read[n].maxPerSecond, written[n].maxPerSecond);
    }
}

RulesRead FromEntries(const SettingEntries &entries, size_t messageCount = 2)
{
    return RulesFromEntries(
        [&entries](const std::string &key) -> std::optional<std::string> {
            const auto found = entries.find(key);
            return found == entries.end() ? std::nullopt : std::optional<std::string>(found->second);
        },
        messageCount);
}

TEST(RuleStore, SettingsEntriesAndJsonGiveTheRulesBack)
{
    const SettingEntries entries = RuleEntries(EveryField());
    EXPECT_EQ(entries.at("UART/Rules/1/Pattern"), "READY? \xc3\xa4");
    EXPECT_EQ(entries.at("UART/Rules/1/SendMessage"), "2");
    EXPECT_EQ(entries.at("UART/Rules/3/Highlight"), "#12ab34");
    const RulesRead fromEntries = FromEntries(entries);
    EXPECT_EQ(fromEntries.error, "");
    ExpectSame(fromEntries.rules, EveryField());

    const nlohmann::json json = nlohmann::json::parse(RulesJson(EveryField()).dump());
    EXPECT_EQ(json[1]["send"], nlohmann::json::parse(R"({"text": "1 ff", "notation": "hex", "ending": "none"})"));
    const RulesRead fromJson = RulesFromJson(json, 2);
    EXPECT_EQ(fromJson.error, "");
    ExpectSame(fromJson.rules, EveryField());

    EXPECT_TRUE(FromEntries({}).rules.empty()) << "a file from before rules";
    EXPECT_EQ(FromEntries({}).error, "");
}

TEST(RuleStore, ABadEntryIsNamedAndNothingIsLoaded)
{
    const std::vector<std::pair<std::map<std::string, std::string>, std::string>> entryCases = {
        {{{"UART/Rules/Count", "x"}}, "UART/Rules/Count: not a number from 0 to 1000"},
        {{{"UART/Rules/2/Match", "glob"}}, "UART/Rules/2/Match: not text, hex or regex"},
        {{{"UART/Rules/3/Pattern", "("}}, "Rule 3: invalid regular expression: missing closing parenthesis at the end"},
        {{{"UART/Rules/1/SendMessage", "3"}}, "Rule 1: it sends message 3 but the list has 2"},
        {{{"UART/Rules/2/SendMessage", "1"}}, "UART/Rules/2/SendText: a rule sends either a listed message or its own"},
        {{{"UART/Rules/3/Highlight", "red"}}, "UART/Rules/3/Highlight: not a colour #rrggbb"},
        {{{"UART/Rules/3/PerSecond", "0"}}, "UART/Rules/3/PerSecond: not a number from 1 to 1000"},
        {{{"UART/Rules/2/Bell", "yes"}}, "UART/Rules/2/Bell: not 0 or 1"},
        {{{"UART/Rules/1/Pattern", "\xff"}}, "UART/Rules/1/Pattern: not UTF-8 text"},
    };
    for (const auto &[changes, error] : entryCases) {
        SettingEntries entries = RuleEntries(EveryField());
        for (const auto &[key, value] : changes)
            entries[key] = value;
        const RulesRead read = FromEntries(entries);
        EXPECT_EQ(read.error, error);
        EXPECT_TRUE(read.rules.empty()) << error;
    }
    SettingEntries missing = RuleEntries(EveryField());
    missing.erase("UART/Rules/2/Pattern");
    EXPECT_EQ(FromEntries(missing).error, "UART/Rules/2/Pattern: missing");

    const std::vector<std::pair<std::string, std::string>> jsonCases = {
        {R"({"match": "text"})", "The rules are not a list of at most 1000 rules"},
        {R"([{"match": "text", "pattern": "x", "count": true, "colour": "#000000"}])",
         "Rule 1: unknown key \"colour\""},
        {R"([{"match": "text", "pattern": 5, "count": true}])", "Rule 1, \"pattern\": not a text"},
        {R"([{"match": "text", "pattern": "x", "count": 1}])", "Rule 1, \"count\": not true or false"},
        {R"([{"match": "text", "pattern": "x", "per_second": -1, "count": true}])",
         "Rule 1, \"per_second\": not a whole number from 1 to 1000"},
        {R"([{"match": "text", "pattern": "x", "count": true}, {"match": "text", "pattern": "y",
             "send": {"text": "z", "notation": "octal"}}])",
         "Rule 2, \"send\", \"notation\": not ascii, hex, binary or decimal"},
        {R"([{"match": "text", "pattern": "x", "send": {"message": 0}}])",
         "Rule 1, \"send\", \"message\": not a whole number from 1 to 1000000"},
        {R"([{"match": "text", "pattern": "x"}])", "Rule 1: it has no action"},
    };
    for (const auto &[text, error] : jsonCases) {
        const RulesRead read = RulesFromJson(nlohmann::json::parse(text), 2);
        EXPECT_EQ(read.error, error);
        EXPECT_TRUE(read.rules.empty()) << error;
    }
}

} // namespace
