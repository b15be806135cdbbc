// Workspace files as the window opens and saves them: the Modbus panel's
// connection, the monitor's blocks and which of its windows are open, and
// the UART terminal's rules.
#ifndef ORV_MODBUS_WORKSPACE_WINDOW_H
#define ORV_MODBUS_WORKSPACE_WINDOW_H

#include "modbus/workspace.h"

#include <string>
#include <vector>

// What the window holds now.
Workspace CurrentWorkspace();

// Reads the file and, when it is good, switches to the Modbus panel with its
// connection (connecting with `connect`), gives the monitor its blocks and
// opens the windows it names; rules it holds replace the UART panel's (a
// file without them leaves those alone). Returns "" or the reader's message,
// nothing applied then; `notes` gets what a newer file held that was ignored.
std::string OpenWorkspace(const std::string &path, bool connect, std::vector<std::string> &notes);

// "" or why the file could not be written (an earlier one stays as it was).
std::string SaveWorkspace(const std::string &path);

#endif
