#include "uart/rule_edit_dialog.h"

#include "app/control_names.h"
#include "app/error_box.h"
#include "uart/tx_codec.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/clrpicker.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

const wxString kMatchNames[] = {"Text", "Hex", "Regular expression"};
const wxString kNotationNames[] = {"ASCII", "Hex", "Binary", "Decimal"};
constexpr uint32_t kDefaultHighlight = 0xffa500;

wxColour ColourOf(uint32_t rgb)
{
    return wxColour(static_cast<unsigned char>(rgb >> 16), static_cast<unsigned char>(rgb >> 8),
                    static_cast<unsigned char>(rgb));
}

} // namespace

RuleEditDialog::RuleEditDialog(wxWindow *parent, const Rule &rule, const std::vector<SavedMessage> &messages)
    : wxDialog(parent, wxID_ANY, "UART rule", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_messageCount(messages.size())
{
    auto *fields = new wxFlexGridSizer(2, wxSize(8, 6));
    fields->AddGrowableCol(1);
    m_match = new wxChoice(this, ID_MATCH, wxDefaultPosition, wxDefaultSize, WXSIZEOF(kMatchNames), kMatchNames);
    m_match->SetSelection(static_cast<int>(rule.match));
    fields->Add(new wxStaticText(this, wxID_ANY, "Match"), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(m_match);
    m_pattern = new wxTextCtrl(this, ID_PATTERN, rule.pattern, wxDefaultPosition, wxSize(300, -1));
    NameControl(m_pattern, "Pattern");
    m_pattern->SetToolTip("Text, bytes in hex (\"0d 0a\") or a regular expression, as the match says");
    fields->Add(new wxStaticText(this, wxID_ANY, "Pattern"), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(m_pattern, 1, wxEXPAND);
    m_perSecond = new wxSpinCtrl(this, ID_PER_SECOND, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                 wxSP_ARROW_KEYS, 1, static_cast<int>(kMostRuleRate),
                                 static_cast<int>(rule.maxPerSecond));
    fields->Add(new wxStaticText(this, wxID_ANY, "At most per second"), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(m_perSecond);

    auto *actions = new wxStaticBoxSizer(wxVERTICAL, this, "Actions");
    wxWindow *box = actions->GetStaticBox();
    m_send = new wxCheckBox(box, ID_SEND, "Send");
    m_send->SetValue(rule.send.has_value());
    actions->Add(m_send, 0, wxALL, 4);
    auto *listedRow = new wxBoxSizer(wxHORIZONTAL);
    m_sendListed = new wxRadioButton(box, ID_SEND_LISTED, "Message list entry", wxDefaultPosition, wxDefaultSize,
                                     wxRB_GROUP);
    wxArrayString labels;
    // Newest first, as the list shows them.
    for (size_t n = messages.size(); n-- > 0;)
        labels.Add(MessageListLabel(messages[n].text, messages[n].notation, messages[n].ending));
    m_listedMessage = new wxChoice(box, ID_LISTED_MESSAGE, wxDefaultPosition, wxDefaultSize, labels);
    listedRow->Add(m_sendListed, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    listedRow->Add(m_listedMessage, 1);
    actions->Add(listedRow, 0, wxEXPAND | wxLEFT | wxRIGHT, 20);
    auto *ownRow = new wxBoxSizer(wxHORIZONTAL);
    m_sendOwn = new wxRadioButton(box, ID_SEND_OWN, "Own message");
    m_ownText = new wxTextCtrl(box, ID_OWN_TEXT);
    NameControl(m_ownText, "Message to send");
    m_ownNotation =
        new wxChoice(box, ID_OWN_NOTATION, wxDefaultPosition, wxDefaultSize, WXSIZEOF(kNotationNames), kNotationNames);
    wxArrayString endings;
    for (int ending = 0; ending < kLineEndingCount; ++ending)
        endings.Add(LineEndingName(ending));
    m_ownEnding = new wxChoice(box, ID_OWN_ENDING, wxDefaultPosition, wxDefaultSize, endings);
    ownRow->Add(m_sendOwn, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    ownRow->Add(m_ownText, 1, wxRIGHT, 4);
    ownRow->Add(m_ownNotation, 0, wxRIGHT, 4);
    ownRow->Add(m_ownEnding);
    actions->Add(ownRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 20);
    const bool listed = rule.send && rule.send->listed && *rule.send->listed < messages.size();
    m_sendListed->SetValue(listed);
    m_sendOwn->SetValue(!listed);
    if (listed)
        m_listedMessage->SetSelection(static_cast<int>(messages.size() - 1 - *rule.send->listed));
    else if (!messages.empty())
        m_listedMessage->SetSelection(0);
    const SavedMessage own = rule.send && !listed ? rule.send->own : SavedMessage{};
    m_ownText->ChangeValue(own.text);
    m_ownNotation->SetSelection(own.notation);
    m_ownEnding->SetSelection(own.ending);

    auto *highlightRow = new wxBoxSizer(wxHORIZONTAL);
    m_highlight = new wxCheckBox(box, ID_HIGHLIGHT, "Highlight in");
    m_highlight->SetValue(rule.highlight.has_value());
    m_colour = new wxColourPickerCtrl(box, ID_COLOUR, ColourOf(rule.highlight.value_or(kDefaultHighlight)));
    highlightRow->Add(m_highlight, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    highlightRow->Add(m_colour);
    actions->Add(highlightRow, 0, wxALL, 4);
    m_count = new wxCheckBox(box, ID_COUNT, "Count");
    m_count->SetValue(rule.count);
    actions->Add(m_count, 0, wxALL, 4);
    m_bell = new wxCheckBox(box, ID_BELL, "Ring the bell");
    m_bell->SetValue(rule.bell);
    actions->Add(m_bell, 0, wxALL, 4);

    auto *top = new wxBoxSizer(wxVERTICAL);
    top->Add(fields, 0, wxEXPAND | wxALL, 10);
    top->Add(actions, 1, wxEXPAND | wxLEFT | wxRIGHT, 10);
    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(top);

    EnableActionControls();
    for (int id : {ID_SEND, ID_SEND_LISTED, ID_SEND_OWN, ID_HIGHLIGHT})
        Bind(id == ID_SEND || id == ID_HIGHLIGHT ? wxEVT_CHECKBOX : wxEVT_RADIOBUTTON, &RuleEditDialog::EnableActions,
             this, id);
    Bind(wxEVT_BUTTON, &RuleEditDialog::OnOk, this, wxID_OK);
}

std::string RuleEditDialog::Read(Rule &rule) const
{
    rule.match = static_cast<RuleMatchKind>(m_match->GetSelection());
    rule.pattern = m_pattern->GetValue().ToStdWstring();
    rule.maxPerSecond = static_cast<unsigned>(m_perSecond->GetValue());
    rule.send.reset();
    if (m_send->GetValue()) {
        RuleSend send;
        if (m_sendListed->GetValue()) {
            const int row = m_listedMessage->GetSelection();
            if (row == wxNOT_FOUND)
                return "it sends a message list entry but none is chosen";
            send.listed = m_messageCount - 1 - static_cast<size_t>(row);
        } else {
            send.own = {m_ownText->GetValue().ToStdWstring(), m_ownNotation->GetSelection(),
                        m_ownEnding->GetSelection()};
        }
        rule.send = send;
    }
    rule.highlight.reset();
    if (m_highlight->GetValue()) {
        const wxColour colour = m_colour->GetColour();
        rule.highlight = (uint32_t{colour.Red()} << 16) | (uint32_t{colour.Green()} << 8) | colour.Blue();
    }
    rule.count = m_count->GetValue();
    rule.bell = m_bell->GetValue();
    return CheckRule(rule, m_messageCount);
}

void RuleEditDialog::OnOk(wxCommandEvent &event)
{
    Rule rule;
    const std::string refusal = Read(rule);
    if (refusal.empty()) {
        event.Skip();
        return;
    }
    ShowErrorBox("The rule cannot be used: " + wxString::FromUTF8(refusal));
}

void RuleEditDialog::EnableActions(wxCommandEvent &)
{
    EnableActionControls();
}

void RuleEditDialog::EnableActionControls()
{
    const bool send = m_send->GetValue();
    m_sendListed->Enable(send && m_messageCount > 0);
    m_listedMessage->Enable(send && m_sendListed->GetValue());
    m_sendOwn->Enable(send);
    for (wxWindow *control : {static_cast<wxWindow *>(m_ownText), static_cast<wxWindow *>(m_ownNotation),
                              static_cast<wxWindow *>(m_ownEnding)})
        control->Enable(send && m_sendOwn->GetValue());
    m_colour->Enable(m_highlight->GetValue());
}
