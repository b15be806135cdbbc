#include "modbus/workspace_window.h"

#include "app/main_window.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/traffic_window.h"
#include "uart/terminal_panel.h"

#include <wx/button.h>

Workspace CurrentWorkspace()
{
    const ModbusTerminalPanel *panel = MainWindow::GetInstance()->m_modbusPanel;
    Workspace ws;
    ws.connection.ip = panel->Ip().utf8_string();
    long port = 0;
    ws.connection.port = panel->Port().ToLong(&port) ? static_cast<int>(port) : 0;
    ws.connection.framing = panel->Framing();
    ws.connection.timeoutMs = panel->ResponseTimeoutMs();
    ws.blocks = panel->MonitorBlocks();
    ws.plotted = panel->MonitorPlotted();
    ws.monitorOpen = panel->Monitor() != nullptr;
    ws.trafficOpen = panel->TrafficView() != nullptr && panel->TrafficView()->IsShown();
    ws.uartRules = MainWindow::GetInstance()->m_terminalPanel->Rules();
    return ws;
}

std::string OpenWorkspace(const std::string &path, bool connect, std::vector<std::string> &notes)
{
    const WorkspaceRead read = ReadWorkspaceFile(path);
    if (!read.workspace)
        return read.error;
    notes = read.notes;
    const Workspace &ws = *read.workspace;
    MainWindow *window = MainWindow::GetInstance();
    // Rules that name list entries this window lacks refuse the whole file,
    // before anything of it is applied.
    if (ws.uartRules) {
        const std::string refusal = window->m_terminalPanel->CheckRules(*ws.uartRules);
        if (!refusal.empty())
            return path + ": uart_rules: " + refusal;
    }
    // The workspace answers the start-up dialog.
    if (window->m_startupDialog) {
        window->m_startupDialog->Hide();
        window->m_startupDialog->Destroy();
    }
    window->ApplyConnection(wxString::FromUTF8(ws.connection.ip), wxString::Format("%d", ws.connection.port), 1,
                            ws.connection.framing, ws.connection.timeoutMs);
    ModbusTerminalPanel *panel = window->m_modbusPanel;
    panel->SetMonitorBlocks(ws.blocks, ws.monitorOpen, ws.plotted);
    panel->ShowTrafficView(ws.trafficOpen);
    if (ws.uartRules)
        window->m_terminalPanel->SetRules(*ws.uartRules);
    if (connect) {
        // The connect button's click, queued so that it runs like a user's,
        // with its progress and its box.
        wxCommandEvent click(wxEVT_BUTTON, ModbusTerminalPanel::ID_CONNECT);
        click.SetEventObject(panel);
        panel->GetEventHandler()->AddPendingEvent(click);
    }
    return "";
}

std::string SaveWorkspace(const std::string &path)
{
    return WriteWorkspaceFile(path, CurrentWorkspace());
}
