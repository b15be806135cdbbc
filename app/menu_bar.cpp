#include "app/menu_bar.h"

#include "app/chosen_path.h"
#include "app/error_box.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/monitor_window.h"
#include "modbus/raw_frame_dialog.h"
#include "modbus/register_scan_dialog.h"
#include "modbus/unit_scan_dialog.h"
#include "modbus/workspace_window.h"
#include "uart/rules_dialog.h"
#include "uart/terminal_panel.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>

namespace {

const char *const kWorkspaceWildcard = "Workspaces (*.json)|*.json|All files|*";

wxString HelpText()
{
    return wxString("Context help will be available soon\n\n\nFor manuals and documentation please refer to: ") +
           kMakerWebAddress;
}

wxString AboutText()
{
    return wxString("TAVRIX works in the Internet of Things. It designs and produces embedded Wi-Fi modules that "
                    "connect systems and equipment to the Internet and to each other, machine to machine.\n\n"
                    "The company began as a university spin-off, turning research on wireless embedded systems "
                    "into products for industry.\n\n"
                    "TAVRIX offers equipment makers and system integrators ready-to-use modules, together with "
                    "the support to build them into their designs, for industrial and building automation, "
                    "energy metering, remote monitoring and smart appliances.\n\n"
                    "Its customers bring connected products to market sooner and at lower cost, and gain remote "
                    "control, diagnostics and maintenance of their installed equipment.\n\n"
                    "For more informations please visit: ") +
           kMakerWebAddress;
}

} // namespace

MenuBar::MenuBar()
{
    // The items are given no help text; the toolkit fills in its stock one
    // for these standard ids.
    m_fileMenu = new wxMenu;
    m_fileMenu->Append(wxID_NEW, "&New Connection", "");
    m_fileMenu->Append(ID_OPEN_WORKSPACE, "&Open workspace...", "");
    m_fileMenu->Append(ID_SAVE_WORKSPACE, "&Save workspace...", "");
    m_recentMenu = new wxMenu;
    m_recent.UseMenu(m_recentMenu);
    m_fileMenu->AppendSubMenu(m_recentMenu, "&Recent workspaces");
    m_fileMenu->Append(wxID_EXIT, "&Quit", "");
    Append(m_fileMenu, "&File");

    m_extraMenu = new wxMenu;
    m_extraMenu->Append(wxID_FILE, "&Stream media File", "");
    m_extraMenu->Append(ID_UART_RULES, "UART &rules...", "");
    m_extraMenu->Append(ID_MESSAGE_SEQUENCE, "Message se&quence...", "");
    m_extraMenu->Append(ID_PLOT_RECEIVED, "&Plot received numbers", "");
    m_extraMenu->Append(ID_MODBUS_MONITOR, "Modbus &monitor", "");
    m_extraMenu->AppendSeparator();
    m_extraMenu->Append(ID_SCAN_UNITS, "Scan Modbus &units...", "");
    m_extraMenu->Append(ID_SCAN_REGISTERS, "Scan Modbus &registers...", "");
    m_extraMenu->Append(ID_RAW_FRAME, "Modbus raw &frame...", "");
    Append(m_extraMenu, "&Extra");

    m_helpMenu = new wxMenu;
    m_helpMenu->Append(wxID_HELP, "&Help", "");
    m_helpMenu->Append(wxID_ABOUT, "&About", "");
    Append(m_helpMenu, "&Help");

    // The commands are bound on the frame with this menu bar as their sink,
    // so each handler runs on a MenuBar; the frame owns the menu bar, so the
    // sink lives as long as the bindings.
    wxFrame *frame = MainWindow::GetInstance()->m_frame;
    frame->Connect(wxID_NEW, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnNewConnection), nullptr, this);
    frame->Connect(wxID_FILE, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnStreamMediaFile), nullptr, this);
    frame->Connect(ID_UART_RULES, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnUartRules), nullptr, this);
    frame->Connect(ID_OPEN_WORKSPACE, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnOpenWorkspace), nullptr, this);
    frame->Connect(ID_SAVE_WORKSPACE, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnSaveWorkspace), nullptr, this);
    frame->Connect(wxID_FILE1, wxID_FILE1 + kRecentWorkspaces - 1, wxEVT_MENU,
                   wxCommandEventHandler(MenuBar::OnRecentWorkspace), nullptr, this);
    frame->Connect(ID_MESSAGE_SEQUENCE, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnMessageSequence), nullptr,
                   this);
    frame->Connect(ID_PLOT_RECEIVED, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnPlotReceived), nullptr, this);
    frame->Connect(ID_MODBUS_MONITOR, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnModbusMonitor), nullptr, this);
    frame->Connect(ID_SCAN_UNITS, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnScanUnits), nullptr, this);
    frame->Connect(ID_SCAN_REGISTERS, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnScanRegisters), nullptr, this);
    frame->Connect(ID_RAW_FRAME, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnRawFrame), nullptr, this);
    frame->Connect(wxID_ABOUT, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnAbout), nullptr, this);
    frame->Connect(wxID_HELP, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnHelp), nullptr, this);
    frame->Connect(wxID_EXIT, wxEVT_MENU, wxCommandEventHandler(MenuBar::OnQuit), nullptr, this);
    frame->SetMenuBar(this);
}

void MenuBar::OnNewConnection(wxCommandEvent &)
{
    auto *dialog = new NewDialog(MainWindow::GetInstance()->m_frame, wxID_ANY, "UART Conf", wxDefaultPosition,
                                 wxSize(480, 380), wxDEFAULT_DIALOG_STYLE);
    dialog->SetValues(kDefaultModuleIp, kDefaultModulePort);
}

