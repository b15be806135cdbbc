// The main frame's menu bar: File (New Connection, Quit), Extra (Stream media
// File, Modbus monitor) and Help (Help, About).
#ifndef ORV_APP_MENU_BAR_H
#define ORV_APP_MENU_BAR_H

#include <wx/menu.h>

class wxCommandEvent;

// The maker's web address, named by the Help and About texts.
constexpr const char *kMakerWebAddress = "https://tavrix.example";
constexpr const char *kMediaFileWildcard =
    "Audio/Video files (*.mp3,*.ogg,*.ogv,*.avi,*.mpg,*.flv,*.mp4)|*.mp3;*.ogg;*.ogv;*.avi;*.mpg;*.flv;*.mp4";

class MenuBar : public wxMenuBar {
public:
    enum { ID_MODBUS_MONITOR = 6001 };

    // Binds the commands on the main window's frame and installs itself there.
    MenuBar();

    void OnNewConnection(wxCommandEvent &event);
    void OnQuit(wxCommandEvent &event);
    void OnStreamMediaFile(wxCommandEvent &event);
    void OnModbusMonitor(wxCommandEvent &event);
    void OnHelp(wxCommandEvent &event);
    void OnAbout(wxCommandEvent &event);

    // Owned by the menu bar once appended.
    wxMenu *m_fileMenu = nullptr;
    wxMenu *m_helpMenu = nullptr;
    wxMenu *m_extraMenu = nullptr;
};

#endif
