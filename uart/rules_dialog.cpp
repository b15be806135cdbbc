#include "uart/rules_dialog.h"

#include "app/error_box.h"
#include "uart/rule_edit_dialog.h"
#include "uart/rule_engine.h"
#include "uart/rule_entries.h"
#include "uart/terminal_panel.h"
#include "uart/tx_codec.h"

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

namespace {

enum Column { ColumnMatch, ColumnPattern, ColumnActions, ColumnRate, ColumnCount };

// How often the counts follow the rules' matches while the dialog is open.
constexpr int kCountRefreshMs = 500;

} // namespace

std::wstring RuleActionsLabel(const Rule &rule, const std::vector<SavedMessage> &messages)
{
    std::wstring label;
    const auto add = [&label](const std::wstring &action) { label += (label.empty() ? L"" : L", ") + action; };
    if (rule.send) {
        const bool listed = rule.send->listed && *rule.send->listed < messages.size();
        const SavedMessage &message = listed ? messages[*rule.send->listed] : rule.send->own;
        add(L"send " + MessageListLabel(message.text, message.notation, message.ending));
    }
    if (rule.highlight) {
        const std::string colour = ColourText(*rule.highlight);
        add(L"highlight " + std::wstring(colour.begin(), colour.end()));
    }
    if (rule.count)
        add(L"count");
    if (rule.bell)
        add(L"bell");
    return label;
}