void MenuBar::OnQuit(wxCommandEvent &event)
{
    MainWindow::GetInstance()->m_frame->Close(false);
    event.Skip();
}

void MenuBar::OnStreamMediaFile(wxCommandEvent &)
{
    wxFileDialog dialog(MainWindow::GetInstance()->m_frame, "Choose a file", "", "", kMediaFileWildcard, wxFD_OPEN);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const wxString path = ChosenPath(dialog);
    MainWindow::GetInstance()->StreamMediaFile(path, wxFileName(path).GetFullName());
}

void MenuBar::OnUartRules(wxCommandEvent &)
{
    MainWindow *main = MainWindow::GetInstance();
    RulesDialog dialog(main->m_frame, *main->m_terminalPanel);
    dialog.ShowModal();
}

// The diagnostics run on the Modbus terminal's connection; each opens
// beside the frame and goes when closed.
void MenuBar::OnScanUnits(wxCommandEvent &)
{
    MainWindow *main = MainWindow::GetInstance();
    ModbusTerminalPanel *modbus = main->m_modbusPanel;
    (new UnitScanDialog(main->m_frame, modbus->Session(), modbus->Framing()))->Show();
}

void MenuBar::OnScanRegisters(wxCommandEvent &)
{
    MainWindow *main = MainWindow::GetInstance();
    ModbusTerminalPanel *modbus = main->m_modbusPanel;
    // "Add to monitor" opens the monitor (or raises it) with the blocks added.
    const auto addToMonitor = [modbus](const std::vector<BlockDefinition> &blocks) {
        MonitorWindow *monitor = modbus->OpenMonitor();
        for (const BlockDefinition &block : blocks)
            monitor->AddBlock(block);
    };
    (new RegisterScanDialog(main->m_frame, modbus->Session(), addToMonitor))->Show();
}

void MenuBar::OnRawFrame(wxCommandEvent &)
{
    MainWindow *main = MainWindow::GetInstance();
    ModbusTerminalPanel *modbus = main->m_modbusPanel;
    (new RawFrameDialog(main->m_frame, modbus->Session(), modbus->Framing()))->Show();
}

void MenuBar::OnMessageSequence(wxCommandEvent &)
{
    MainWindow::GetInstance()->m_terminalPanel->OpenSequenceDialog();
}

void MenuBar::OnModbusMonitor(wxCommandEvent &)
{
    MainWindow::GetInstance()->m_modbusPanel->OpenMonitor();
}

void MenuBar::OnPlotReceived(wxCommandEvent &)
{
    MainWindow::GetInstance()->m_terminalPanel->OpenStreamPlot();
}

void MenuBar::OnOpenWorkspace(wxCommandEvent &)
{
    wxFileDialog dialog(MainWindow::GetInstance()->m_frame, "Open workspace", "", "", kWorkspaceWildcard, wxFD_OPEN);
    if (dialog.ShowModal() == wxID_OK)
        OpenWorkspaceFile(ChosenPath(dialog), false);
}

void MenuBar::OnSaveWorkspace(wxCommandEvent &)
{
    wxFileDialog dialog(MainWindow::GetInstance()->m_frame, "Save workspace", "", "workspace.json", kWorkspaceWildcard,
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const wxString path = ChosenPath(dialog);
    const std::string why = SaveWorkspace(path.utf8_string());
    if (!why.empty()) {
        ShowErrorBox(wxString::FromUTF8(why));
        return;
    }
    m_recent.AddFileToHistory(path);
}

void MenuBar::OnRecentWorkspace(wxCommandEvent &event)
{
    const size_t index = static_cast<size_t>(event.GetId() - wxID_FILE1);
    if (index < m_recent.GetCount())
        OpenWorkspaceFile(m_recent.GetHistoryFile(index), false);
}

bool MenuBar::OpenWorkspaceFile(const wxString &path, bool connect)
{
    std::vector<std::string> notes;
    const std::string why = OpenWorkspace(path.utf8_string(), connect, notes);
    if (!why.empty()) {
        ShowErrorBox(wxString::FromUTF8(why));
        return false;
    }
    m_recent.AddFileToHistory(path);
    // What a newer version held is told where it does not stop the user.
    wxString said;
    for (const std::string &note : notes)
        said += (said.empty() ? "" : "; ") + wxString::FromUTF8(note);
    MainWindow::GetInstance()->m_statusBar->SetStatusText(said, 1);
    return true;
}

SettingEntries MenuBar::RecentEntries() const
{
    SettingEntries entries;
    for (size_t index = 0; index < m_recent.GetCount(); ++index)
        entries["Workspace/Recent" + std::to_string(index + 1)] = m_recent.GetHistoryFile(index).utf8_string();
    return entries;
}

void MenuBar::RestoreRecent(const std::function<std::optional<std::string>(const std::string &)> &lookup)
{
    // Added oldest first, so that the newest ends up on top.
    for (int index = kRecentWorkspaces; index >= 1; --index)
        if (const std::optional<std::string> path = lookup("Workspace/Recent" + std::to_string(index));
            path && !path->empty())
            m_recent.AddFileToHistory(wxString::FromUTF8(*path));
}

void MenuBar::OnHelp(wxCommandEvent &)
{
    wxMessageBox(HelpText(), "Help", wxOK);
}

void MenuBar::OnAbout(wxCommandEvent &)
{
    wxMessageBox(AboutText(), "About TAVRIX", wxOK);
}
