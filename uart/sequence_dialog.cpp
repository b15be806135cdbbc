#include "uart/sequence_dialog.h"

#include "app/error_box.h"

#include <chrono>
#include <string>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

namespace {

constexpr char kDefaultDelayMs[] = "1000";
// More digits than the longest delay has: a longer run of them is refused
// as too long rather than read wrapped.
constexpr size_t kDelayDigits = 9;

} // namespace

SequenceDialog::SequenceDialog(wxWindow *parent, Actions actions)
    : wxDialog(parent, wxID_ANY, "Message sequence", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_actions(std::move(actions))
{
    auto *column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(this, wxID_ANY, "Messages of the list:"), 0, wxLEFT | wxTOP, 10);
    m_messageList = new wxListBox(this, ID_MESSAGES, wxDefaultPosition, wxSize(360, 120));
    column->Add(m_messageList, 1, wxEXPAND | wxLEFT | wxRIGHT, 10);

    auto *addRow = new wxBoxSizer(wxHORIZONTAL);
    addRow->Add(new wxStaticText(this, wxID_ANY, "Delay after (ms):"), 0, wxALIGN_CENTER_VERTICAL);
    m_delayText = new wxTextCtrl(this, ID_DELAY, kDefaultDelayMs, wxDefaultPosition, wxSize(90, -1), 0,
                                 wxTextValidator(wxFILTER_DIGITS));
    addRow->Add(m_delayText, 0, wxLEFT, 5);
    addRow->Add(new wxButton(this, ID_ADD_STEP, "Add step"), 0, wxLEFT, 10);
    column->Add(addRow, 0, wxALL, 10);

    column->Add(new wxStaticText(this, wxID_ANY, "Steps, in order:"), 0, wxLEFT, 10);
    m_stepList = new wxListBox(this, ID_STEPS, wxDefaultPosition, wxSize(360, 120));
    column->Add(m_stepList, 1, wxEXPAND | wxLEFT | wxRIGHT, 10);

    auto *runRow = new wxBoxSizer(wxHORIZONTAL);
    runRow->Add(new wxButton(this, ID_REMOVE_STEP, "Remove step"), 0);
    m_loopCheck = new wxCheckBox(this, ID_LOOP, "Loop");
    runRow->Add(m_loopCheck, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 10);
    m_startButton = new wxButton(this, ID_START, "Start");
    runRow->Add(m_startButton, 0, wxLEFT, 10);
    m_stopButton = new wxButton(this, ID_STOP, "Stop");
    runRow->Add(m_stopButton, 0, wxLEFT, 5);
    column->Add(runRow, 0, wxALL, 10);
    m_stateText = new wxStaticText(this, wxID_ANY, "Not running");
    column->Add(m_stateText, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(column);

    Connect(ID_ADD_STEP, wxEVT_BUTTON, wxCommandEventHandler(SequenceDialog::OnAddStep));
    Connect(ID_REMOVE_STEP, wxEVT_BUTTON, wxCommandEventHandler(SequenceDialog::OnRemoveStep));
    Connect(ID_START, wxEVT_BUTTON, wxCommandEventHandler(SequenceDialog::OnStart));
    Connect(ID_STOP, wxEVT_BUTTON, wxCommandEventHandler(SequenceDialog::OnStop));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(SequenceDialog::OnClose));
    // The list may have changed while the dialog was away.
    Connect(wxEVT_ACTIVATE, wxActivateEventHandler(SequenceDialog::OnActivate));
    ShowRunning(false);
}

void SequenceDialog::ShowMessages()
{
    m_labels = m_actions.messages();
    m_messageList->Clear();
    for (const wxString &label : m_labels)
        m_messageList->Append(label);
    if (!m_labels.empty())
        m_messageList->SetSelection(0);
    ShowSteps();
}

void SequenceDialog::ShowSteps()
{
    m_stepList->Clear();
    for (size_t n = 0; n < m_steps.size(); ++n) {
        const SequenceStep &step = m_steps[n];
        const wxString label = step.message < m_labels.size() ? m_labels[step.message] : wxString("?");
        m_stepList->Append(wxString::Format("%zu. %s, then %lld ms", n + 1, label,
                                            static_cast<long long>(step.delayAfter.count())));
    }
}

void SequenceDialog::OnAddStep(wxCommandEvent &)
{
    const int row = m_messageList->GetSelection();
    if (row == wxNOT_FOUND) {
        ShowErrorBox("Choose a message of the list first");
        return;
    }
    const std::string digits = m_delayText->GetValue().utf8_string();
    const bool number = !digits.empty() && digits.size() <= kDelayDigits &&
                        digits.find_first_not_of("0123456789") == std::string::npos;
    if (!number || std::chrono::milliseconds(std::stoll(digits)) > kMostSequenceDelay) {
        ShowErrorBox(wxString::Format("Enter a delay of 0 to %lld ms", static_cast<long long>(kMostSequenceDelay.count())));
        return;
    }
    m_steps.push_back({static_cast<size_t>(row), std::chrono::milliseconds(std::stoll(digits))});
    ShowSteps();
}

void SequenceDialog::OnRemoveStep(wxCommandEvent &)
{
    const int row = m_stepList->GetSelection();
    if (row == wxNOT_FOUND)
        return;
    m_steps.erase(m_steps.begin() + row);
    ShowSteps();
}

void SequenceDialog::OnStart(wxCommandEvent &)
{
    const std::string refusal = m_actions.start(m_steps, m_loopCheck->GetValue());
    if (!refusal.empty()) {
        ShowErrorBox(wxString::FromUTF8(refusal));
        return;
    }
    ShowRunning(true);
}

void SequenceDialog::OnStop(wxCommandEvent &)
{
    m_actions.stop();
}

void SequenceDialog::ShowEnded(const std::string &reason)
{
    ShowRunning(false);
    m_stateText->SetLabel("Ended: " + wxString::FromUTF8(reason));
}

void SequenceDialog::ShowRunning(bool running)
{
    m_startButton->Enable(!running);
    m_stopButton->Enable(running);
    if (running)
        m_stateText->SetLabel("Running");
}

void SequenceDialog::MessageRemoved(size_t index)
{
    StepsAfterMessageRemoved(m_steps, index);
    ShowMessages();
}

void SequenceDialog::MessagesCleared()
{
    m_steps.clear();
    ShowMessages();
}

void SequenceDialog::OnActivate(wxActivateEvent &event)
{
    event.Skip();
    if (event.GetActive())
        ShowMessages();
}

// Closed, it only hides: the panel keeps it, steps included.
void SequenceDialog::OnClose(wxCloseEvent &)
{
    Hide();
}
