#include "app/main_window.h"

#include "app/error_box.h"
#include "app/frame_geometry.h"
#include "app/image_file.h"
#include "app/ip_address.h"
#include "app/menu_bar.h"
#include "app/startup_target.h"
#include "app/new_dialog.h"
#include "app/theme_colours.h"
#include "app/user_config.h"
#include "modbus/form_memory.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/response_timeout.h"
#include "net/tcp.h"
#include "uart/link_endpoint.h"
#include "uart/rule_entries.h"
#include "uart/serial_options.h"
#include "uart/terminal_panel.h"

#include <cstdio>
#include <gtk/gtk.h>
#include <stdexcept>
#include <utility>
#include <wx/display.h>
#include <wx/fileconf.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statusbr.h>

namespace {

// Room around the text of a status bar field.
constexpr int kStatusFieldPadding = 24;
// How often the settings are looked at for changes to write.
constexpr int kSettingsCheckMs = 500;

// Gives the frame `content` inside the window manager's decorations, as the
// panels are laid out for, and makes that the least size. A frame's own size
// includes the decorations, which would take their room from the panels.
void SizeInsideDecorations(wxFrame &frame, const wxSize &content)
{
    int bars = 0;
    // Measured as the frame measures it: the menu bar has no size of its
    // own before the frame is first laid out.
    if (wxMenuBar *menu = frame.GetMenuBar()) {
        int height = 0;
        gtk_widget_get_preferred_height(static_cast<GtkWidget *>(menu->GetHandle()), nullptr, &height);
        bars += height;
    }
    if (const wxStatusBar *status = frame.GetStatusBar())
        bars += status->GetSize().y;
    const wxSize client(content.x, content.y - bars);
    frame.SetClientSize(client);
    frame.SetMinClientSize(client);
}

} // namespace

MainWindow *MainWindow::s_instance = nullptr;

MainWindow *MainWindow::GetInstance()
{
    if (s_instance == nullptr) {
        try {
            new MainWindow();
        } catch (...) {
            s_instance = nullptr;
            throw;
        }
    }
    return s_instance;
}

MainWindow::MainWindow()
{
    s_instance = this;

    wxImage::AddHandler(new wxJPEGHandler);

    if (!tcp_startup())
        throw std::runtime_error(tcp_strerror(tcp_last_error()));

    const FrameGeometry geometry = FrameGeometryFor(wxGetDisplaySize().GetHeight());
    long style = wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxMAXIMIZE_BOX | wxCLOSE_BOX | wxRESIZE_BORDER;
    if (geometry.maximized)
        style |= wxMAXIMIZE;
    m_frame = new wxFrame(nullptr, wxID_ANY, "ORV Terminal", wxDefaultPosition,
                          wxSize(geometry.width, geometry.height), style);
    if (geometry.maximized)
        m_frame->Maximize(true);
    // Workers and connections end before the frame destroys the panels.
    m_frame->Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(MainWindow::OnFrameClose), nullptr, this);

    // The version, and the state of the UART terminal's link.
    m_statusBar = m_frame->CreateStatusBar(2, wxSTB_DEFAULT_STYLE, 0);
    const wxString version = "ORV-Terminal - Version 1.0.4";
    m_statusBar->SetStatusText(version, 0);
    const int widths[] = {m_statusBar->GetTextExtent(version).x + kStatusFieldPadding, -1};
    m_statusBar->SetStatusWidths(2, widths);

    m_menuBar = new MenuBar();

    new wxStaticBitmap(m_frame, wxID_ANY, LoadImageFile("icons/logo.jpg"), wxPoint(585, 40),
                       wxSize(200, 50));

    m_terminalPanel = new TerminalPanel();
    m_modbusPanel = new ModbusTerminalPanel();
    m_modbusPanel->Hide();

    m_sizer = new wxBoxSizer(wxVERTICAL);
    m_sizer->Add(m_terminalPanel, 1, wxEXPAND, 0);
    m_sizer->Add(m_modbusPanel, 1, wxEXPAND, 0);
    m_frame->SetSizer(m_sizer);
    // The start size is the least one: the panels are laid out for it and
    // grow from there.
    SizeInsideDecorations(*m_frame, wxSize(geometry.width, geometry.height));
    m_frame->Layout();
    m_terminalPanel->KeepDesignLayout();

    m_frame->SetBackgroundColour(theme_colours::Page());
    // Nothing erases the frame's background but the toolkit: so no device
    // context is made for an erase event at every redraw, which looked the
    // theme's font and colours up anew at each frame of a receive view that
    // follows a stream.
    m_frame->SetBackgroundStyle(wxBG_STYLE_SYSTEM);
    m_frame->Centre(wxBOTH);
    m_frame->Show(true);

    // Modeless: start-up goes on while the dialog waits for the user.
    m_startupDialog = new NewDialog(m_frame, wxID_ANY, "ORV-Terminal Conf", wxDefaultPosition, wxSize(380, 250),
                                    wxDEFAULT_DIALOG_STYLE);
    m_startupDialog->SetValues(kDefaultModuleIp, kDefaultModulePort);
    RestoreSettings();
    m_settingsTimer.SetOwner(m_frame);
    m_frame->Bind(wxEVT_TIMER, &MainWindow::OnSettingsTimer, this, m_settingsTimer.GetId());
    m_settingsTimer.Start(kSettingsCheckMs);
}

