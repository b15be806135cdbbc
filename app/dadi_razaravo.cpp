#include "app/dadi_razaravo.h"

#include "app/gtk_style.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/new_dialog.h"
#include "app/startup_target.h"

#include <cstdio>
#include <utility>
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

// GTK's own options, which the toolkit takes off the command line when it
// starts; known here so that they are no usage error before it has (or
// without a display, when it never starts).
void AddToolkitOptions(wxCmdLineParser &parser)
{
    for (const char *name : {"display", "class", "name", "gtk-module", "gtk-debug", "gtk-no-debug", "gdk-debug",
                             "gdk-no-debug"})
        parser.AddOption("", name, "", wxCMD_LINE_VAL_STRING, wxCMD_LINE_HIDDEN);
    parser.AddSwitch("", "g-fatal-warnings", "", wxCMD_LINE_HIDDEN);
}

// Keeps a trial parse quiet: the real one says what is wrong.
class QuietOutput : public wxMessageOutput {
protected:
    void Output(const wxString &) override {}
};

} // namespace

bool DadiRazaravo::IsUsageError(int count, wxChar **arguments)
{
    wxCmdLineParser parser(count, arguments);
    OnInitCmdLine(parser);
    wxMessageOutput *const output = wxMessageOutput::Set(new QuietOutput);
    const int parsed = parser.Parse(false);
    delete wxMessageOutput::Set(output);
    if (parsed != 0)
        return true;
    std::string ip;
    std::string port;
    int framing = 0;
    LinkEndpoint link;
    return !ReadTarget(parser, ip, port, framing, link).empty();
}

bool DadiRazaravo::Initialize(int &count, wxChar **arguments)
{
    // The toolkit's own start needs a display; help and the version are
    // answered without one (on a remote shell, in a package check).
    // A usage error is told the same way with or without one.
    m_withoutDisplay = AsksForInformation(count, arguments) || IsUsageError(count, arguments);
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
    if (!m_workspace.empty()) {
        // Opened once the event loop runs, as from the menu: a bad file's
        // box then shows over the window.
        const wxString path = m_workspace;
        const bool connect = m_connect;
        window->m_frame->CallAfter([window, path, connect] { window->m_menuBar->OpenWorkspaceFile(path, connect); });
    } else if (m_prefill || m_connect) {
        window->PrefillStartupDialog(m_ip, m_port, m_terminalType, m_connect, m_framing, m_link);
    }
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
    parser.AddOption("", "workspace", "start with the Modbus connection, monitor and windows of a workspace FILE");
    parser.AddOption("", "link",
                     "with --uart: client (the terminal connects, the default), server (the module connects to "
                     "PORT; HOST is the only module address let in, 0.0.0.0 any) or udp (datagrams to HOST:PORT)");
    parser.AddOption("", "listen-address",
                     "with --link server or udp: the local address to listen on (all when not given)");
    parser.AddOption("", "local-port", "with --link udp: the local port datagrams come in on (PORT when not given)");
    parser.AddOption("", "serial", "start with a UART connection over the local serial DEVICE (as /dev/ttyUSB0)");
    parser.AddOption("", "baud", "with --serial: the rate in bit/s (115200 when not given; any rate the device takes)");
    parser.AddOption("", "data-bits", "with --serial: 5, 6, 7 or 8 (8 when not given)");
    parser.AddOption("", "parity", "with --serial: none (the default), odd, even, mark or space");
    parser.AddOption("", "stop-bits", "with --serial: 1 (the default) or 2");
    parser.AddOption("", "flow", "with --serial: none (the default), rtscts or xonxoff");
    parser.AddSwitch("", "connect", "confirm the connection dialog at once and connect");
    AddToolkitOptions(parser);
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
    std::string ip;
    std::string port;
    const std::string problem = ReadTarget(parser, ip, port, m_framing, m_link);
    if (!problem.empty()) {
        std::fprintf(stderr, "orv-terminal: %s\n", problem.c_str());
        m_exitCode = kUsageStatus;
        return true;
    }
    m_prefill = parser.Found("uart") || parser.Found("modbus") || parser.Found("serial");
    m_ip = wxString::FromUTF8(ip);
    m_port = wxString::FromUTF8(port);
    m_terminalType = parser.Found("modbus") ? 1 : 0;
    m_connect = parser.Found("connect");
    wxString workspace;
    if (parser.Found("workspace", &workspace))
        m_workspace = workspace;
    return true;
}

std::string DadiRazaravo::ReadTarget(const wxCmdLineParser &parser, std::string &ip, std::string &port, int &framing,
                                     LinkEndpoint &link)
{
    wxString uart;
    wxString modbus;
    const bool wantsUart = parser.Found("uart", &uart);
    const bool wantsModbus = parser.Found("modbus", &modbus);
    const bool wantsSerial = parser.Found("serial");
    ip = kDefaultModuleIp;
    port = kDefaultModulePort;
    if (wantsUart + wantsModbus + wantsSerial > 1)
        return wantsSerial ? std::string("--serial and --") + (wantsUart ? "uart" : "modbus") + " exclude each other"
                           : "--uart and --modbus exclude each other";
    if ((wantsUart || wantsModbus || wantsSerial) && parser.Found("workspace"))
        return std::string("--workspace and --") + (wantsUart ? "uart" : wantsSerial ? "serial" : "modbus") +
               " exclude each other";
    startup_target::LinkOptions options;
    for (const auto &[name, value] : {std::make_pair("link", &options.mode),
                                      std::make_pair("listen-address", &options.listenAddress),
                                      std::make_pair("local-port", &options.localPort)}) {
        wxString text;
        if (!parser.Found(name, &text))
            continue;
        if (!wantsUart)
            return std::string("--") + name + " goes with --uart";
        *value = text.utf8_string();
    }
    const std::string linkProblem = startup_target::ReadLink(options, link);
    if (!linkProblem.empty())
        return linkProblem;
    startup_target::SerialOptions serial;
    for (const auto &[name, value] :
         {std::make_pair("serial", &serial.device), std::make_pair("baud", &serial.baud),
          std::make_pair("data-bits", &serial.dataBits), std::make_pair("parity", &serial.parity),
          std::make_pair("stop-bits", &serial.stopBits), std::make_pair("flow", &serial.flow)}) {
        wxString text;
        if (parser.Found(name, &text))
            *value = text.utf8_string();
    }
    const std::string serialProblem = startup_target::ReadSerial(serial, link);
    if (!serialProblem.empty())
        return serialProblem;
    const bool anyModule = link.mode == LinkMode::TcpServer;
    if (wantsUart && !startup_target::SplitHostPort(uart.utf8_string(), kDefaultModulePort, ip, port, anyModule))
        return "--uart takes an IPv4 address with an optional port, as 127.0.0.1:65100, not " + uart.utf8_string();
    if (wantsModbus && !startup_target::SplitHostPort(modbus.utf8_string(), kDefaultModulePort, ip, port))
        return "--modbus takes an IPv4 address with an optional port, as 127.0.0.2:65100, not " +
               modbus.utf8_string();
    wxString framingName;
    if (parser.Found("framing", &framingName)) {
        if (!wantsModbus)
            return "--framing goes with --modbus";
        if (!startup_target::ParseFraming(framingName.utf8_string(), framing))
            return "--framing takes rtu or tcp, not " + framingName.utf8_string();
    }
    return "";
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
