#include "modbus/traffic_window.h"

#include "app/chosen_path.h"
#include "app/error_box.h"
#include "modbus/form_result.h"
#include "modbus/frame_description.h"
#include "modbus/session_event.h"
#include "modbus/traffic_lines.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/filedlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

TrafficWindow::TrafficWindow(wxWindow *parent, std::function<void()> closed)
    : wxFrame(parent, wxID_ANY, "Modbus traffic", wxDefaultPosition, wxSize(640, 400),
              wxDEFAULT_FRAME_STYLE | wxFRAME_FLOAT_ON_PARENT),
      m_closed(std::move(closed))
{
    auto *panel = new wxPanel(this);
    m_view = new wxTextCtrl(panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                            wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
    m_view->SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_TELETYPE)));
    m_copyButton = new wxButton(panel, wxID_COPY, "Copy all");
    m_clearButton = new wxButton(panel, wxID_CLEAR, "Clear");
    auto *save = new wxButton(panel, ID_SAVE_PCAP, "Save as pcap");
    m_statsView = new wxTextCtrl(panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(-1, 64),
                                 wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
    m_statsView->SetFont(m_view->GetFont());
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(m_copyButton, 0, wxRIGHT, 5);
    buttons->Add(m_clearButton, 0, wxRIGHT, 5);
    buttons->Add(save, 0);
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_view, 1, wxEXPAND | wxALL, 5);
    sizer->Add(m_statsView, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 5);
    sizer->Add(buttons, 0, wxLEFT | wxBOTTOM, 5);
    panel->SetSizer(sizer);

    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(TrafficWindow::OnClose));
    Connect(wxID_COPY, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TrafficWindow::OnCopy));
    Connect(wxID_CLEAR, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TrafficWindow::OnClear));
    Connect(ID_SAVE_PCAP, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TrafficWindow::OnSavePcap));
}

void TrafficWindow::AddRun(const JobResult &run, int framing)
{
    std::vector<std::string> lines;
    std::vector<uint8_t> request;
    int unit = run.request.unit;
    for (const TrafficFrame &frame : run.frames) {
        const std::string line = FrameLine(ClockText(frame.time), frame.sent, frame.bytes.data(), frame.bytes.size());
        lines.push_back(DescribedFrameLine(line, framing, frame.sent, frame.bytes.data(), frame.bytes.size(), request));
        if (frame.sent) {
            request = frame.bytes;
            // A raw frame names its unit only in its bytes.
            const FrameDescription sent = DescribeRequest({request.data(), request.size()}, framing);
            if (sent.unit >= 0)
                unit = sent.unit;
        }
        m_capture.Add(frame.connection, frame.sent, frame.bytes, frame.time);
    }
    lines.push_back(OutcomeLine(ClockText(run.answeredAt), FormResultLine(run.request, run.reply)));
    AddLines(lines);
    if (!request.empty()) {
        m_stats.Add(unit, ClassifyExchange(run.reply.result, run.reply.error), run.reply.roundTrip);
        ShowStats();
    }
}

wxString TrafficWindow::StatsText() const
{
    return m_statsView->GetValue();
}

void TrafficWindow::ShowStats()
{
    wxString text;
    for (const auto &[unit, stats] : m_stats.Units()) {
        if (!text.empty())
            text += '\n';
        text += wxString::FromUTF8(UnitStatsLine(unit, stats));
    }
    m_statsView->ChangeValue(text);
}

void TrafficWindow::AddLines(const std::vector<std::string> &lines)
{
    if (lines.empty())
        return;
    wxString text;
    for (const std::string &line : lines) {
        // Counted in the view's characters, not in bytes: an outcome line
        // may hold any text (a device's slave id, a system message).
        const wxString shown = wxString::FromUTF8(line.c_str()) + '\n';
        text += shown;
        m_lineLengths.push_back(shown.length());
        m_length += shown.length();
    }
    m_view->AppendText(text);
    size_t drop = 0;
    while (m_length > kKeep && !m_lineLengths.empty()) {
        drop += m_lineLengths.front();
        m_length -= m_lineLengths.front();
        m_lineLengths.pop_front();
    }
    if (drop > 0)
        m_view->Remove(0, static_cast<long>(drop));
}

void TrafficWindow::OnClose(wxCloseEvent &event)
{
    if (!event.CanVeto()) {
        event.Skip();
        return;
    }
    Hide();
    if (m_closed)
        m_closed();
}

void TrafficWindow::OnCopy(wxCommandEvent &)
{
    if (wxTheClipboard->Open()) {
        wxTheClipboard->SetData(new wxTextDataObject(m_view->GetValue()));
        wxTheClipboard->Close();
    }
}

void TrafficWindow::OnClear(wxCommandEvent &)
{
    m_view->Clear();
    m_lineLengths.clear();
    m_length = 0;
    m_capture.Clear();
    m_stats = ExchangeStats();
    m_statsView->Clear();
}

void TrafficWindow::OnSavePcap(wxCommandEvent &)
{
    wxFileDialog dialog(this, "Save as pcap", "", "modbus-traffic.pcap", "Capture files (*.pcap)|*.pcap",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const std::string failure = SaveCapture(ChosenPath(dialog).utf8_string());
    if (!failure.empty())
        ShowErrorBox(wxString::FromUTF8(failure));
}
