// The monitor's CSV log of polled values.
#include "modbus/monitor_window.h"

#include "app/chosen_path.h"

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>

void MonitorWindow::OnStartLog(wxCommandEvent &)
{
    wxFileDialog dialog(this, "Log values to", "", "monitor.csv", "CSV files (*.csv)|*.csv|All files|*",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const wxString path = ChosenPath(dialog);
    const std::string why = StartLog(path.utf8_string());
    if (!why.empty())
        wxMessageBox("Cannot log to " + path + ": " + wxString::FromUTF8(why), "Modbus monitor",
                     wxOK | wxICON_ERROR, this);
}

void MonitorWindow::OnStopLog(wxCommandEvent &)
{
    StopLog();
}

std::string MonitorWindow::StartLog(const std::string &path)
{
    const std::string why = m_log.Open(path);
    ShowLogState();
    return why;
}

void MonitorWindow::StopLog()
{
    m_log.Close();
    ShowLogState();
}

wxString MonitorWindow::LogLine() const
{
    return m_logLine->GetLabel();
}

void MonitorWindow::ShowLogState()
{
    m_startLogButton->Enable(!m_log.IsOpen());
    m_stopLogButton->Enable(m_log.IsOpen());
    m_logLine->SetLabel(m_log.IsOpen() ? "Logging to " + wxString::FromUTF8(m_log.Path()) : wxString());
}

void MonitorWindow::LogAnswer(const BlockDefinition &block, std::chrono::system_clock::time_point time,
                              const std::vector<BlockValue> &values)
{
    if (!m_log.IsOpen())
        return;
    const std::string why = m_log.Append(time, block, values);
    if (why.empty())
        return;
    ShowLogState();
    // The box waits for the user while the blocks go on polling; the log is
    // closed already, so no second box follows.
    wxMessageBox("Logging stopped: cannot write to " + wxString::FromUTF8(m_log.Path()) + ": " +
                     wxString::FromUTF8(why),
                 "Modbus monitor", wxOK | wxICON_ERROR, this);
}
