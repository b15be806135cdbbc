// The "Message sequence" dialog: the user picks messages of the list in
// order, each with the delay after it, and starts or stops the run. The
// run itself belongs to the UART panel, reached through the actions given.
#ifndef ORV_UART_SEQUENCE_DIALOG_H
#define ORV_UART_SEQUENCE_DIALOG_H

#include "uart/message_sequence.h"

#include <functional>
#include <string>
#include <vector>
#include <wx/dialog.h>
#include <wx/string.h>

class wxButton;
class wxCheckBox;
class wxListBox;
class wxStaticText;
class wxTextCtrl;

class SequenceDialog : public wxDialog {
public:
    enum { ID_ADD_STEP = 5301, ID_REMOVE_STEP, ID_START, ID_STOP, ID_DELAY, ID_LOOP, ID_MESSAGES, ID_STEPS };

    struct Actions {
        // The reason the steps were refused, or an empty text once they run.
        std::function<std::string(const std::vector<SequenceStep> &, bool)> start;
        std::function<void()> stop;
        // The list's messages, oldest first, as the list shows them.
        std::function<std::vector<wxString>()> messages;
    };

    SequenceDialog(wxWindow *parent, Actions actions);

    // Fills the choice of messages from the list as it is now.
    void ShowMessages();
    // The run has ended, and why.
    void ShowEnded(const std::string &reason);
    // The list lost an entry, or all: the steps follow it.
    void MessageRemoved(size_t index);
    void MessagesCleared();
    const std::vector<SequenceStep> &Steps() const { return m_steps; }

private:
    void OnAddStep(wxCommandEvent &event);
    void OnRemoveStep(wxCommandEvent &event);
    void OnStart(wxCommandEvent &event);
    void OnStop(wxCommandEvent &event);
    void OnClose(wxCloseEvent &event);
    void OnActivate(wxActivateEvent &event);
    void ShowSteps();
    void ShowRunning(bool running);

    Actions m_actions;
    std::vector<wxString> m_labels;
    std::vector<SequenceStep> m_steps;
    wxListBox *m_messageList = nullptr;
    wxTextCtrl *m_delayText = nullptr;
    wxListBox *m_stepList = nullptr;
    wxCheckBox *m_loopCheck = nullptr;
    wxButton *m_startButton = nullptr;
    wxButton *m_stopButton = nullptr;
    wxStaticText *m_stateText = nullptr;
};

#endif