void MainWindow::RestoreSettings()
{
    const std::unique_ptr<wxFileConfig> config = user_config::Open();
    const auto lookup = [&config](const std::string &key) { return user_config::Read(*config, key); };
    m_terminalPanel->ApplySettings(SettingsFromEntries(lookup, TerminalPanel::kHistorySize));
    RestoreRules(lookup);
    m_terminalPanel->ApplyKeySettings(lookup);
    m_modbusPanel->RestoreForms(FormMemoryFromEntries(lookup));
    m_menuBar->RestoreRecent(lookup);
    const std::optional<std::string> ip = user_config::Read(*config, "Connection/IP");
    const std::optional<std::string> port = user_config::Read(*config, "Connection/Port");
    const std::optional<std::string> type = user_config::Read(*config, "Connection/Type");
    const std::optional<std::string> framing = user_config::Read(*config, "Connection/Framing");
    const std::optional<std::string> timeout = user_config::Read(*config, "Connection/ResponseTimeout");
    const std::optional<std::string> link = user_config::Read(*config, "Connection/Link");
    const std::optional<std::string> listenAddress = user_config::Read(*config, "Connection/ListenAddress");
    const std::optional<std::string> localPort = user_config::Read(*config, "Connection/LocalPort");
    startup_target::SerialOptions serial;
    for (const auto &[key, value] : {std::make_pair("Connection/Device", &serial.device),
                                     std::make_pair("Connection/Baud", &serial.baud),
                                     std::make_pair("Connection/DataBits", &serial.dataBits),
                                     std::make_pair("Connection/Parity", &serial.parity),
                                     std::make_pair("Connection/StopBits", &serial.stopBits),
                                     std::make_pair("Connection/Flow", &serial.flow)})
        *value = user_config::Read(*config, key);
    // Only a connection the dialog would take; otherwise its defaults stay.
    const std::optional<ip_address::FieldTexts> fields = ip ? ip_address::FindDottedQuad(*ip) : std::nullopt;
    const bool anyModule = ip && *ip == kAnyModuleAddress && link && *link == LinkModeName(LinkMode::TcpServer);
    if ((anyModule || (fields && ip_address::FieldsFormAddress(*fields))) && port && ip_address::IsPortText(*port) &&
        type && (*type == "0" || *type == "1")) {
        m_lastIp = wxString::FromUTF8(*ip);
        m_lastPort = wxString::FromUTF8(*port);
        m_lastTerminalType = *type == "1" ? 1 : 0;
        // Files from before the framing choice, or with another value, keep RTU.
        m_lastFraming = framing && *framing == "1" ? 1 : 0;
        m_lastResponseTimeoutMs =
            (timeout ? ResponseTimeoutOfText(*timeout) : std::nullopt).value_or(kDefaultResponseTimeoutMs);
        // Files from before the link modes, or with values no dialog takes,
        // keep the TCP client and its defaults.
        m_lastLink = startup_target::KeptLink({link, listenAddress, localPort}, serial);
        if (m_startupDialog) {
            m_startupDialog->SetLink(m_lastLink.mode, m_lastLink.listenAddress, m_lastLink.localPort);
            m_startupDialog->SetSerial(m_lastLink.device, m_lastLink.serial);
            m_startupDialog->SetValues(m_lastIp, m_lastPort);
            m_startupDialog->SetTerminalType(m_lastTerminalType);
            m_startupDialog->SetFraming(m_lastFraming);
            m_startupDialog->SetResponseTimeout(m_lastResponseTimeoutMs);
        }
    }
    m_savedSettings = CurrentSettingEntries();
}

// Rules read wrong are left out whole, and left in the file until the user
// sets others.
void MainWindow::RestoreRules(const std::function<std::optional<std::string>(const std::string &)> &lookup)
{
    const RulesRead read = RulesFromEntries(lookup, m_terminalPanel->CurrentSettings().messages.size());
    std::string refusal = read.error;
    if (refusal.empty())
        refusal = m_terminalPanel->SetRules(read.rules);
    if (refusal.empty())
        return;
    const wxString message = "The UART rules in " + user_config::FilePath() + " were not loaded: " +
                             wxString::FromUTF8(refusal);
    std::fprintf(stderr, "orv-terminal: %s\n", message.utf8_string().c_str());
    m_frame->CallAfter([message] { ShowErrorBox(message); });
}

