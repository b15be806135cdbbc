#include "modbus/traffic_window.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
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
    auto *buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(m_copyButton, 0, wxRIGHT, 5);
    buttons->Add(m_clearButton, 0);
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_view, 1, wxEXPAND | wxALL, 5);
    sizer->Add(buttons, 0, wxLEFT | wxBOTTOM, 5);
    panel->SetSizer(sizer);

    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(TrafficWindow::OnClose));
    Connect(wxID_COPY, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TrafficWindow::OnCopy));
    Connect(wxID_CLEAR, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(TrafficWindow::OnClear));
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
}
