// The Modbus panel's traffic view.
#include "modbus/modbus_terminal_panel.h"

#include "app/main_window.h"
#include "modbus/traffic_recorder.h"
#include "modbus/traffic_window.h"

#include <wx/checkbox.h>

void ModbusTerminalPanel::OnShowTraffic(wxCommandEvent &)
{
    const bool show = m_trafficCheck->GetValue();
    if (show && m_trafficWindow == nullptr)
        m_trafficWindow = new TrafficWindow(MainWindow::GetInstance()->m_frame, [this] { OnTrafficWindowClosed(); });
    m_traffic->Enable(show);
    if (m_trafficWindow != nullptr)
        m_trafficWindow->Show(show);
}

void ModbusTerminalPanel::OnTrafficWindowClosed()
{
    m_trafficCheck->SetValue(false);
    m_traffic->Enable(false);
}

void ModbusTerminalPanel::OnTraffic(wxCommandEvent &)
{
    const std::vector<std::string> lines = m_traffic->Take();
    if (m_trafficWindow != nullptr)
        m_trafficWindow->AddLines(lines);
}
