// Throughput of the rule engine and the highlighter fed a received stream in
// 512-byte chunks, as the receive thread hands them over: 64 MiB of 80-byte
// lines and 16 MiB without line endings (each chunk then searches the whole
// carried line window). For the choice of PCRE2, the same expressions with
// std::regex, line by line, on a part of the lines, and std::regex on one 4 KB
// line without a match. Prints MB/s (medians of 3 rounds).
#include "uart/highlighter.h"
#include "uart/rule_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kChunk = 512;
constexpr int kRounds = 3;

std::string Lines(size_t bytes)
{
    std::string stream;
    for (unsigned n = 0; stream.size() < bytes; ++n) {
        std::string line = "sensor " + std::to_string(n % 1000) + " value=" + std::to_string(n * 7 % 1000) +
                           (n % 97 == 0 ? " ERROR 17" : " status OK") + " temp 23.5C";
        line.resize(78, '.');
        stream += line + "\r\n";
    }
    return stream;
}

Rule MakeRule(RuleMatchKind kind, const std::wstring &pattern)
{
    Rule rule;
    rule.match = kind;
    rule.pattern = pattern;
    rule.count = true;
    rule.maxPerSecond = kMostRuleRate;
    return rule;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// MB/s of `feed` over the stream in chunks; `feed` returns the matches.
template <typename Feed>
double Rate(const std::string &stream, Feed feed, size_t &found)
{
    std::vector<double> rates;
    for (int round = 0; round < kRounds; ++round) {
        found = 0;
        const auto start = Clock::now();
        for (size_t at = 0; at < stream.size(); at += kChunk) {
            const size_t size = std::min(kChunk, stream.size() - at);
            found += feed(reinterpret_cast<const uint8_t *>(stream.data()) + at, size);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        rates.push_back(static_cast<double>(stream.size()) / seconds / 1e6);
    }
    return Median(rates);
}

void Engine(const char *name, const std::string &stream, const std::vector<Rule> &rules)
{
    RuleEngine engine;
    if (!engine.Load(rules, 0).empty())
        return;
    std::vector<RuleMatch> matches;
    size_t found = 0;
    const double rate = Rate(stream, [&](const uint8_t *data, size_t size) {
        matches.clear();
        engine.ResetCounts();
        engine.Feed(data, size, Clock::now(), matches);
        return matches.size();
    }, found);
    std::printf("  %-44s %8.1f MB/s  (%zu matches)\n", name, rate, found);
}

void Highlights(const std::string &stream)
{
    Highlighter highlighter;
    if (!highlighter.Load({{L"ERROR \\d+", 0xff0000}, {L"temp \\d+\\.\\dC", 0x0000ff}, {L"^sensor \\d+", 0x00ff00}})
             .empty())
        return;
    std::vector<HighlightSpan> spans;
    size_t found = 0;
    const double rate = Rate(stream, [&](const uint8_t *data, size_t size) {
        spans.clear();
        highlighter.Feed(data, size, spans);
        return spans.size();
    }, found);
    std::printf("  %-44s %8.1f MB/s  (%zu spans)\n", "highlighter, 3 expressions", rate, found);
}

// std::regex over whole lines, the most favourable way to use it.
void StdRegex(const char *pattern, const std::string &stream)
{
    const std::regex expression(pattern);
    const auto start = Clock::now();
    size_t found = 0;
    for (size_t at = 0; at < stream.size();) {
        const size_t end = stream.find('\n', at);
        const char *first = stream.data() + at;
        const char *last = stream.data() + (end == std::string::npos ? stream.size() : end);
        for (std::cregex_iterator match(first, last, expression), none; match != none; ++match)
            ++found;
        at = end == std::string::npos ? stream.size() : end + 1;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("  std::regex %-33s %8.1f MB/s  (%zu matches)\n", pattern,
                static_cast<double>(stream.size()) / seconds / 1e6, found);
}

} // namespace

int main()
{
    const std::string lines = Lines(size_t{64} << 20);
    std::printf("64 MiB of 80-byte lines in %zu-byte chunks:\n", kChunk);
    Engine("1 text rule", lines, {MakeRule(RuleMatchKind::Text, L"ERROR")});
    Engine("1 regex rule", lines, {MakeRule(RuleMatchKind::Regex, L"ERROR \\d+")});
    std::vector<Rule> mixed = {MakeRule(RuleMatchKind::Text, L"READY?"), MakeRule(RuleMatchKind::Hex, L"0d 0a"),
                               MakeRule(RuleMatchKind::Regex, L"ERROR \\d+"),
                               MakeRule(RuleMatchKind::Regex, L"^sensor 9\\d\\d "),
                               MakeRule(RuleMatchKind::Regex, L"temp (\\d+)\\.\\dC")};
    Engine("5 rules (text, hex, 3 regex)", lines, mixed);
    std::vector<Rule> ten;
    for (int n = 0; n < 10; ++n)
        ten.push_back(MakeRule(RuleMatchKind::Regex, L"value=" + std::to_wstring(n * 100 + 7) + L"\\b"));
    Engine("10 regex rules", lines, ten);
    Highlights(lines);

    const std::string endless(size_t{16} << 20, 'x');
    std::printf("16 MiB without line endings (each chunk searches the %zu-byte window):\n", kRegexLineWindow);
    Engine("1 regex rule", endless, {MakeRule(RuleMatchKind::Regex, L"ERROR \\d+")});
    Engine("5 rules (text, hex, 3 regex)", endless, mixed);

    const std::string part = lines.substr(0, size_t{8} << 20);
    std::printf("std::regex (ECMAScript), line by line, 8 MiB of the lines:\n");
    StdRegex("ERROR \\d+", part);
    StdRegex("^sensor 9\\d\\d ", part);
    StdRegex("temp (\\d+)\\.\\dC", part);
    const std::string line(4096, 'a');
    const auto start = Clock::now();
    const bool matched = std::regex_search(line, std::regex("(a|b)*c"));
    std::printf("std::regex \"(a|b)*c\" on one 4096-byte line: %.3f s (%s)\n",
                std::chrono::duration<double>(Clock::now() - start).count(), matched ? "match" : "no match");
    return 0;
}
