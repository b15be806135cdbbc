// The diagnostic commands of orv-modbus: `raw` (a frame of the user's own
// and its answer, in hex and in words), `scan-units` (which unit ids
// answer) and `scan-registers` (which addresses of a unit can be read).
#ifndef ORV_MODBUS_CLI_DIAGNOSTICS_H
#define ORV_MODBUS_CLI_DIAGNOSTICS_H

#include "modbus_cli/request.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace modbus_cli {

class Session;

enum class Diagnostic { None, Raw, ScanUnits, ScanRegisters };

// "raw", "scan-units", "scan-registers"; None for anything else.
Diagnostic DiagnosticByName(const std::string &name);

// The texts of the diagnostics' own options as typed; empty when not given.
struct DiagnosticArguments {
    std::string from;
    std::string to;
    std::string function; // of scan-registers
    bool asIs = false;    // of raw
};

struct DiagnosticRequest {
    Diagnostic kind = Diagnostic::None;
    int unit = 1;     // scan-registers
    int function = 3; // scan-registers: 1, 2, 3 or 4
    int from = 0;
    int to = 0;
    std::vector<uint8_t> frame; // raw
    bool asIs = false;
    int timeoutMs = 0; // a time-out of the command's own, 0 for the settings'
};

// Fills `request` for `kind` from the arguments; `given` names the long
// options given on the command line ("--unit", ...). "" or the refusal.
std::string BuildDiagnostic(Diagnostic kind, const Arguments &arguments, const DiagnosticArguments &diagnostic,
                            const std::vector<std::string> &given, int framing, DiagnosticRequest &request);

// For a plain request: "" or the refusal of the diagnostics' own options
// among `given`.
std::string RefuseDiagnosticOptions(const std::vector<std::string> &given);

// Where results and messages go, and when to stop.
struct DiagnosticContext {
    std::string where; // "HOST:PORT", for the error lines
    std::string host;
    int port = 0;
    int framing = 0;
    bool json = false;
    std::function<bool()> interrupted; // Ctrl+C
};

// Runs the command; returns the exit status.
int RunDiagnostic(const DiagnosticRequest &request, Session &session, const DiagnosticContext &context);

} // namespace modbus_cli

#endif
