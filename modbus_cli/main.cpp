// orv-modbus: the terminal's Modbus client on the command line, RTU frames
// (or Modbus TCP ones) over a plain TCP connection.
#include "library/modbus_lib/modbus.h"
#include "modbus/exchange_stats.h"
#include "modbus_cli/diagnostics.h"
#include "modbus_cli/output.h"
#include "modbus_cli/request.h"
#include "modbus_cli/session.h"
#include "modbus_cli/traffic_observer.h"
#include "modbus_cli/workspace_run.h"
#include "uart/utf8_text.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

using namespace modbus_cli;

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_interrupted = 0;
// The write end of the pipe whose read end cancels the client's waits.
int g_cancelWrite = -1;

void OnInterrupt(int)
{
    g_interrupted = 1;
    const int saved = errno;
    const char byte = 1;
    // The pipe is non-blocking; one byte in it is enough, and more are harmless.
    [[maybe_unused]] const ssize_t written = write(g_cancelWrite, &byte, 1);
    errno = saved;
}

// Ctrl+C ends a polling run at once, also while a request waits for its
// connection or answer: the handler's byte in the pipe ends the client's
// wait. Returns the pipe's read end for the session, or -1 when no pipe could
// be made (Ctrl+C then takes effect after the request in hand).
int CatchInterrupt()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0)
        g_cancelWrite = ends[1];
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    return g_cancelWrite >= 0 ? ends[0] : -1;
}

// Sleeps until `until` in short steps, so that Ctrl+C is not kept waiting.
void SleepUntil(Clock::time_point until)
{
    while (!g_interrupted && Clock::now() < until)
        std::this_thread::sleep_for(std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(20)));
}

struct Run {
    std::string host;
    Settings settings;
    Request request;
    bool json = false;
    ExchangeStats *stats = nullptr; // with --stats

    std::string Where() const { return host + ":" + std::to_string(settings.port); }

    // Returns 0, or the error of a failed write to standard output.
    int Report(const Outcome &outcome) const
    {
        const auto now = std::chrono::system_clock::now();
        const std::string stamp = settings.polling ? LocalTime(now, false, false) + " " : "";
        if (outcome.status != EXIT_OK)
            PrintLine(stderr, stamp + "orv-modbus: " + Where() + ": " + outcome.error);
        if (json)
            return PrintLine(stdout, ResultJson(host, settings.port, request, outcome, LocalTime(now, false, true)));
        if (outcome.status == EXIT_OK)
            return PrintLine(stdout, stamp + ResultText(request, outcome));
        return 0;
    }

    int Once(Session &session) const
    {
        const Outcome outcome = session.Run(request);
        const int unwritten = Report(outcome);
        return unwritten != 0 ? WriteFailure(unwritten) : outcome.status;
    }

    // Repeats the request until the count or Ctrl+C; the status is the
    // highest of all requests.
    int Poll(Session &session) const
    {
        session.SetCancel(CatchInterrupt());
        PollSummary summary;
        int status = EXIT_OK;
        Clock::time_point next = Clock::now();
        while (!g_interrupted && (settings.times == 0 || summary.requests < settings.times)) {
            if (summary.requests > 0)
                SleepUntil(next);
            if (g_interrupted)
                break;
            next = Clock::now() + std::chrono::milliseconds(settings.pollMs);
            const Outcome outcome = session.Run(request);
            // A request cut short by Ctrl+C has no outcome: not shown, not counted.
            if (outcome.interrupted)
                break;
            if (const int unwritten = Report(outcome); unwritten != 0)
                return WriteFailure(unwritten);
            CountOutcome(outcome, request.unit, summary, stats, status);
        }
        PrintLine(stderr, "orv-modbus: " + Where() + ": " + SummaryText(summary));
        if (stats != nullptr)
            for (const auto &unit : stats->Units())
                PrintLine(stderr, "orv-modbus: " + Where() + ": " + UnitStatsLine(unit.first, unit.second));
        return status;
    }
};

constexpr const char *kStatsRefusal = "--stats applies to --poll and --times runs";

