#include "app/dadi_razaravo.h"

#include "app/gtk_style.h"
#include "app/main_window.h"
#include "app/new_dialog.h"
#include "app/startup_target.h"

#include <cstdio>
#include <wx/cmdline.h>
#include <wx/msgout.h>

namespace {

// The exit status of a command line the program cannot follow, as orv-modbus
// has it.
constexpr int kUsageStatus = 64;

// Whether the command line only asks for help or the version.
bool AsksForInformation(int argc, wxChar **argv)
{
    for (int index = 1; index < argc; ++index) {
        const wxString argument(argv[index]);
        if (argument == "--help" || argument == "-h" || argument == "-?" || argument == "--version")
            return true;
    }
    return false;
}

} // namespace

bool DadiRazaravo::Initialize(int &count, wxChar **arguments)
{
    // The toolkit's own start needs a display; help and the version are
    // answered without one (on a remote shell, in a package check).
    m_withoutDisplay = AsksForInformation(count, arguments);
    return m_withoutDisplay ? wxAppConsole::Initialize(count, arguments) : wxApp::Initialize(count, arguments);
}

void DadiRazaravo::CleanUp()
{
    if (m_withoutDisplay)
        wxAppConsole::CleanUp();
    else
        wxApp::CleanUp();
}

bool DadiRazaravo::OnInit()
{
    // The toolkit's own start reads the command line.
    if (!wxApp::OnInit())
        return false;
    if (m_exitCode >= 0)
        return true;
    gtk_style::Install();
    // A failure to start the socket library leaves here as an exception: the
    // toolkit then gives up start-up before any window exists.
    MainWindow *window = MainWindow::GetInstance();
    if (m_prefill || m_connect)
        window->PrefillStartupDialog(m_ip, m_port, m_terminalType, m_connect, m_framing);
    return true;
}

int DadiRazaravo::OnRun()
{
    return m_exitCode >= 0 ? m_exitCode : wxApp::OnRun();
}

int DadiRazaravo::OnExit()
{
    if (m_exitCode < 0)
        MainWindow::GetInstance()->CloseSocketLibrary();
    return 0;
}

void DadiRazaravo::OnInitCmdLine(wxCmdLineParser &parser)
{
    wxApp::OnInitCmdLine(parser);
    parser.AddSwitch("", "version", "print the version and exit");
    parser.AddOption("", "uart", "start with a UART connection to HOST[:PORT] (port 65100 when not given)");
    parser.AddOption("", "modbus", "start with a Modbus connection to HOST[:PORT] (port 65100 when not given)");
    parser.AddOption("", "framing", "with --modbus: rtu (RTU over TCP, the default) or tcp (Modbus TCP)");
    parser.AddSwitch("", "connect", "confirm the connection dialog at once and connect");
}

bool DadiRazaravo::OnCmdLineParsed(wxCmdLineParser &parser)
{
    if (!wxApp::OnCmdLineParsed(parser))
        return false;
    if (parser.Found("version")) {
        std::fputs("ORV-Terminal 1.0.4\n", stdout);
        m_exitCode = 0;
        return true;
    }
    wxString uart;
    wxString modbus;
    const bool wantsUart = parser.Found("uart", &uart);
    const bool wantsModbus = parser.Found("modbus", &modbus);
    std::string ip = kDefaultModuleIp;
    std::string port = kDefaultModulePort;
    std::string problem;
    if (wantsUart && wantsModbus)
        problem = "--uart and --modbus exclude each other";
    else if (wantsUart && !startup_target::SplitHostPort(uart.utf8_string(), kDefaultModulePort, ip, port))
        problem = "--uart takes an IPv4 address with an optional port, as 127.0.0.1:65100, not " + uart.utf8_string();
    else if (wantsModbus && !startup_target::SplitHostPort(modbus.utf8_string(), kDefaultModulePort, ip, port))
        problem = "--modbus takes an IPv4 address with an optional port, as 127.0.0.2:65100, not " +
                  modbus.utf8_string();
    wxString framing;
    if (problem.empty() && parser.Found("framing", &framing)) {
        if (!wantsModbus)
            problem = "--framing goes with --modbus";
        else if (!startup_target::ParseFraming(framing.utf8_string(), m_framing))
            problem = "--framing takes rtu or tcp, not " + framing.utf8_string();
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "orv-terminal: %s\n", problem.c_str());
        m_exitCode = kUsageStatus;
        return true;
    }
    m_prefill = wantsUart || wantsModbus;
    m_ip = wxString::FromUTF8(ip);
    m_port = wxString::FromUTF8(port);
    m_terminalType = wantsModbus ? 1 : 0;
    m_connect = parser.Found("connect");
    return true;
}

bool DadiRazaravo::OnCmdLineHelp(wxCmdLineParser &parser)
{
    // Asked-for help goes to standard output; usage errors to standard error.
    delete wxMessageOutput::Set(new wxMessageOutputStderr(stdout));
    parser.Usage();
    m_exitCode = 0;
    return true;
}

bool DadiRazaravo::OnCmdLineError(wxCmdLineParser &parser)
{
    parser.Usage();
    m_exitCode = kUsageStatus;
    return true;
}
