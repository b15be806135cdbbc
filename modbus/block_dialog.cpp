#include "modbus/block_dialog.h"

#include "modbus/wide_format.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

const char *const kFunctionNames[] = {"1: Read Coils", "2: Read Discrete Inputs", "3: Read Holding Registers",
                                      "4: Read Input Registers"};

// The decimal integer in `field`, or why it is none.
bool ReadInt(const wxTextCtrl *field, const char *name, int &value, std::string &why)
{
    const std::string text = field->GetValue().utf8_string();
    const char *begin = text.c_str();
    char *end = nullptr;
    errno = 0;
    const long number = std::strtol(begin, &end, 10);
    while (end != nullptr && (*end == ' ' || *end == '\t'))
        ++end;
    if (end == begin || *end != '\0' || errno == ERANGE || number < INT_MIN || number > INT_MAX) {
        if (why.empty())
            why = std::string(name) + " is no number";
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

} // namespace

BlockDialog::BlockDialog(wxWindow *parent, const BlockDefinition &initial)
    : wxDialog(parent, wxID_ANY, "Add block"), m_initial(initial)
{
    auto *grid = new wxFlexGridSizer(2, wxSize(10, 6));
    grid->AddGrowableCol(1);
    const auto addRow = [this, grid](const char *label, wxWindow *field) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(field, 1, wxEXPAND);
    };
    m_name = new wxTextCtrl(this, wxID_ANY);
    addRow("Name:", m_name);
    m_unit = new wxTextCtrl(this, wxID_ANY);
    addRow("Unit:", m_unit);
    m_function = new wxChoice(this, wxID_ANY);
    for (const char *name : kFunctionNames)
        m_function->Append(name);
    addRow("Function:", m_function);
    m_start = new wxTextCtrl(this, wxID_ANY);
    addRow("Start:", m_start);
    m_count = new wxTextCtrl(this, wxID_ANY);
    addRow("Count:", m_count);
    m_period = new wxTextCtrl(this, wxID_ANY);
    addRow("Period [ms]:", m_period);
    m_format = new wxChoice(this, wxID_ANY);
    for (int choice = 0; choice < READ_FORMAT_COUNT; ++choice)
        m_format->Append(wxString::FromUTF8(FormatChoiceName(choice)));
    addRow("Format:", m_format);

    m_reason = new wxStaticText(this, wxID_ANY, wxEmptyString);
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(grid, 0, wxEXPAND | wxALL, 10);
    sizer->Add(m_reason, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    sizer->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(sizer);
    SetSize(wxSize(std::max(GetSize().x, 420), GetSize().y));
    SetBlock(initial);
    Bind(wxEVT_BUTTON, &BlockDialog::OnOk, this, wxID_OK);
}

void BlockDialog::SetBlock(const BlockDefinition &block)
{
    m_initial = block;
    m_name->ChangeValue(wxString::FromUTF8(block.name));
    m_unit->ChangeValue(wxString::Format("%d", block.unit));
    m_function->SetSelection(block.function >= 1 && block.function <= 4 ? block.function - 1 : 2);
    m_start->ChangeValue(wxString::Format("%d", block.start));
    m_count->ChangeValue(wxString::Format("%d", block.count));
    m_period->ChangeValue(wxString::Format("%d", block.periodMs));
    m_format->SetSelection(ChoiceOfFormat(block.format));
}

BlockDefinition BlockDialog::Block(std::string &why) const
{
    why.clear();
    BlockDefinition block = m_initial;
    block.name = m_name->GetValue().utf8_string();
    block.function = m_function->GetSelection() + 1;
    ReadInt(m_unit, "unit", block.unit, why);
    ReadInt(m_start, "start", block.start, why);
    ReadInt(m_count, "count", block.count, why);
    ReadInt(m_period, "period", block.periodMs, why);
    // Bits have no format; the choice stays for a register function.
    block.format = ReadsBits(block.function) ? ValueFormat{} : FormatOfChoice(m_format->GetSelection());
    if (why.empty())
        why = ValidateBlock(block);
    return block;
}

void BlockDialog::OnOk(wxCommandEvent &event)
{
    std::string why;
    Block(why);
    if (!why.empty()) {
        m_reason->SetLabel(wxString::FromUTF8(why));
        return;
    }
    event.Skip();
}
