// orv-modbus --workspace: every block of a workspace read in turn on one
// connection, once or in rounds, each value printed with its block and its
// row's name as the monitor window shows it.
#ifndef ORV_MODBUS_CLI_WORKSPACE_RUN_H
#define ORV_MODBUS_CLI_WORKSPACE_RUN_H

#include "modbus/block_definition.h"
#include "modbus/workspace.h"
#include "modbus_cli/request.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class ExchangeStats;

namespace modbus_cli {

class Session;

// The options that make no sense with a workspace, whose blocks say what
// to read ("--unit", ...), among the long names in `given`.
std::string RefuseWorkspaceOptions(const std::vector<std::string> &given, const std::string &function);

// The connection of the workspace, with what the command line gives
// instead (HOST, --port, --framing, --timeout) and the polling options;
// "" or the refusal.
std::string WorkspaceSettings(const WorkspaceConnection &connection, Arguments arguments,
                              const std::vector<std::string> &given, Settings &settings);

// "2026-12-09T14:02:11.250 meter unit 1 100 voltage = 230.5".
std::string BlockValueText(const BlockDefinition &block, const BlockValue &value, const std::string &time);
// {"time": ..., "block": "meter", "unit": 1, "address": 100, "name": "voltage",
//  "value": 230.5, "text": "230.5"}: the number the window's text stands
// for (null for NaN and infinities, which JSON lacks), and the text itself.
std::string BlockValueJson(const BlockDefinition &block, const BlockValue &value, const std::string &time);

struct WorkspaceRunContext {
    std::string where; // "HOST:PORT", for the error lines
    bool json = false;
    Settings settings;
    ExchangeStats *stats = nullptr; // with --stats
    std::function<bool()> interrupted;
    std::function<void(std::chrono::steady_clock::time_point)> sleepUntil;
};

// Reads the blocks (in rounds when polling, until the count or Ctrl+C); a
// block that fails is told on standard error and the others go on. Returns
// the highest exit status of all reads, or EXIT_WRITE_FAILED.
int RunWorkspace(const Workspace &workspace, Session &session, const WorkspaceRunContext &context);

} // namespace modbus_cli

#endif
