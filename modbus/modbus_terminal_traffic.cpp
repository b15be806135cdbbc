// The Modbus panel's traffic view: every frame of the connection with its
// time, and the outcome of each request after its frames.
#include "modbus/modbus_terminal_panel.h"

#include "app/main_window.h"
#include "modbus/modbus_session.h"
#include "modbus/traffic_window.h"

#include <wx/checkbox.h>

void ModbusTerminalPanel::OnShowTraffic(wxCommandEvent &)
{
    const bool show = m_trafficCheck->GetValue();
    if (show && m_trafficWindow == nullptr)
        m_trafficWindow = new TrafficWindow(MainWindow::GetInstance()->m_frame, [this] { OnTrafficWindowClosed(); });
    // The session hands over the traffic only while the view is open.
    if (show)
        m_session->WatchTraffic(this);
    else
        m_session->UnwatchTraffic(this);
    if (m_trafficWindow != nullptr)
        m_trafficWindow->Show(show);
}

void ModbusTerminalPanel::ShowTrafficView(bool show)
{
    m_trafficCheck->SetValue(show);
    wxCommandEvent tick(wxEVT_COMMAND_CHECKBOX_CLICKED, ID_SHOW_TRAFFIC);
    OnShowTraffic(tick);
}

void ModbusTerminalPanel::OnTrafficWindowClosed()
{
    m_trafficCheck->SetValue(false);
    m_session->UnwatchTraffic(this);
}

void ModbusTerminalPanel::OnTraffic(ModbusSessionEvent &event)
{
    const JobResult &run = event.Result();
    // A request refused before it went out left nothing on the wire.
    if (m_trafficWindow == nullptr || run.frames.empty())
        return;
    m_trafficWindow->AddRun(run, m_framing);
}
