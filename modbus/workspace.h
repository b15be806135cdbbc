// A workspace: the Modbus connection, the blocks the monitor watches and
// which windows are open, kept in a JSON file that the window and
// orv-modbus both read. The file (README, "Workspace files"):
//   {"format": "orv-workspace", "version": 1,
//    "connection": {"ip": "127.0.0.1", "port": 502, "framing": "tcp", "timeout_ms": 500},
//    "blocks": [{"name": "meter", "unit": 1, "function": 3, "start": 100, "count": 8,
//                "period_ms": 1000, "format": "u16",
//                "rows": [{"address": 100, "name": "voltage", "format": "f32", "order": "cdab",
//                          "plot": true}]}],
//    "windows": {"monitor": true, "traffic": false},
//    "uart_rules": [{"match": "text", "pattern": "READY?", "send": {"text": "GO"}}]}
// Formats and orders go by orv-modbus's names; bit blocks (functions 1 and
// 2) have none. A row's "plot" says it is plotted in the monitor's chart
// (orv-modbus, which draws no chart, checks it and goes by the rest).
// "uart_rules" (uart/rule_json.h) is optional: the UART terminal's rules. A
// file is read whole or not at all.
#ifndef ORV_MODBUS_WORKSPACE_H
#define ORV_MODBUS_WORKSPACE_H

#include "library/modbus_lib/modbus.h"
#include "modbus/block_definition.h"
#include "modbus/response_timeout.h"
#include "uart/rule.h"

#include <optional>
#include <string>
#include <vector>

// The version this program writes; a newer one is read as far as it knows it.
constexpr int kWorkspaceVersion = 1;

struct WorkspaceConnection {
    std::string ip; // dotted IPv4, as the connection dialog takes it
    int port = 502;
    int framing = MB_FRAMING_TCP; // MB_FRAMING_RTU or MB_FRAMING_TCP
    int timeoutMs = kDefaultResponseTimeoutMs;
};

struct Workspace {
    WorkspaceConnection connection;
    std::vector<BlockDefinition> blocks;
    // The rows plotted in the monitor's chart; only those that are values of
    // their block (BlockLayout) are written.
    PlottedRows plotted;
    bool monitorOpen = false;
    bool trafficOpen = false;
    // None: the file says nothing of the UART rules.
    std::optional<std::vector<Rule>> uartRules;
};

struct WorkspaceRead {
    std::optional<Workspace> workspace; // none when anything is wrong
    // What is wrong, naming the line and column of a syntax error or the
    // field's path ("blocks[2].count: must be 1 to 125").
    std::string error;
    // What a newer version holds that this one ignored
    // ("blocks[0].colour: unknown key of version 2, ignored").
    std::vector<std::string> notes;
};

// The workspace in `text`, checked: every field, and every block as
// ValidateBlock sees it. In a file of this version an unknown key is an
// error (a misspelt key must not fall back silently to its default).
WorkspaceRead ReadWorkspace(const std::string &text);
// The same for a file; its errors begin with its path, and a file that
// cannot be read gives `Cannot read "PATH": cause`.
WorkspaceRead ReadWorkspaceFile(const std::string &path);

// "" when `ws` can be written and read back, else the first fault, named
// as ReadWorkspace names it.
std::string CheckWorkspace(const Workspace &ws);
// Pretty JSON with a final newline.
std::string WriteWorkspace(const Workspace &ws);
// Checks `ws` and writes it atomically (an earlier file stays as it was on
// failure); "" or the reason.
std::string WriteWorkspaceFile(const std::string &path, const Workspace &ws);

#endif
