// The main frame's menu bar: File (New Connection, Quit), Extra (Stream media
// File; the Modbus diagnostics: unit scan, register scan, raw frame) and Help
// (Help, About).
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
    // Binds the commands on the main window's frame and installs itself there.
    enum { ID_SCAN_UNITS = 6101, ID_SCAN_REGISTERS, ID_RAW_FRAME };

    MenuBar();

    void OnNewConnection(wxCommandEvent &event);
    void OnQuit(wxCommandEvent &event);
    void OnStreamMediaFile(wxCommandEvent &event);
    void OnScanUnits(wxCommandEvent &event);
    void OnScanRegisters(wxCommandEvent &event);
    void OnRawFrame(wxCommandEvent &event);
    void OnHelp(wxCommandEvent &event);
    void OnAbout(wxCommandEvent &event);

    // Owned by the menu bar once appended.
    wxMenu *m_fileMenu = nullptr;
    wxMenu *m_helpMenu = nullptr;
    wxMenu *m_extraMenu = nullptr;
};

#endif