// The workspace of --workspace, and the run's connection from it and from
// the command line. EXIT_OK, or EXIT_USAGE once the reason is printed: a
// file that cannot be used is refused as wrong usage is.
int LoadWorkspace(const std::string &path, const Arguments &arguments, const std::vector<std::string> &given,
                  bool stats, Run &run, Workspace &workspace)
{
    WorkspaceRead read = ReadWorkspaceFile(path);
    for (const std::string &note : read.notes)
        PrintLine(stderr, "orv-modbus: " + path + ": " + note);
    if (!read.workspace) {
        PrintLine(stderr, "orv-modbus: " + read.error);
        return EXIT_USAGE;
    }
    if (read.workspace->blocks.empty()) {
        PrintLine(stderr, "orv-modbus: " + path + ": the workspace has no blocks");
        return EXIT_USAGE;
    }
    workspace = std::move(*read.workspace);
    if (run.host.empty())
        run.host = workspace.connection.ip;
    std::string refusal = WorkspaceSettings(workspace.connection, arguments, given, run.settings);
    if (refusal.empty() && stats && !run.settings.polling)
        refusal = kStatsRefusal;
    if (!refusal.empty()) {
        PrintLine(stderr, "orv-modbus: " + refusal + " (see --help)");
        return EXIT_USAGE;
    }
    return EXIT_OK;
}

std::string Footer()
{
    return "FUNCTION is one of " + FunctionNames() +
           ".\nDiagnostics: raw, scan-units, scan-registers.\n"
           "  raw BYTES: sends a frame given in hex (its CRC or MBAP header added unless --as-is) and prints\n"
           "    the answer in hex and decoded\n"
           "  scan-units: which unit ids answer (--from 1 --to 247, 200 ms each unless -t)\n"
           "  scan-registers: which addresses of unit -u can be read (--function 3, 4, 1 or 2, --from A --to B)\n"
           "Formats: " + FormatNames() +
           ".\nu32, s32 and f32 take two registers a value (read with an even --count, written with\n"
           "write-registers or read-write-registers), in the --order abcd (big-endian), cdab (words swapped),\n"
           "badc (bytes swapped) or dcba; u64, s64 and f64 take four (a --count divisible by 4), in the\n"
           "--order abcdefgh (big-endian), ghefcdab (words reversed), badcfehg (bytes swapped) or hgfedcba.\n"
           "Numbers are decimal or 0x-hex; coil values 0 or 1; register values -32768 to 65535.\n"
           "With --workspace FILE, every block of the workspace is read (each round with --poll or --times) and\n"
           "each value printed as \"TIME BLOCK unit UNIT ADDRESS NAME = VALUE\"; HOST, --port, --framing and\n"
           "--timeout replace the workspace's connection. A bad workspace file exits with 64.\n"
           "Exit status: 0 success, 1 exception or invalid answer, 2 no answer or no connection, 64 wrong usage,\n"
           "74 results could not be written.\n"
           "\nExamples:\n"
           "  orv-modbus 192.168.100.10 read-holding-registers -a 0 -c 2\n"
           "  orv-modbus 192.168.100.10 write-registers -a 10 1 2 0x0300\n"
           "  orv-modbus 192.168.100.10 3 -c 1 -f hex --poll 1000 --times 5 --json\n"
           "  orv-modbus 192.168.100.10 --framing tcp 3 -a 100 -c 4 -f f32 --order cdab\n"
           "  orv-modbus 192.168.100.10 3 -c 2 --poll 100 --times 600 --stats --pcap poll.pcap\n"
           "  orv-modbus 192.168.100.10 raw 01 03 00 00 00 02\n"
           "  orv-modbus --workspace plant.json --poll 1000 --json\n"
           "  orv-modbus 192.168.100.10 scan-units --to 32\n"
           "  orv-modbus 192.168.100.10 -u 1 scan-registers --function 3 --from 0 --to 999\n";
}

// HOST and FUNCTION are needed unless a workspace names the device and the
// blocks; CLI11 would show every positional in brackets.
class UsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App *, std::string) const override
    {
        return "Usage: orv-modbus [OPTIONS] HOST FUNCTION [VALUES...]\n"
               "       orv-modbus [OPTIONS] --workspace FILE [HOST]\n";
    }
};