SettingEntries MainWindow::CurrentSettingEntries() const
{
    SettingEntries entries = SettingsEntries(m_terminalPanel->CurrentSettings());
    for (const auto &entry : RuleEntries(m_terminalPanel->Rules()))
        entries.insert(entry);
    for (const auto &entry : m_terminalPanel->KeySettingEntries())
        entries.insert(entry);
    if (!m_lastIp.empty()) {
        entries["Connection/IP"] = m_lastIp.utf8_string();
        entries["Connection/Port"] = m_lastPort.utf8_string();
        entries["Connection/Type"] = std::to_string(m_lastTerminalType);
        entries["Connection/Framing"] = std::to_string(m_lastFraming);
        entries["Connection/ResponseTimeout"] = std::to_string(m_lastResponseTimeoutMs);
        entries["Connection/Link"] = LinkModeName(m_lastLink.mode);
        entries["Connection/ListenAddress"] = m_lastLink.listenAddress;
        entries["Connection/LocalPort"] = std::to_string(m_lastLink.localPort);
        const SerialSettings &serial = m_lastLink.serial;
        entries["Connection/Device"] = m_lastLink.device;
        entries["Connection/Baud"] = std::to_string(serial.baud);
        entries["Connection/DataBits"] = std::to_string(serial.dataBits);
        entries["Connection/Parity"] = SerialParityName(serial.parity);
        entries["Connection/StopBits"] = std::to_string(serial.stopBits);
        entries["Connection/Flow"] = SerialFlowName(serial.flow);
    }
    for (const auto &entry : FormMemoryEntries(m_modbusPanel->Forms()))
        entries.insert(entry);
    for (const auto &entry : m_menuBar->RecentEntries())
        entries.insert(entry);
    return entries;
}

bool MainWindow::SaveSettings()
{
    SettingEntries now = CurrentSettingEntries();
    const SettingEntries changed = ChangedEntries(m_savedSettings, now);
    if (!changed.empty() && !user_config::Write(now, changed))
        return false;
    m_savedSettings = std::move(now);
    return true;
}

void MainWindow::OnSettingsTimer(wxTimerEvent &)
{
    const bool saved = SaveSettings();
    if (!saved && !m_settingsFailing)
        std::fprintf(stderr, "orv-terminal: the settings could not be saved to %s\n",
                     user_config::FilePath().utf8_string().c_str());
    m_settingsFailing = !saved;
}

void MainWindow::PrefillStartupDialog(const wxString &ip, const wxString &port, int terminalType, bool confirm,
                                      int framing, const LinkEndpoint &uartLink)
{
    if (!m_startupDialog)
        return;
    m_startupDialog->SetValues(ip, port);
    m_startupDialog->SetTerminalType(terminalType);
    m_startupDialog->SetFraming(framing);
    m_startupDialog->SetLink(uartLink.mode, uartLink.listenAddress, uartLink.localPort);
    m_startupDialog->SetSerial(uartLink.device, uartLink.serial);
    if (!confirm || !m_startupDialog->Confirm())
        return;
    // The connect button's click, queued so that it runs in the event loop
    // like a real one, with its progress, message boxes and errors.
    const bool modbus = terminalType != 0;
    wxWindow *panel = modbus ? static_cast<wxWindow *>(m_modbusPanel) : m_terminalPanel;
    if (!panel->IsShown())
        return;
    const int connectId = modbus ? static_cast<int>(ModbusTerminalPanel::ID_CONNECT)
                                 : static_cast<int>(TerminalPanel::ID_CONNECT);
    wxCommandEvent click(wxEVT_BUTTON, connectId);
    click.SetEventObject(panel);
    panel->GetEventHandler()->AddPendingEvent(click);
}

void MainWindow::ApplyConnection(const wxString &ip, const wxString &port, int terminalType, int framing,
                                 int responseTimeoutMs, const LinkEndpoint &uartLink)
{
    m_lastIp = ip;
    m_lastPort = port;
    m_lastTerminalType = terminalType;
    m_lastFraming = framing;
    m_lastResponseTimeoutMs = responseTimeoutMs;
    m_lastLink = uartLink;
    LinkEndpoint endpoint = uartLink;
    const LinkEndpoint target = TcpClientEndpoint(ip.utf8_string(), port.utf8_string());
    endpoint.host = target.host;
    endpoint.port = target.port;
    m_terminalPanel->SetConnectionParameters(endpoint);
    m_modbusPanel->SetConnectionParameters(ip, port, framing, responseTimeoutMs);
    m_terminalPanel->Show(terminalType == 0);
    m_modbusPanel->Show(terminalType != 0);
    // The link field belongs to the UART terminal.
    if (terminalType == 0)
        m_terminalPanel->ShowLinkStatus();
    else
        m_statusBar->SetStatusText("", 1);
    m_sizer->Layout();
}

void MainWindow::StreamMediaFile(const wxString &path, const wxString &fileName)
{
    m_terminalPanel->SelectMediaFile(path, fileName);
}

void MainWindow::CloseSocketLibrary()
{
    tcp_cleanup();
}

void MainWindow::OnFrameClose(wxCloseEvent &event)
{
    m_settingsTimer.Stop();
    // A settings file that cannot be written costs the next start its
    // settings, not this session its end.
    if (!SaveSettings())
        std::fprintf(stderr, "orv-terminal: the settings could not be saved to %s\n",
                     user_config::FilePath().utf8_string().c_str());
    // The Modbus panel closes its connection at once (an exchange on its way
    // is cut short); its session's worker ends with the panel.
    m_modbusPanel->Shutdown();
    m_terminalPanel->Shutdown();
    event.Skip();
}
