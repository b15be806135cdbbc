// The dialog that edits one rule: what it matches (a text, a byte sequence
// in hex or a regular expression), what it does (send a message of the list
// or one of its own, highlight in a colour, count, ring the bell) and how
// often at most. OK keeps the dialog open, naming the fault, until the rule
// is one the rules can take.
#ifndef ORV_UART_RULE_EDIT_DIALOG_H
#define ORV_UART_RULE_EDIT_DIALOG_H

#include "uart/rule.h"

#include <wx/dialog.h>

class wxCheckBox;
class wxChoice;
class wxColourPickerCtrl;
class wxRadioButton;
class wxSpinCtrl;
class wxTextCtrl;

class RuleEditDialog : public wxDialog {
public:
    enum {
        ID_MATCH = 7101,
        ID_PATTERN,
        ID_SEND,
        ID_SEND_LISTED,
        ID_LISTED_MESSAGE,
        ID_SEND_OWN,
        ID_OWN_TEXT,
        ID_OWN_NOTATION,
        ID_OWN_ENDING,
        ID_HIGHLIGHT,
        ID_COLOUR,
        ID_COUNT,
        ID_BELL,
        ID_PER_SECOND,
    };

    // `messages` is the message list, oldest first, as the rules count it.
    RuleEditDialog(wxWindow *parent, const Rule &rule, const std::vector<SavedMessage> &messages);

    // The rule the controls describe, and why it cannot be used (CheckRule),
    // or an empty text.
    std::string Read(Rule &rule) const;

private:
    void OnOk(wxCommandEvent &event);
    void EnableActions(wxCommandEvent &event);
    void EnableActionControls();

    size_t m_messageCount;
    wxChoice *m_match = nullptr;
    wxTextCtrl *m_pattern = nullptr;
    wxCheckBox *m_send = nullptr;
    wxRadioButton *m_sendListed = nullptr;
    wxChoice *m_listedMessage = nullptr;
    wxRadioButton *m_sendOwn = nullptr;
    wxTextCtrl *m_ownText = nullptr;
    wxChoice *m_ownNotation = nullptr;
    wxChoice *m_ownEnding = nullptr;
    wxCheckBox *m_highlight = nullptr;
    wxColourPickerCtrl *m_colour = nullptr;
    wxCheckBox *m_count = nullptr;
    wxCheckBox *m_bell = nullptr;
    wxSpinCtrl *m_perSecond = nullptr;
};

#endif
