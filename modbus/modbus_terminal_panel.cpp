// Construction and layout of the Modbus terminal panel.
#include "modbus/modbus_terminal_panel.h"

#include "app/control_names.h"
#include "app/image_file.h"
#include "app/main_window.h"
#include "app/shared_fonts.h"
#include "app/theme_colours.h"
#include "app/toolkit_fit.h"
#include "modbus/framing_name.h"
#include "modbus/function_panel.h"
#include "modbus/modbus_session.h"
#include "modbus/monitor_window.h"

#include <algorithm>
#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/colour.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statline.h>
#include <wx/stattext.h>

namespace {

constexpr int HEADING_WIDTH = 160;
constexpr int kFormDesignWidth = 500;
constexpr int kFormLeastHeight = 100;
const wxSize kTopButtonSize(88, 25);

// A label that keeps its given width after its font changes.
wxStaticText *NewFixedText(wxWindow *parent, const wxString &text, const wxPoint &pos, int width, const wxFont &font,
                           long style = 0)
{
    auto *label = new wxStaticText(parent, wxID_ANY, text, pos, wxSize(width, -1), style | wxST_NO_AUTORESIZE);
    label->SetFont(font);
    // The best size still measures the old font until GTK's next style
    // update; the text extent already measures the new one.
    const wxSize size(width, label->GetTextExtent(text).GetHeight());
    label->SetMinSize(size);
    label->SetSize(size);
    return label;
}

} // namespace

ModbusTerminalPanel::ModbusTerminalPanel()
    : wxPanel(MainWindow::GetInstance()->m_frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL,
              "ModbusORVTerminalPanel"),
      m_connectBitmap(LoadImageFile("icons/connectbtn.jpg")),
      m_disconnectBitmap(LoadImageFile("icons/disconnectbtn.jpg")), m_session(std::make_unique<ModbusSession>(this))
{
    BuildTopRow();
    BuildFunctionButtons();
    // The function buttons may grow on GTK; the forms then stand further right.
    m_formLeft += toolkit_fit::FitButtonColumn(this, ID_FUNCTION_FIRST, ID_FUNCTION_LAST);
    toolkit_fit::GrowChildren(this);

    Connect(ID_CONNECT, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(ModbusTerminalPanel::OnConnect));
    Connect(ID_MODIFY, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(ModbusTerminalPanel::OnModifyParameters));
    Connect(ID_FUNCTION_FIRST, ID_FUNCTION_LAST, wxEVT_COMMAND_BUTTON_CLICKED,
            wxCommandEventHandler(ModbusTerminalPanel::OnFunctionChosen));
    Connect(EVT_MODBUS_LINK, ModbusSessionEventHandler(ModbusTerminalPanel::OnLink));
    Connect(EVT_MODBUS_TRAFFIC, ModbusSessionEventHandler(ModbusTerminalPanel::OnTraffic));
    Connect(ID_SHOW_TRAFFIC, wxEVT_COMMAND_CHECKBOX_CLICKED, wxCommandEventHandler(ModbusTerminalPanel::OnShowTraffic));
    Connect(ID_OPEN_MONITOR, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(ModbusTerminalPanel::OnOpenMonitor));
    Connect(wxEVT_SIZE, wxSizeEventHandler(ModbusTerminalPanel::OnSize));
    m_saveTimer.SetOwner(this, ID_SAVE_TIMER);
    Connect(ID_SAVE_TIMER, wxEVT_TIMER, wxTimerEventHandler(ModbusTerminalPanel::OnSaveTimer));
}

ModbusTerminalPanel::~ModbusTerminalPanel()
{
    Shutdown();
    // The monitor may outlive the panel by a moment while the frame goes;
    // its polls end while the session is still there.
    if (m_monitor)
        m_monitor->Detach();
    // The worker ends before the panel stops being an event handler.
    m_session.reset();
}

void ModbusTerminalPanel::OnSize(wxSizeEvent &event)
{
    // The top row and the function buttons keep their places; the form
    // takes the room right of the buttons and below the title.
    if (m_functionPanel != nullptr)
        m_functionPanel->SetSize(FormArea());
    event.Skip();
}

