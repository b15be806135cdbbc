#include "app/main_window.h"

#include "app/frame_geometry.h"
#include "app/image_file.h"
#include "app/menu_bar.h"
#include "app/new_dialog.h"
#include "modbus/modbus_terminal_panel.h"
#include "net/tcp.h"
#include "uart/terminal_panel.h"

#include <stdexcept>
#include <wx/display.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statusbr.h>

namespace {

// Room around the text of a status bar field.
constexpr int kStatusFieldPadding = 24;

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
    long style = wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxMAXIMIZE_BOX | wxCLOSE_BOX;
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
    m_frame->Layout();

    m_frame->SetBackgroundColour(*wxWHITE);
    m_frame->Centre(wxBOTH);
    m_frame->Show(true);

    // Modeless: start-up goes on while the dialog waits for the user.
    m_startupDialog = new NewDialog(m_frame, wxID_ANY, "ORV-Terminal Conf", wxDefaultPosition, wxSize(380, 250),
                                    wxDEFAULT_DIALOG_STYLE);
    m_startupDialog->SetValues(kDefaultModuleIp, kDefaultModulePort);
}

void MainWindow::PrefillStartupDialog(const wxString &ip, const wxString &port, int terminalType, bool confirm,
                                      int framing)
{
    if (!m_startupDialog)
        return;
    m_startupDialog->SetValues(ip, port);
    m_startupDialog->SetTerminalType(terminalType);
    m_startupDialog->SetFraming(framing);
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

void MainWindow::ApplyConnection(const wxString &ip, const wxString &port, int terminalType, int framing)
{
    m_terminalPanel->SetConnectionParameters(ip, port);
    m_modbusPanel->SetConnectionParameters(ip, port, framing);
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
    // The Modbus panel first: it ends its poll run, whose worker the UART
    // panel's shutdown then waits for with its own (they end within the
    // client's time-outs).
    m_modbusPanel->Shutdown();
    m_terminalPanel->Shutdown();
    event.Skip();
}
