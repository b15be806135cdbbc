// The process-wide main window: builds the visible frame with its status bar,
// menu bar, logo and both terminal panels, and switches between the panels
// when the user confirms new connection parameters.
#ifndef ORV_APP_MAIN_WINDOW_H
#define ORV_APP_MAIN_WINDOW_H

#include "app/new_dialog.h"
#include "modbus/response_timeout.h"
#include "uart/link_endpoint.h"
#include "uart/saved_settings.h"

#include <wx/frame.h>
#include <wx/string.h>
#include <wx/timer.h>
#include <wx/weakref.h>

class MenuBar;
class ModbusTerminalPanel;
class TerminalPanel;
class wxBoxSizer;
class wxCloseEvent;
class wxStatusBar;

class MainWindow : public wxFrame {
public:
    // The one instance; the first call builds the whole window. The pointer
    // is published before the construction body runs, so the panels and the
    // menu bar built by that body reach the frame through it.
    static MainWindow *GetInstance();

    // `framing` is the Modbus connection's (MB_FRAMING_RTU or MB_FRAMING_TCP),
    // and so is the response time-out; `uartLink` gives a UART connection's
    // mode and its fields (its host and port are `ip` and `port`).
    void ApplyConnection(const wxString &ip, const wxString &port, int terminalType, int framing = 0,
                         int responseTimeoutMs = kDefaultResponseTimeoutMs, const LinkEndpoint &uartLink = {});
    // Puts the command line's values into the start-up connection dialog;
    // with `confirm`, confirms it and connects as the user's clicks would.
    void PrefillStartupDialog(const wxString &ip, const wxString &port, int terminalType, bool confirm,
                              int framing = 0, const LinkEndpoint &uartLink = {});
    void StreamMediaFile(const wxString &path, const wxString &fileName);
    void CloseSocketLibrary();

    // Non-owning: the frame owns every window below it.
    wxBoxSizer *m_sizer = nullptr;
    wxFrame *m_frame = nullptr;
    wxStatusBar *m_statusBar = nullptr;
    MenuBar *m_menuBar = nullptr;
    TerminalPanel *m_terminalPanel = nullptr;
    ModbusTerminalPanel *m_modbusPanel = nullptr;
    // Null once the start-up dialog has been confirmed or closed.
    wxWeakRef<NewDialog> m_startupDialog;

    // The settings kept between runs: given back to the panels and the
    // start-up dialog, and written within a second of every change, so that
    // a program that is killed keeps them.
    void RestoreSettings();
    void RestoreRules(const std::function<std::optional<std::string>(const std::string &)> &lookup);
    // Writes what changed since the settings were last read or written, and
    // nothing when nothing did: another instance's changes stay in the file.
    // False when the file could not be written.
    bool SaveSettings();

private:
    MainWindow();
    void OnFrameClose(wxCloseEvent &event);
    void OnSettingsTimer(wxTimerEvent &event);
    SettingEntries CurrentSettingEntries() const;

    // The connection last confirmed, kept for the next start.
    wxString m_lastIp;
    wxString m_lastPort;
    int m_lastTerminalType = 0;
    int m_lastFraming = 0;
    int m_lastResponseTimeoutMs = kDefaultResponseTimeoutMs;
    LinkEndpoint m_lastLink;
    // The settings as last read or written, and the timer that looks for
    // changes; a failure to write is told once, not at every look.
    SettingEntries m_savedSettings;
    wxTimer m_settingsTimer;
    bool m_settingsFailing = false;

    static MainWindow *s_instance;
};

#endif