wxRect ModbusTerminalPanel::FormArea() const
{
    // The frame is never narrower than the forms' design; a panel not yet
    // laid out gives its forms that width, which their result lines wrap in.
    const wxSize room = GetClientSize();
    return wxRect(m_formLeft, m_formTop, std::max(room.x - m_formLeft, kFormDesignWidth),
                  std::max(room.y - m_formTop, kFormLeastHeight));
}

wxString ModbusTerminalPanel::Ip() const
{
    return m_ipLabel->GetLabel();
}

wxString ModbusTerminalPanel::Port() const
{
    return m_portLabel->GetLabel();
}

void ModbusTerminalPanel::BuildTopRow()
{
    auto *row = new wxBoxSizer(wxHORIZONTAL);

    m_statusIcon = new wxStaticBitmap(this, wxID_ANY, LoadImageFile("icons/ko.jpg"), wxDefaultPosition, wxSize(25, 25));
    row->Add(m_statusIcon, 0, wxTOP, -5);
    row->AddSpacer(5);
    row->Add(new wxStaticText(this, wxID_ANY, "IP:"), 0);
    m_ipLabel = new wxStaticText(this, wxID_ANY, "not set");
    row->Add(m_ipLabel, 0, wxLEFT, 5);
    row->AddSpacer(5);
    row->Add(new wxStaticText(this, wxID_ANY, "Port:"), 0);
    m_portLabel = new wxStaticText(this, wxID_ANY, "not set");
    row->Add(m_portLabel, 0, wxLEFT, 5);
    row->AddSpacer(5);
    auto *modifyButton = new wxBitmapButton(this, ID_MODIFY, LoadImageFile("icons/modifybtn.jpg"), wxDefaultPosition,
                                            kTopButtonSize, wxBU_AUTODRAW);
    NameControl(modifyButton, kModifyButtonName);
    row->Add(modifyButton, 0, wxTOP, -5);
    row->AddSpacer(10);
    m_connectButton =
        new wxBitmapButton(this, ID_CONNECT, m_connectBitmap, wxDefaultPosition, kTopButtonSize, wxBU_AUTODRAW);
    NameControl(m_connectButton, kConnectButtonName);
    row->Add(m_connectButton, 0, wxTOP, -5);
    row->AddSpacer(10);
    row->Add(new wxStaticText(this, wxID_ANY, "Terminal Selected: MODBUS"), 0, wxTOP, 0);
    row->AddSpacer(10);
    m_framingLabel = new wxStaticText(this, wxID_ANY, FramingName(MB_FRAMING_RTU));
    row->Add(m_framingLabel, 0, wxTOP, 0);
    row->AddSpacer(10);
    // Last in the row, so that nothing before it moves when it shows.
    m_linkLabel = new wxStaticText(this, wxID_ANY, wxEmptyString);
    row->Add(m_linkLabel, 0, wxTOP, 0);

    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(row, 0, wxLEFT | wxTOP, 10);
    sizer->Add(new wxStaticLine(this, wxID_ANY, wxDefaultPosition, wxSize(800, -1), wxLI_HORIZONTAL), 0, wxTOP, 5);
    SetSizer(sizer);
}

