// The main frame's menu bar: File (New Connection, Open workspace, Save
// workspace, Recent workspaces, Quit), Extra (the UART terminal's: Stream
// media File, UART rules, Message sequence, Plot received numbers; Modbus
// monitor; the Modbus diagnostics: unit scan, register scan, raw frame) and
// Help (Help, About).
#ifndef ORV_APP_MENU_BAR_H
#define ORV_APP_MENU_BAR_H

#include "uart/saved_settings.h"

#include <functional>
#include <optional>
#include <string>
#include <wx/filehistory.h>
#include <wx/menu.h>

class wxCommandEvent;

// The maker's web address, named by the Help and About texts.
constexpr const char *kMakerWebAddress = "https://tavrix.example";
constexpr const char *kMediaFileWildcard =
    "Audio/Video files (*.mp3,*.ogg,*.ogv,*.avi,*.mpg,*.flv,*.mp4)|*.mp3;*.ogg;*.ogv;*.avi;*.mpg;*.flv;*.mp4";

class MenuBar : public wxMenuBar {
public:
    enum { ID_MODBUS_MONITOR = 6001, ID_OPEN_WORKSPACE, ID_SAVE_WORKSPACE };
    enum { ID_SCAN_UNITS = 6101, ID_SCAN_REGISTERS, ID_RAW_FRAME };
    enum { ID_UART_RULES = 6201, ID_MESSAGE_SEQUENCE, ID_PLOT_RECEIVED };
    static constexpr int kRecentWorkspaces = 4;

    // Binds the commands on the main window's frame and installs itself there.
    MenuBar();

    void OnNewConnection(wxCommandEvent &event);
    void OnQuit(wxCommandEvent &event);
    void OnStreamMediaFile(wxCommandEvent &event);
    void OnUartRules(wxCommandEvent &event);
    void OnModbusMonitor(wxCommandEvent &event);
    void OnMessageSequence(wxCommandEvent &event);
    void OnPlotReceived(wxCommandEvent &event);
    void OnOpenWorkspace(wxCommandEvent &event);
    void OnSaveWorkspace(wxCommandEvent &event);
    void OnRecentWorkspace(wxCommandEvent &event);

    // Opens a workspace as the menu does: a bad file gets one error box and
    // changes nothing; a good one goes first in the recent files.
    bool OpenWorkspaceFile(const wxString &path, bool connect);
    // The recent workspaces, newest first, for the kept settings
    // ("Workspace/Recent1" ...), and back from them.
    SettingEntries RecentEntries() const;
    void RestoreRecent(const std::function<std::optional<std::string>(const std::string &)> &lookup);
    const wxFileHistory &RecentWorkspaces() const { return m_recent; }
    void OnScanUnits(wxCommandEvent &event);
    void OnScanRegisters(wxCommandEvent &event);
    void OnRawFrame(wxCommandEvent &event);
    void OnHelp(wxCommandEvent &event);
    void OnAbout(wxCommandEvent &event);

    // Owned by the menu bar once appended.
    wxMenu *m_fileMenu = nullptr;
    wxMenu *m_helpMenu = nullptr;
    wxMenu *m_extraMenu = nullptr;
    wxMenu *m_recentMenu = nullptr;

private:
    wxFileHistory m_recent{kRecentWorkspaces};
};

#endif