// CLI11 checks the positionals it needs before the options it does not know,
// so "orv-modbus --frob" would be told that HOST is missing: an argument no
// option took is named first.
std::string UsageError(const CLI::App &app, const CLI::ParseError &error)
{
    for (const std::string &argument : app.remaining())
        if (argument.size() > 1 && argument[0] == '-' && std::isalpha(static_cast<unsigned char>(argument.back())))
            return "unknown option " + argument;
    return error.what();
}

} // namespace

int main(int argc, char **argv)
{
    CLI::App app("Modbus master sending RTU frames (or Modbus TCP ones) over a plain TCP connection.", "orv-modbus");
    app.set_version_flag("--version", "orv-modbus " ORV_VERSION);
    app.footer(Footer());
    app.formatter(std::make_shared<UsageFormatter>());
    Run run;
    Arguments arguments;
    bool trace = false;
    std::string workspacePath;
    app.add_option("HOST", run.host, "The device's address")->type_name("");
    app.add_option("FUNCTION", arguments.function, "The Modbus function, by name or number")->type_name("");
    app.add_option("VALUES", arguments.values, "The values to write")->type_name("");
    app.add_option("-u,--unit", arguments.unit, "Unit (slave) id, 0 to 255 (default 1)")->type_name("ID");
    app.add_option("-p,--port", arguments.port, "TCP port (default 65100; 502 with --framing tcp)")
        ->type_name("PORT");
    app.add_option("--framing", arguments.framing, "rtu: RTU frames over TCP (default); tcp: Modbus TCP")
        ->type_name("FRAMING");
    app.add_option("-a,--address", arguments.address, "Start address; the read address of function 23 (default 0)")
        ->type_name("ADDR");
    app.add_option("-c,--count", arguments.count,
                   "Number of bits or registers to read (default 1; 2 for u32, s32, f32; 4 for u64, s64, f64)")
        ->type_name("N");
    app.add_option("-w,--write-address", arguments.writeAddress, "Write address of function 23 (default 0)")->type_name("ADDR");
    app.add_option("-f,--format", arguments.format, "Register format (default u16)")->type_name("FORMAT");
    app.add_option("--order", arguments.order,
                   "Word order of u32, s32 and f32: abcd (default), cdab, badc, dcba; of u64, s64 and f64: "
                   "abcdefgh (default), ghefcdab, badcfehg, hgfedcba")
        ->type_name("ORDER");
    app.add_option("-t,--timeout", arguments.timeout, "Milliseconds to wait for the connection and each answer "
                                                      "(default 1000)")
        ->type_name("MS");
    app.add_option("--poll", arguments.poll, "Repeat every MS milliseconds, until Ctrl+C or --times")->type_name("MS");
    app.add_option("--times", arguments.times, "Send the request N times")->type_name("N");
    app.add_flag("--trace", trace, "Show every frame sent and received on standard error");
    app.add_flag("--json", run.json, "One JSON object per result line");
    const CLI::Option *workspaceOption = app.add_option("--workspace", workspacePath, "Read every block of the workspace FILE (from ORV Terminal)")
        ->type_name("FILE");
    DiagnosticArguments diagnostic;
    std::string pcapPath;
    bool stats = false;
    app.add_option("--pcap", pcapPath, "Save the traffic in FILE, in libpcap's format (Wireshark, tshark)")
        ->type_name("FILE");
    app.add_flag("--stats", stats, "With --poll or --times: requests, failures and round trips (p99 too) per unit");
    app.add_flag("--as-is", diagnostic.asIs, "raw: send the bytes as given, with their own CRC or MBAP header");
    app.add_option("--from", diagnostic.from, "First unit id (scan-units, default 1) or address (scan-registers, "
                                              "default 0)")
        ->type_name("N");
    app.add_option("--to", diagnostic.to, "Last unit id (scan-units, default 247) or address (scan-registers)")
        ->type_name("N");
    app.add_option("--function", diagnostic.function, "Read function of scan-registers: 3 (default), 4, 1 or 2")
        ->type_name("F");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion &version) {
        return app.exit(version);
    } catch (const CLI::ParseError &error) {
        PrintLine(stderr, "orv-modbus: " + UsageError(app, error) + " (see --help)");
        return EXIT_USAGE;
    }
    std::vector<std::string> given;
    for (const CLI::Option *option : app.get_options())
        if (option->count() > 0)
            given.push_back(option->get_name());
    const bool fromWorkspace = workspaceOption->count() > 0;
    std::string refusal;
    if (fromWorkspace)
        refusal = RefuseWorkspaceOptions(given, arguments.function);
    else if (run.host.empty())
        refusal = "HOST is required";
    else if (arguments.function.empty())
        refusal = "FUNCTION is required";
    // Every result names the host, and a JSON line can only hold UTF-8.
    if (refusal.empty() && !IsUtf8(run.host))
        refusal = "HOST must be valid UTF-8";
    const Diagnostic diagnosticKind = DiagnosticByName(arguments.function);
    if (refusal.empty() && !fromWorkspace && diagnosticKind == Diagnostic::None)
        refusal = BuildRequest(arguments, run.request);
    if (refusal.empty() && !fromWorkspace)
        refusal = BuildSettings(arguments, run.settings);
    DiagnosticRequest diagnosticRequest;
    if (refusal.empty() && diagnosticKind != Diagnostic::None)
        refusal = BuildDiagnostic(diagnosticKind, arguments, diagnostic, given, run.settings.framing,
                                  diagnosticRequest);
    if (refusal.empty() && diagnosticKind == Diagnostic::None)
        refusal = RefuseDiagnosticOptions(given);
    if (refusal.empty() && !fromWorkspace && stats && !run.settings.polling)
        refusal = kStatsRefusal;
    if (!refusal.empty()) {
        PrintLine(stderr, "orv-modbus: " + refusal + " (see --help)");
        return EXIT_USAGE;
    }
    Workspace workspace;
    if (fromWorkspace && LoadWorkspace(workspacePath, arguments, given, stats, run, workspace) != EXIT_OK)
        return EXIT_USAGE;

    if (diagnosticRequest.timeoutMs > 0)
        run.settings.timeoutMs = diagnosticRequest.timeoutMs;
    TrafficObserver observer(run.settings.framing, trace);
    if (!pcapPath.empty()) {
        const std::string unwritable = observer.Capture(pcapPath);
        if (!unwritable.empty()) {
            PrintLine(stderr, "orv-modbus: " + unwritable);
            return EXIT_WRITE_FAILED;
        }
    }
    const Session *current = nullptr; // the frames' socket is the session's
    TraceSink sink;
    if (trace || !pcapPath.empty())
        sink = [&observer, &current](bool sent, const uint8_t *frame, int length) {
            observer.OnFrame(sent, frame, length, current != nullptr ? current->Socket() : -1);
        };
    Session session(run.host, run.settings.port, run.settings.framing, run.settings.timeoutMs, sink);
    current = &session;
    ExchangeStats exchangeStats;
    run.stats = stats ? &exchangeStats : nullptr;
    int status = EXIT_OK;
    if (diagnosticKind != Diagnostic::None) {
        CatchInterrupt();
        const DiagnosticContext context = {run.Where(), run.host, run.settings.port, run.settings.framing, run.json,
                                           [] { return g_interrupted != 0; }};
        status = RunDiagnostic(diagnosticRequest, session, context);
    } else if (fromWorkspace) {
        if (run.settings.polling)
            session.SetCancel(CatchInterrupt());
        const WorkspaceRunContext context = {run.Where(), run.json, run.settings, run.stats,
                                             [] { return g_interrupted != 0; }, SleepUntil};
        status = RunWorkspace(workspace, session, context);
    } else {
        status = run.settings.polling ? run.Poll(session) : run.Once(session);
    }
    const std::string uncaptured = observer.FinishCapture();
    if (!uncaptured.empty()) {
        PrintLine(stderr, "orv-modbus: " + uncaptured);
        return EXIT_WRITE_FAILED;
    }
    if (status != EXIT_WRITE_FAILED && std::fflush(stdout) != 0)
        return WriteFailure(errno);
    return status;
}
