// The UART rules dialog: the panel's rules in a list (enabled, match,
// pattern, actions, rate, count), edited with Add, Edit, Remove, Up and
// Down; OK hands the list to the panel. The counts are the panel's, kept
// fresh while the dialog is open, and "Reset counts" starts them over.
#ifndef ORV_UART_RULES_DIALOG_H
#define ORV_UART_RULES_DIALOG_H

#include "uart/rule.h"

#include <optional>
#include <wx/dialog.h>
#include <wx/timer.h>

class TerminalPanel;
class wxListCtrl;
class wxListEvent;

// What a rule does, as the list shows it: "send "GO" (ASCII, CR LF),
// highlight #ff8000, count, bell".
std::wstring RuleActionsLabel(const Rule &rule, const std::vector<SavedMessage> &messages);

class RulesDialog : public wxDialog {
public:
    enum { ID_LIST = 7001, ID_ADD, ID_EDIT, ID_REMOVE, ID_UP, ID_DOWN, ID_RESET_COUNTS };

    RulesDialog(wxWindow *parent, TerminalPanel &panel);

    // The rules as the dialog holds them now.
    const std::vector<Rule> &Rules() const { return m_rules; }

private:
    void ShowRules();
    void ShowCounts();
    // Edits the rule in a RuleEditDialog; true when it was changed.
    bool EditRule(Rule &rule);
    int Selected() const;
    void Select(int row);
    void OnAdd(wxCommandEvent &event);
    void OnEdit(wxCommandEvent &event);
    void OnActivated(wxListEvent &event);
    void OnRemove(wxCommandEvent &event);
    void OnMove(wxCommandEvent &event);
    void OnResetCounts(wxCommandEvent &event);
    void OnChecked(wxListEvent &event);
    void OnOk(wxCommandEvent &event);
    void OnCountTimer(wxTimerEvent &event);

    TerminalPanel &m_panel;
    std::vector<SavedMessage> m_messages;
    std::vector<Rule> m_rules;
    // For each row, the panel's rule it came from (whose count it shows);
    // none for a rule added here.
    std::vector<std::optional<size_t>> m_origins;
    wxListCtrl *m_list = nullptr;
    wxTimer m_countTimer;
    bool m_showing = false;
};

#endif
