#include "modbus_cli/diagnostics.h"

#include "library/modbus_lib/modbus.h"
#include "library/modbus_lib/modbus_mbap.h"
#include "library/modbus_lib/modbus_rtu.h"
#include "modbus/frame_description.h"
#include "modbus/register_scan.h"
#include "modbus/unit_scan.h"
#include "modbus_cli/output.h"
#include "modbus_cli/session.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace modbus_cli {

namespace {

const char *CommandName(Diagnostic kind)
{
    switch (kind) {
    case Diagnostic::Raw: return "raw";
    case Diagnostic::ScanUnits: return "scan-units";
    case Diagnostic::ScanRegisters: return "scan-registers";
    default: return "";
    }
}

// Options that mean nothing to a command.
std::vector<std::string> Inapplicable(Diagnostic kind)
{
    std::vector<std::string> options = {"--address", "--count", "--write-address", "--format",
                                        "--order",   "--poll",  "--times",         "--stats"};
    const std::vector<std::string> own = kind == Diagnostic::Raw ? std::vector<std::string>{"--unit", "--from", "--to",
                                                                                             "--function"}
                                         : kind == Diagnostic::ScanUnits
                                             ? std::vector<std::string>{"--unit", "--function", "--as-is"}
                                             : std::vector<std::string>{"--as-is"};
    options.insert(options.end(), own.begin(), own.end());
    return options;
}

bool Given(const std::vector<std::string> &given, const std::string &option)
{
    return std::find(given.begin(), given.end(), option) != given.end();
}

std::string ReadBound(const std::string &text, const char *option, long low, long high, long &value)
{
    if (text.empty() || ParseNumber(text, low, high, value))
        return "";
    return std::string(option) + " must be " + std::to_string(low) + " to " + std::to_string(high) + ", not '" +
           text + "'";
}

std::string ReadRange(const DiagnosticArguments &diagnostic, long low, long high, long from, long to,
                      DiagnosticRequest &request)
{
    std::string refusal = ReadBound(diagnostic.from, "--from", low, high, from);
    if (refusal.empty())
        refusal = ReadBound(diagnostic.to, "--to", low, high, to);
    if (refusal.empty() && from > to)
        refusal = "--from " + std::to_string(from) + " is past --to " + std::to_string(to);
    request.from = static_cast<int>(from);
    request.to = static_cast<int>(to);
    return refusal;
}

std::string BuildRaw(const Arguments &arguments, const DiagnosticArguments &diagnostic, int framing,
                     DiagnosticRequest &request)
{
    if (arguments.values.empty())
        return "raw takes the frame's bytes in hex, such as 01 03 00 00 00 02";
    const std::string refusal = ParseHexBytes(arguments.values, request.frame);
    if (!refusal.empty())
        return refusal;
    request.asIs = diagnostic.asIs;
    // Unit id and protocol data unit, or a whole frame of the framing.
    const int least = request.asIs && framing == MB_FRAMING_RTU ? 1 : 2;
    const int most = !request.asIs ? MB_RTU_MAX_ADU_LENGTH - MB_RTU_CHECKSUM_LENGTH
                     : framing == MB_FRAMING_TCP ? MB_MBAP_MAX_ADU_LENGTH
                                                 : MB_RTU_MAX_ADU_LENGTH;
    const int count = static_cast<int>(request.frame.size());
    if (count < least || count > most)
        return std::string("a raw frame") + (request.asIs ? " sent as is" : "") + " takes " + std::to_string(least) +
               " to " + std::to_string(most) + " bytes, got " + std::to_string(count);
    return "";
}

std::string BuildScanRegisters(const Arguments &arguments, const DiagnosticArguments &diagnostic,
                               DiagnosticRequest &request)
{
    long unit = 1;
    std::string refusal = ReadBound(arguments.unit, "--unit", 0, 255, unit);
    request.unit = static_cast<int>(unit);
    if (!refusal.empty())
        return refusal;
    if (!diagnostic.function.empty()) {
        request.function = FunctionCode(diagnostic.function);
        if (LargestRead(request.function) == 0)
            return "--function must be 1, 2, 3 or 4 (a read), not '" + diagnostic.function + "'";
    }
    if (diagnostic.to.empty())
        return "scan-registers needs --to, the last address to scan";
    return ReadRange(diagnostic, 0, 0xFFFF, 0, 0, request);
}

// How far a scan is, on standard error: one line kept up to date on a
// terminal, else a line at each tenth of the way.
class Progress {
public:
    explicit Progress(std::string what) : m_what(std::move(what)), m_terminal(isatty(STDERR_FILENO) == 1) {}
    ~Progress() { Clear(); }
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    void Show(long done, long total, const std::string &state)
    {
        const long tenth = total > 0 ? done * 10 / total : 10;
        if (!m_terminal && tenth == m_tenth)
            return;
        m_tenth = tenth;
        const std::string line = "orv-modbus: " + m_what + ": " + std::to_string(done * 100 / std::max(total, 1L)) +
                                 " % (" + std::to_string(done) + " of " + std::to_string(total) + "), " + state;
        std::fputs(m_terminal ? ("\r\033[K" + line).c_str() : (line + "\n").c_str(), stderr);
        m_shown = m_terminal;
    }
    // Takes the terminal's progress line away, before other output.
    void Clear()
    {
        if (m_shown)
            std::fputs("\r\033[K", stderr);
        m_shown = false;
    }

private:
    std::string m_what;
    bool m_terminal;
    bool m_shown = false;
    long m_tenth = -1;
};

std::string Dump(const nlohmann::ordered_json &line)
{
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string Plural(long count, const char *one, const char *many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

FrameDescription DescribeRawAnswer(const RawOutcome &raw, int framing)
{
    return DescribeAnswer({raw.answer.data(), raw.answer.size()}, framing, {raw.sent.data(), raw.sent.size()});
}

int RunRaw(const DiagnosticRequest &request, Session &session, const DiagnosticContext &context)
{
    const RawOutcome raw = session.Raw(request.frame, request.asIs);
    const FrameDescription answer = DescribeRawAnswer(raw, context.framing);
    const bool answered = !raw.answer.empty();
    if (raw.status != EXIT_OK)
        PrintLine(stderr, "orv-modbus: " + context.where + ": " + raw.error);
    int unwritten = 0;
    if (context.json) {
        nlohmann::ordered_json line = {{"time", LocalTime(std::chrono::system_clock::now(), false, true)},
                                       {"host", context.host},
                                       {"port", context.port},
                                       {"sent", HexBytes(raw.sent.data(), raw.sent.size())}};
        if (answered) {
            line["answer"] = HexBytes(raw.answer.data(), raw.answer.size());
            line["decoded"] = DescriptionLine(answer);
        }
        if (raw.status != EXIT_OK) {
            line["status"] = raw.status;
            line["error"] = raw.error;
        } else {
            line["round_trip_ms"] = static_cast<double>(std::llround(raw.roundTripMs * 1000)) / 1000;
        }
        unwritten = PrintLine(stdout, Dump(line));
    } else if (answered) {
        unwritten = PrintLine(stdout, HexBytes(raw.answer.data(), raw.answer.size()));
        if (unwritten == 0)
            unwritten = PrintLine(stdout, DescriptionLine(answer));
    }
    if (unwritten != 0)
        return WriteFailure(unwritten);
    if (raw.status != EXIT_OK)
        return raw.status;
    const bool sound = answer.shape == FrameDescription::Shape::Whole && !answer.crcBad && answer.exception == 0;
    return sound ? EXIT_OK : EXIT_REFUSED_ANSWER;
}

int RunScanUnits(const DiagnosticRequest &request, Session &session, const DiagnosticContext &context)
{
    const long total = request.to - request.from + 1;
    Progress progress("scanning units " + std::to_string(request.from) + "-" + std::to_string(request.to));
    int unwritten = 0;
    long found = 0;
    const UnitProber probe = [&](int unit) {
        const RawOutcome raw = session.Raw(UnitProbeRequest(unit), false);
        if (raw.unconnected)
            return UnitProbe{ProbeResult::Fatal, raw.error};
        if (raw.answer.empty())
            return UnitProbe{ProbeResult::Absent, raw.error};
        const FrameDescription answer = DescribeRawAnswer(raw, context.framing);
        if (ProbeResultOfAnswer(answer) == ProbeResult::Absent)
            return UnitProbe{ProbeResult::Absent, answer.text};
        ++found;
        const std::string other =
            answer.unit == unit ? "" : " (answered as unit " + std::to_string(answer.unit) + ")";
        std::string line = "unit " + std::to_string(unit) + ": " + answer.text + other;
        if (context.json) {
            nlohmann::ordered_json object = {{"unit", unit},
                                             {"answer", HexBytes(raw.answer.data(), raw.answer.size())},
                                             {"decoded", answer.text + other}};
            if (answer.exception != 0)
                object["exception"] = answer.exception;
            line = Dump(object);
        }
        progress.Clear();
        if (unwritten == 0)
            unwritten = PrintLine(stdout, line);
        return UnitProbe{ProbeResult::Present, answer.text};
    };
    const UnitProceed proceed = [&](int unit) {
        progress.Show(unit - request.from, total, Plural(found, "unit found", "units found"));
        return unwritten == 0 && !context.interrupted();
    };
    const UnitScan scan = ScanUnits(request.from, request.to, probe, proceed);
    progress.Clear();
    if (unwritten != 0)
        return WriteFailure(unwritten);
    if (!context.json)
        unwritten = PrintLine(stdout, Plural(found, "unit found", "units found") + ", " +
                                      Plural(scan.requests, "request", "requests"));
    if (unwritten != 0)
        return WriteFailure(unwritten);
    if (!scan.failure.empty()) {
        PrintLine(stderr, "orv-modbus: " + context.where + ": scan stopped at unit " + std::to_string(scan.stoppedAt) +
                          ": " + scan.failure);
        return EXIT_NO_ANSWER;
    }
    if (scan.cancelled)
        PrintLine(stderr, "orv-modbus: scan cancelled at unit " + std::to_string(scan.stoppedAt));
    if (found == 0 && !scan.cancelled) {
        PrintLine(stderr, "orv-modbus: " + context.where + ": no unit answered");
        return EXIT_NO_ANSWER;
    }
    return EXIT_OK;
}

int RunScanRegisters(const DiagnosticRequest &request, Session &session, const DiagnosticContext &context)
{
    const long total = static_cast<long>(request.to) - request.from + 1;
    Progress progress("scanning addresses " + std::to_string(request.from) + "-" + std::to_string(request.to) +
                      " of unit " + std::to_string(request.unit));
    int stopStatus = EXIT_OK;
    int requests = 0;
    const BlockReader read = [&](int address, int count) {
        Request asked;
        asked.function = request.function;
        asked.unit = request.unit;
        asked.address = address;
        asked.count = count;
        const Outcome outcome = session.Run(asked);
        ++requests;
        if (outcome.status == EXIT_OK)
            return BlockRead{BlockResult::Readable, ""};
        if (outcome.errorNumber == EMBXILADD)
            return BlockRead{BlockResult::Refused, ""};
        if (outcome.errorNumber == EMBXILVAL)
            return BlockRead{BlockResult::TooMany, ""};
        stopStatus = outcome.status;
        return BlockRead{BlockResult::Failed, outcome.error};
    };
    const ScanProceed proceed = [&](int address) {
        progress.Show(address - request.from, total, Plural(requests, "request", "requests"));
        return !context.interrupted();
    };
    const RegisterScan scan = ScanRegisters(request.from, request.to, LargestRead(request.function), read, proceed);
    progress.Clear();
    for (const AddressRange &range : scan.ranges) {
        const std::string line = context.json ? Dump({{"from", range.from}, {"to", range.to}, {"readable", range.readable}})
                                              : RangeText(range);
        if (const int unwritten = PrintLine(stdout, line); unwritten != 0)
            return WriteFailure(unwritten);
    }
    if (const int unwritten = context.json ? 0 : PrintLine(stdout, Plural(scan.requests, "request", "requests"));
        unwritten != 0)
        return WriteFailure(unwritten);
    if (!scan.failure.empty()) {
        PrintLine(stderr, "orv-modbus: " + context.where + ": scan stopped at address " +
                          std::to_string(scan.stoppedAt) + ": " + scan.failure);
        return stopStatus;
    }
    if (scan.cancelled)
        PrintLine(stderr, "orv-modbus: scan cancelled at address " + std::to_string(scan.stoppedAt));
    return EXIT_OK;
}

} // namespace

Diagnostic DiagnosticByName(const std::string &name)
{
    for (const Diagnostic kind : {Diagnostic::Raw, Diagnostic::ScanUnits, Diagnostic::ScanRegisters})
        if (name == CommandName(kind))
            return kind;
    return Diagnostic::None;
}

std::string ParseHexBytes(const std::vector<std::string> &words, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    std::vector<std::string> split; // "01 03" in one argument, as copied from a trace
    for (const std::string &argument : words) {
        std::istringstream stream(argument);
        for (std::string word; stream >> word;)
            split.push_back(word);
    }
    for (const std::string &word : split) {
        const bool prefixed = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
        const std::string digits = prefixed ? word.substr(2) : word;
        const bool hex = std::all_of(digits.begin(), digits.end(),
                                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
        if (digits.empty() || digits.size() % 2 != 0 || !hex || (prefixed && digits.size() != 2))
            return "raw bytes are pairs of hex digits such as 01 03, not '" + word + "'";
        for (size_t at = 0; at < digits.size(); at += 2)
            bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(at, 2), nullptr, 16)));
    }
    return "";
}