void ModbusTerminalPanel::BuildFunctionButtons()
{
    NewFixedText(this, "MODBUS ORV-Terminal", wxPoint(m_layoutX, m_layoutY), 800, shared_fonts::Bold11(),
                 wxALIGN_CENTRE_HORIZONTAL);
    m_layoutY += 20;
    new wxStaticLine(this, wxID_ANY, wxPoint(0, m_layoutY), wxSize(800, -1), wxLI_HORIZONTAL);
    m_layoutY += 10;

    const int headingX = m_layoutX;
    const int subHeadingX = m_layoutX + 10;
    m_formTop = m_layoutY;
    AddHeading("Bit access", headingX, shared_fonts::Bold10(), 20);
    AddHeading("Read", subHeadingX, shared_fonts::Bold8(), 15);
    AddFunctionButton(1, "1: Read Coils", 25);
    AddFunctionButton(2, "2: Read Discrete Inputs", 30);
    AddHeading("Write", subHeadingX, shared_fonts::Bold8(), 15);
    AddFunctionButton(5, "5: Write Single Coil", 25);
    AddFunctionButton(15, "15: Write Multiple Coils", 30);

    AddHeading("16-Bit access", headingX, shared_fonts::Bold10(), 25);
    AddHeading("Read", subHeadingX, shared_fonts::Bold8(), 15);
    AddFunctionButton(4, "4: Read Input Register", 25);
    AddFunctionButton(3, "3: Read Holding Registers", 30);
    AddHeading("Write", subHeadingX, shared_fonts::Bold8(), 15);
    AddFunctionButton(6, "6: Write Single Register", 25);
    AddFunctionButton(16, "16: Write Multi Registers", 25);
    AddFunctionButton(23, "23: Read/Write Multi Registers", 30);

    AddHeading("Diagnostic", headingX, shared_fonts::Bold10(), 20);
    AddFunctionButton(17, "17: Report Slave ID", 35);

    m_trafficCheck = new wxCheckBox(this, ID_SHOW_TRAFFIC, "Show traffic", wxPoint(headingX, m_layoutY));
    // Beside the check box: below it the panel has no room at its least size.
    auto *monitorButton = new wxButton(this, ID_OPEN_MONITOR, "Monitor");
    // Its top on the check box's keeps the two in reading order for Tab.
    monitorButton->Move(headingX + m_trafficCheck->GetBestSize().x + 10, m_layoutY);
}

MonitorWindow *ModbusTerminalPanel::OpenMonitor()
{
    if (!m_monitor) {
        m_monitor = new MonitorWindow(MainWindow::GetInstance()->m_frame, *m_session,
                                      [this](const std::vector<BlockDefinition> &blocks) {
                                          // Gone for the panel at once, before its deletion.
                                          m_monitorBlocks = blocks;
                                          m_monitorPlotted = m_monitor->Chart().Plotted();
                                          m_monitor = nullptr;
                                      });
        m_monitor->SetBlocks(m_monitorBlocks);
        m_monitor->PlotRows(m_monitorPlotted);
    }
    m_monitor->Show();
    m_monitor->Raise();
    return m_monitor.get();
}

std::vector<BlockDefinition> ModbusTerminalPanel::MonitorBlocks() const
{
    return m_monitor ? m_monitor->Blocks() : m_monitorBlocks;
}

PlottedRows ModbusTerminalPanel::MonitorPlotted() const
{
    return m_monitor ? m_monitor->Chart().Plotted() : m_monitorPlotted;
}

void ModbusTerminalPanel::SetMonitorBlocks(const std::vector<BlockDefinition> &blocks, bool open,
                                          const PlottedRows &plotted)
{
    // A monitor that closes keeps its blocks: these come after.
    if (!open && m_monitor)
        m_monitor->Close();
    m_monitorBlocks = blocks;
    m_monitorPlotted = plotted;
    if (!open)
        return;
    MonitorWindow *monitor = OpenMonitor();
    monitor->SetBlocks(blocks);
    monitor->PlotRows(plotted);
}

void ModbusTerminalPanel::OnOpenMonitor(wxCommandEvent &)
{
    OpenMonitor();
}

void ModbusTerminalPanel::AddHeading(const wxString &text, int x, const wxFont &font, int step)
{
    NewFixedText(this, text, wxPoint(x, m_layoutY), HEADING_WIDTH, font);
    m_layoutY += step;
}

void ModbusTerminalPanel::AddFunctionButton(int functionCode, const wxString &label, int step)
{
    auto *button = new wxButton(this, FUNCTION_ID_BASE + functionCode, label, wxPoint(m_layoutX + 20, m_layoutY),
                                wxSize(HEADING_WIDTH, -1));
    button->SetBackgroundColour(theme_colours::Page());
    m_layoutY += step;
}