RulesDialog::RulesDialog(wxWindow *parent, TerminalPanel &panel)
    : wxDialog(parent, wxID_ANY, "UART rules", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_panel(panel), m_messages(panel.CurrentSettings().messages), m_rules(panel.Rules()), m_countTimer(this)
{
    for (size_t n = 0; n < m_rules.size(); ++n)
        m_origins.emplace_back(n);
    m_list = new wxListCtrl(this, ID_LIST, wxDefaultPosition, wxSize(640, 240), wxLC_REPORT | wxLC_SINGLE_SEL);
    m_list->EnableCheckBoxes();
    m_list->AppendColumn("Match", wxLIST_FORMAT_LEFT, 90);
    m_list->AppendColumn("Pattern", wxLIST_FORMAT_LEFT, 160);
    m_list->AppendColumn("Actions", wxLIST_FORMAT_LEFT, 240);
    m_list->AppendColumn("Per second", wxLIST_FORMAT_RIGHT, 70);
    m_list->AppendColumn("Count", wxLIST_FORMAT_RIGHT, 70);

    auto *buttons = new wxBoxSizer(wxVERTICAL);
    const std::pair<int, const char *> commands[] = {{ID_ADD, "&Add..."}, {ID_EDIT, "&Edit..."},
                                                     {ID_REMOVE, "&Remove"}, {ID_UP, "&Up"},
                                                     {ID_DOWN, "&Down"}, {ID_RESET_COUNTS, "Reset &counts"}};
    for (const auto &[id, label] : commands)
        buttons->Add(new wxButton(this, id, label), 0, wxEXPAND | wxBOTTOM, 4);

    auto *middle = new wxBoxSizer(wxHORIZONTAL);
    middle->Add(m_list, 1, wxEXPAND | wxRIGHT, 8);
    middle->Add(buttons);
    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(middle, 1, wxEXPAND | wxALL, 10);
    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
    SetSizerAndFit(top);

    ShowRules();
    Bind(wxEVT_BUTTON, &RulesDialog::OnAdd, this, ID_ADD);
    Bind(wxEVT_BUTTON, &RulesDialog::OnEdit, this, ID_EDIT);
    Bind(wxEVT_BUTTON, &RulesDialog::OnRemove, this, ID_REMOVE);
    Bind(wxEVT_BUTTON, &RulesDialog::OnMove, this, ID_UP);
    Bind(wxEVT_BUTTON, &RulesDialog::OnMove, this, ID_DOWN);
    Bind(wxEVT_BUTTON, &RulesDialog::OnResetCounts, this, ID_RESET_COUNTS);
    Bind(wxEVT_BUTTON, &RulesDialog::OnOk, this, wxID_OK);
    Bind(wxEVT_LIST_ITEM_ACTIVATED, &RulesDialog::OnActivated, this, ID_LIST);
    Bind(wxEVT_LIST_ITEM_CHECKED, &RulesDialog::OnChecked, this, ID_LIST);
    Bind(wxEVT_LIST_ITEM_UNCHECKED, &RulesDialog::OnChecked, this, ID_LIST);
    Bind(wxEVT_TIMER, &RulesDialog::OnCountTimer, this, m_countTimer.GetId());
    m_countTimer.Start(kCountRefreshMs);
}

void RulesDialog::ShowRules()
{
    const int selected = Selected();
    // Checking rows here is no user's click.
    m_showing = true;
    m_list->DeleteAllItems();
    for (size_t n = 0; n < m_rules.size(); ++n) {
        const Rule &rule = m_rules[n];
        const long row = m_list->InsertItem(static_cast<long>(n), RuleMatchKindName(rule.match));
        m_list->SetItem(row, ColumnPattern, rule.pattern);
        m_list->SetItem(row, ColumnActions, RuleActionsLabel(rule, m_messages));
        m_list->SetItem(row, ColumnRate, wxString::Format("%u", rule.maxPerSecond));
        m_list->CheckItem(row, rule.enabled);
    }
    m_showing = false;
    ShowCounts();
    Select(selected);
}

// A row shows its count when its rule counts and came from the panel, whose
// counts these are.
void RulesDialog::ShowCounts()
{
    for (size_t n = 0; n < m_rules.size(); ++n) {
        wxString count;
        if (m_rules[n].count && m_origins[n] && *m_origins[n] < m_panel.Rules().size()) {
            const uint64_t matched = m_panel.RuleCountsOf(*m_origins[n]).matched;
            count = wxString::Format("%llu", static_cast<unsigned long long>(matched));
        }
        if (m_list->GetItemText(static_cast<long>(n), ColumnCount) != count)
            m_list->SetItem(static_cast<long>(n), ColumnCount, count);
    }
}

int RulesDialog::Selected() const
{
    return static_cast<int>(m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

void RulesDialog::Select(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_rules.size())
        return;
    m_list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                         wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    m_list->EnsureVisible(row);
}

bool RulesDialog::EditRule(Rule &rule)
{
    RuleEditDialog dialog(this, rule, m_messages);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    return dialog.Read(rule).empty();
}

void RulesDialog::OnAdd(wxCommandEvent &)
{
    Rule rule;
    if (!EditRule(rule))
        return;
    m_rules.push_back(std::move(rule));
    m_origins.emplace_back();
    ShowRules();
    Select(static_cast<int>(m_rules.size()) - 1);
}

void RulesDialog::OnEdit(wxCommandEvent &)
{
    const int row = Selected();
    if (row < 0)
        return;
    Rule rule = m_rules[static_cast<size_t>(row)];
    if (!EditRule(rule))
        return;
    m_rules[static_cast<size_t>(row)] = std::move(rule);
    ShowRules();
}

void RulesDialog::OnActivated(wxListEvent &)
{
    wxCommandEvent edit;
    OnEdit(edit);
}

void RulesDialog::OnRemove(wxCommandEvent &)
{
    const int row = Selected();
    if (row < 0)
        return;
    m_rules.erase(m_rules.begin() + row);
    m_origins.erase(m_origins.begin() + row);
    ShowRules();
    Select(std::min(row, static_cast<int>(m_rules.size()) - 1));
}

void RulesDialog::OnMove(wxCommandEvent &event)
{
    const int row = Selected();
    const int to = event.GetId() == ID_UP ? row - 1 : row + 1;
    if (row < 0 || to < 0 || static_cast<size_t>(to) >= m_rules.size())
        return;
    std::swap(m_rules[static_cast<size_t>(row)], m_rules[static_cast<size_t>(to)]);
    std::swap(m_origins[static_cast<size_t>(row)], m_origins[static_cast<size_t>(to)]);
    ShowRules();
    Select(to);
}

void RulesDialog::OnResetCounts(wxCommandEvent &)
{
    m_panel.ResetRuleCounts();
    ShowCounts();
}

void RulesDialog::OnChecked(wxListEvent &event)
{
    if (!m_showing && event.GetIndex() >= 0 && static_cast<size_t>(event.GetIndex()) < m_rules.size())
        m_rules[static_cast<size_t>(event.GetIndex())].enabled = m_list->IsItemChecked(event.GetIndex());
}

void RulesDialog::OnOk(wxCommandEvent &event)
{
    // Rules taken again start their counts over: unchanged ones keep them.
    if (RuleEntries(m_rules) == RuleEntries(m_panel.Rules())) {
        event.Skip();
        return;
    }
    const std::string refusal = m_panel.SetRules(m_rules);
    if (refusal.empty()) {
        event.Skip();
        return;
    }
    ShowErrorBox(wxString::FromUTF8(refusal));
}

void RulesDialog::OnCountTimer(wxTimerEvent &)
{
    ShowCounts();
}
