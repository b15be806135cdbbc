#include "modbus/raw_frame_dialog.h"

#include "modbus/modbus_session.h"
#include "modbus/raw_frame.h"
#include "modbus/traffic_lines.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

RawFrameDialog::RawFrameDialog(wxWindow *parent, ModbusSession &session, int framing)
    : wxDialog(parent, wxID_ANY, "Raw frame", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_session(session), m_framing(framing)
{
    m_frameField = new wxTextCtrl(this, ID_FRAME, "01 03 00 00 00 02", wxDefaultPosition, wxSize(320, -1));
    m_asIsCheck = new wxCheckBox(this, ID_AS_IS, framing == MB_FRAMING_TCP ? "As is (with its MBAP header)"
                                                                          : "As is (with its CRC)");
    m_sendButton = new wxButton(this, ID_SEND, "Send");
    m_answerView = new wxTextCtrl(this, ID_ANSWER, wxEmptyString, wxDefaultPosition, wxSize(560, 100),
                                  wxTE_MULTILINE | wxTE_READONLY | wxTE_DONTWRAP | wxHSCROLL);
    m_answerView->SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_TELETYPE)));

    auto *row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticText(this, wxID_ANY, "Frame (hex)"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    row->Add(m_frameField, 1, wxRIGHT, 6);
    row->Add(m_sendButton, 0);
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(row, 0, wxEXPAND | wxALL, 8);
    sizer->Add(m_asIsCheck, 0, wxLEFT | wxRIGHT, 8);
    sizer->Add(m_answerView, 1, wxEXPAND | wxALL, 8);
    sizer->Add(CreateButtonSizer(wxCLOSE), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    SetSizerAndFit(sizer);

    Connect(ID_SEND, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(RawFrameDialog::OnSend));
    Connect(EVT_MODBUS_RESULT, ModbusSessionEventHandler(RawFrameDialog::OnResult));
    Connect(wxID_CLOSE, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(RawFrameDialog::OnCloseButton));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(RawFrameDialog::OnClose));
}

void RawFrameDialog::OnCloseButton(wxCommandEvent &)
{
    Close();
}

void RawFrameDialog::OnClose(wxCloseEvent &)
{
    Destroy();
}

RawFrameDialog::~RawFrameDialog()
{
    // No result of ours may come after this.
    if (m_waiting)
        m_session.Remove(m_job);
}

wxString RawFrameDialog::AnswerText() const
{
    return m_answerView->GetValue();
}

bool RawFrameDialog::SendFrame()
{
    if (m_waiting)
        return false;
    SessionJob job;
    const std::string refusal =
        ParseRawFrame({m_frameField->GetValue().utf8_string()}, m_asIsCheck->GetValue(), m_framing, job.raw);
    if (!refusal.empty()) {
        m_answerView->ChangeValue("Failed: " + wxString::FromUTF8(refusal));
        return false;
    }
    job.rawAsIs = m_asIsCheck->GetValue();
    job.handler = this;
    m_answerView->ChangeValue("");
    m_waiting = true;
    m_sendButton->Disable();
    m_job = m_session.Submit(job);
    return true;
}

void RawFrameDialog::OnSend(wxCommandEvent &)
{
    SendFrame();
}

void RawFrameDialog::OnResult(ModbusSessionEvent &event)
{
    const JobResult &run = event.Result();
    if (!m_waiting || run.job != m_job)
        return;
    m_waiting = false;
    m_sendButton->Enable();
    wxString text;
    std::vector<uint8_t> request;
    for (const TrafficFrame &frame : run.frames) {
        const std::string line = FrameLine(ClockText(frame.time), frame.sent, frame.bytes.data(), frame.bytes.size());
        text += wxString::FromUTF8(
                    DescribedFrameLine(line, m_framing, frame.sent, frame.bytes.data(), frame.bytes.size(), request)) +
                "\n";
        if (frame.sent)
            request = frame.bytes;
    }
    if (!run.reason.empty())
        text += "Failed: " + wxString::FromUTF8(run.reason);
    m_answerView->ChangeValue(text);
}
