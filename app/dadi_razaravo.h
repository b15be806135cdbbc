// The application object the toolkit starts.
#ifndef ORV_APP_DADI_RAZARAVO_H
#define ORV_APP_DADI_RAZARAVO_H

#include "uart/link_endpoint.h"

#include <wx/app.h>
#include <wx/string.h>

#include <string>

class wxCmdLineParser;

class DadiRazaravo : public wxApp {
public:
    bool Initialize(int &count, wxChar **arguments) override;
    void CleanUp() override;
    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

    void OnInitCmdLine(wxCmdLineParser &parser) override;
    bool OnCmdLineParsed(wxCmdLineParser &parser) override;
    bool OnCmdLineHelp(wxCmdLineParser &parser) override;
    bool OnCmdLineError(wxCmdLineParser &parser) override;

private:
    // Whether the command line cannot be followed, found before the toolkit
    // needs a display.
    bool IsUsageError(int count, wxChar **arguments);
    // The start-up target of --uart or --modbus into ip and port (the
    // defaults without either) and the framing of --framing; returns why it
    // cannot be used, or "".
    // The UART link's options go into `link`.
    static std::string ReadTarget(const wxCmdLineParser &parser, std::string &ip, std::string &port, int &framing,
                                  LinkEndpoint &link);

    // Set for --help and --version, which answer without a display.
    bool m_withoutDisplay = false;
    // Set when the command line ends the program before any window exists
    // (--help, --version, wrong usage).
    int m_exitCode = -1;
    // The start-up connection dialog's values from --uart or --modbus.
    bool m_prefill = false;
    wxString m_ip;
    wxString m_port;
    int m_terminalType = 0;
    int m_framing = 0;
    LinkEndpoint m_link;
    bool m_connect = false;
    // The workspace file of --workspace, opened once the window is up.
    wxString m_workspace;
};

#endif