std::string BuildDiagnostic(Diagnostic kind, const Arguments &arguments, const DiagnosticArguments &diagnostic,
                            const std::vector<std::string> &given, int framing, DiagnosticRequest &request)
{
    request = DiagnosticRequest{};
    request.kind = kind;
    const std::string name = CommandName(kind);
    for (const std::string &option : Inapplicable(kind))
        if (Given(given, option))
            return option + " does not apply to " + name;
    if (kind == Diagnostic::Raw)
        return BuildRaw(arguments, diagnostic, framing, request);
    if (!arguments.values.empty())
        return name + " takes no values, got '" + arguments.values[0] + "'";
    if (kind == Diagnostic::ScanRegisters)
        return BuildScanRegisters(arguments, diagnostic, request);
    // A unit that is not there costs a whole time-out: a short one.
    if (!Given(given, "--timeout"))
        request.timeoutMs = 200;
    // Unit 0 is broadcast: nothing answers it.
    return ReadRange(diagnostic, 1, 255, 1, 247, request);
}

std::string RefuseDiagnosticOptions(const std::vector<std::string> &given)
{
    const std::pair<const char *, const char *> owners[] = {{"--from", "scan-units and scan-registers"},
                                                            {"--to", "scan-units and scan-registers"},
                                                            {"--function", "scan-registers"},
                                                            {"--as-is", "raw"}};
    for (const auto &owner : owners)
        if (Given(given, owner.first))
            return std::string(owner.first) + " applies to " + owner.second + " only";
    return "";
}

int RunDiagnostic(const DiagnosticRequest &request, Session &session, const DiagnosticContext &context)
{
    switch (request.kind) {
    case Diagnostic::Raw: return RunRaw(request, session, context);
    case Diagnostic::ScanUnits: return RunScanUnits(request, session, context);
    case Diagnostic::ScanRegisters: return RunScanRegisters(request, session, context);
    default: return EXIT_USAGE;
    }
}

} // namespace modbus_cli
