#include "modbus_cli/workspace_run.h"

#include "modbus/exchange_stats.h"
#include "modbus_cli/output.h"
#include "modbus_cli/session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace modbus_cli {

namespace {

using Clock = std::chrono::steady_clock;

// The number a value's text stands for; null where JSON has none.
nlohmann::ordered_json ValueNumber(const BlockValue &value)
{
    if (value.value.IsReal())
        return std::isfinite(value.value.Real()) ? nlohmann::ordered_json(std::strtod(value.text.c_str(), nullptr))
                                                 : nlohmann::ordered_json();
    if (value.value.IsSigned())
        return value.value.Signed();
    return value.value.Unsigned();
}

// Reads one block and prints its values; 0, or the error of a write to
// standard output.
int ReadBlock(const BlockDefinition &block, Session &session, const WorkspaceRunContext &context,
              Outcome &outcome)
{
    Request request;
    static_cast<ModbusRequest &>(request) = BlockRequest(block);
    outcome = session.Run(request);
    if (outcome.interrupted)
        return 0;
    const auto now = std::chrono::system_clock::now();
    if (outcome.status != EXIT_OK) {
        const std::string stamp = context.settings.polling ? LocalTime(now, false, false) + " " : "";
        PrintLine(stderr, stamp + "orv-modbus: " + context.where + ": block " + block.name + ": " + outcome.error);
        return 0;
    }
    const std::string time = LocalTime(now, false, context.json);
    for (const BlockValue &value : BlockValues(block, outcome.values)) {
        const std::string line =
            context.json ? BlockValueJson(block, value, time) : BlockValueText(block, value, time);
        if (const int unwritten = PrintLine(stdout, line); unwritten != 0)
            return unwritten;
    }
    return 0;
}

void PrintSummary(const PollSummary &summary, const WorkspaceRunContext &context)
{
    PrintLine(stderr, "orv-modbus: " + context.where + ": " + SummaryText(summary));
    if (context.stats != nullptr)
        for (const auto &unit : context.stats->Units())
            PrintLine(stderr, "orv-modbus: " + context.where + ": " + UnitStatsLine(unit.first, unit.second));
}

} // namespace

std::string RefuseWorkspaceOptions(const std::vector<std::string> &given, const std::string &function)
{
    if (!function.empty())
        return "--workspace reads the workspace's blocks: no FUNCTION ('" + function + "') goes with it";
    for (const char *option : {"--unit", "--address", "--count", "--write-address", "--format", "--order", "--from",
                               "--to", "--function", "--as-is"})
        if (std::find(given.begin(), given.end(), option) != given.end())
            return std::string(option) + " does not apply to --workspace: each block has its own";
    return "";
}

std::string WorkspaceSettings(const WorkspaceConnection &connection, Arguments arguments,
                              const std::vector<std::string> &given, Settings &settings)
{
    if (arguments.framing.empty())
        arguments.framing = connection.framing == MB_FRAMING_TCP ? "tcp" : "rtu";
    if (arguments.port.empty())
        arguments.port = std::to_string(connection.port);
    if (std::find(given.begin(), given.end(), "--timeout") == given.end())
        arguments.timeout = std::to_string(connection.timeoutMs);
    return BuildSettings(arguments, settings);
}

std::string BlockValueText(const BlockDefinition &block, const BlockValue &value, const std::string &time)
{
    const std::string name = value.cell.name.empty() ? "" : value.cell.name + " ";
    return time + " " + block.name + " unit " + std::to_string(block.unit) + " " +
           std::to_string(value.cell.address) + " " + name + "= " + value.text;
}

std::string BlockValueJson(const BlockDefinition &block, const BlockValue &value, const std::string &time)
{
    const nlohmann::ordered_json line = {{"time", time},
                                         {"block", block.name},
                                         {"unit", block.unit},
                                         {"address", value.cell.address},
                                         {"name", value.cell.name},
                                         {"value", ValueNumber(value)},
                                         {"text", value.text}};
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

int RunWorkspace(const Workspace &workspace, Session &session, const WorkspaceRunContext &context)
{
    const Settings &settings = context.settings;
    PollSummary summary;
    int status = EXIT_OK;
    Clock::time_point next = Clock::now();
    for (long long round = 0; settings.times == 0 || round < settings.times; ++round) {
        if (round > 0)
            context.sleepUntil(next);
        next = Clock::now() + std::chrono::milliseconds(settings.pollMs);
        for (const BlockDefinition &block : workspace.blocks) {
            if (context.interrupted())
                break;
            Outcome outcome;
            if (const int unwritten = ReadBlock(block, session, context, outcome); unwritten != 0)
                return WriteFailure(unwritten);
            // A read cut short by Ctrl+C has no outcome: not shown, not counted.
            if (outcome.interrupted)
                break;
            CountOutcome(outcome, block.unit, summary, context.stats, status);
        }
        if (!settings.polling || context.interrupted())
            break;
    }
    if (settings.polling)
        PrintSummary(summary, context);
    return status;
}

} // namespace modbus_cli
