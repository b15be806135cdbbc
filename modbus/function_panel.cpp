// Building a function form from its layout, what it keeps of what was
// typed, and how it grows.
#include "modbus/function_panel.h"

#include "app/shared_fonts.h"
#include "modbus/session_event.h"
#include "modbus/wide_format.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/intl.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

namespace {

constexpr int LABEL_X = 10;
constexpr int FIELD_X = 130;
constexpr int LABEL_WIDTH = 120;
const wxSize kTextFieldSize(100, 20);
constexpr int GRID_X = 290;
constexpr int GRID_Y = 75;
// The write grid of function 23 shares its column with the table of what it
// read; its ten rows scroll.
constexpr int WR_GRID_HEIGHT = 200;
// The table of a read form: beside the fields, or under the write grid.
const wxRect kTableBesideFields(310, 40, 180, 375);
const wxRect kTableUnderGrid(290, 285, 200, 130);
const wxSize kPollButtonSize(100, -1);
// Kept free between a grid that grows and the form's right and bottom edges.
constexpr int GROWTH_MARGIN = 10;
constexpr int GRID_WIDTH = 200;
constexpr int MIN_TABLE_SIDE = 100;

wxTextCtrl *NewNumericField(wxWindow *parent, int top, const char *initial)
{
    return new wxTextCtrl(parent, wxID_ANY, initial, wxPoint(FIELD_X, top), kTextFieldSize, 0,
                          wxTextValidator(wxFILTER_NUMERIC));
}

wxComboBox *NewChoiceCombo(wxWindow *parent, int top, int width, const wxArrayString &choices, int initial = 0)
{
    auto *combo = new wxComboBox(parent, wxID_ANY, choices[initial], wxPoint(FIELD_X, top), wxSize(width, -1),
                                 choices, wxCB_READONLY | wxCB_DROPDOWN);
    combo->SetSelection(initial);
    return combo;
}

} // namespace

FunctionPanel::FunctionPanel(wxWindow *parent, wxWindowID id, const wxString &, const wxPoint &pos,
                             const wxSize &size, long style, int functionId, FormHost *host)
    : wxPanel(parent, id, pos, size, style), m_functionId(functionId), m_host(host)
{
    const FormLayout *layout = FindFormLayout(functionId);
    if (layout == nullptr) {
        auto *notice = new wxStaticText(this, wxID_ANY, "Not implemented yet", wxPoint(LABEL_X, 0));
        notice->SetFont(shared_fonts::Bold10());
        return;
    }
    BuildForm(*layout);
    Connect(functionId, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(FunctionPanel::OnSend));
    Connect(EVT_MODBUS_RESULT, ModbusSessionEventHandler(FunctionPanel::OnJobResult));
    Connect(wxEVT_SIZE, wxSizeEventHandler(FunctionPanel::OnSize));
    // Whatever the user changes is kept by the panel.
    Connect(wxID_ANY, wxEVT_TEXT, wxCommandEventHandler(FunctionPanel::OnEdited));
    Connect(wxID_ANY, wxEVT_COMBOBOX, wxCommandEventHandler(FunctionPanel::OnEdited));
    Connect(wxEVT_GRID_CELL_CHANGED, wxGridEventHandler(FunctionPanel::OnGridCellChanged));
}

FunctionPanel::~FunctionPanel()
{
    if (m_host == nullptr)
        return;
    for (const JobId job : m_sends)
        m_host->Stop(job);
    if (m_pollJob != 0)
        m_host->Stop(m_pollJob);
}

void FunctionPanel::BuildForm(const FormLayout &layout)
{
    new wxStaticText(this, wxID_ANY, layout.title, wxPoint(LABEL_X, 0));
    new wxStaticLine(this, wxID_ANY, wxPoint(0, 25), wxSize(800, -1), wxLI_HORIZONTAL);

    for (size_t i = 0; i < layout.rows.size(); ++i) {
        const FormRow &row = layout.rows[i];
        const int top = RowTop(static_cast<int>(i));
        new wxStaticText(this, wxID_ANY, row.label, wxPoint(LABEL_X, top), wxSize(LABEL_WIDTH, -1));
        AddField(row, top);
        // Controls on the right follow the field of their row in creation
        // (and so tab) order.
        if (row.field == FormField::Address && layout.grid != FormGrid::None)
            AddGrid(layout.grid, layout.functionId == 1023 ? WR_GRID_HEIGHT : GetClientSize().y - GRID_Y - GROWTH_MARGIN);
        if (row.field == FormField::SlaveId && layout.functionId != 1023 && IsPollable(layout.functionId))
            AddTable(layout.functionId);
    }

    const int sendTop = SendButtonTop(layout);
    m_sendButton = new wxButton(this, layout.functionId, _("Send"), wxPoint(70, sendTop), wxSize(120, -1));
    if (IsPollable(layout.functionId))
        AddPollControls(sendTop + FORM_ROW_STEP, layout.functionId);
}

void FunctionPanel::AddTable(int functionId)
{
    // Grows to the form's right and bottom edges (OnSize).
    const wxRect place = functionId == 1023 ? kTableUnderGrid : kTableBesideFields;
    m_tableGrid = new wxGrid(this, wxID_ANY, place.GetPosition(), place.GetSize(), wxWANTS_CHARS);
    m_tableGrid->CreateGrid(0, 2, wxGrid::wxGridSelectRows);
    m_tableGrid->SetRowLabelSize(0);
    m_tableGrid->SetColLabelSize(25);
    m_tableGrid->SetColLabelValue(0, "Address");
    m_tableGrid->SetColLabelValue(1, "Value");
    // The address column as wide as its heading, the value column the rest,
    // short of a vertical scroll bar.
    const int addressWidth = std::max(60, m_tableGrid->GetTextExtent("Address").x + 16);
    m_tableGrid->SetColSize(0, addressWidth);
    m_tableGrid->SetColSize(1, place.width - addressWidth - 20);
    m_tableGrid->SetColMinimalAcceptableWidth(addressWidth);
    m_tableGrid->EnableEditing(false);
    m_tableGrid->DisableDragRowSize();
    // Nothing in it is edited: Tab goes on to the next control at once, also
    // while it is empty (a grid would move between its cells first).
    m_tableGrid->Connect(wxEVT_KEY_DOWN, wxKeyEventHandler(FunctionPanel::OnTableKey), nullptr, this);
}

void FunctionPanel::OnTableKey(wxKeyEvent &event)
{
    if (event.GetKeyCode() != WXK_TAB) {
        event.Skip();
        return;
    }
    m_tableGrid->Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward : wxNavigationKeyEvent::IsForward);
}

void FunctionPanel::AddPollControls(int top, int functionId)
{
    new wxStaticText(this, wxID_ANY, "Poll every [ms]", wxPoint(LABEL_X, top), wxSize(LABEL_WIDTH, -1));
    m_pollPeriodText = NewNumericField(this, top, "1000");
    if (functionId == 1023)
        AddTable(functionId);
    top += FORM_ROW_STEP;
    m_pollStartButton = new wxButton(this, ID_POLL_START, "Start", wxPoint(LABEL_X, top), kPollButtonSize);
    m_pollStopButton = new wxButton(this, ID_POLL_STOP, "Stop", wxPoint(FIELD_X, top), kPollButtonSize);
    m_pollStopButton->Disable();
    top += FORM_ROW_STEP;
    new wxStaticText(this, wxID_ANY, "Last answer", wxPoint(LABEL_X, top), wxSize(LABEL_WIDTH, -1));
    m_pollTimeLabel = new wxStaticText(this, wxID_ANY, wxEmptyString, wxPoint(FIELD_X, top), wxSize(120, -1));
    top += FORM_ROW_STEP;
    new wxStaticText(this, wxID_ANY, "Requests", wxPoint(LABEL_X, top), wxSize(LABEL_WIDTH, -1));
    m_pollCountsLabel = new wxStaticText(this, wxID_ANY, wxEmptyString, wxPoint(FIELD_X, top), wxSize(150, -1));
    Connect(ID_POLL_START, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(FunctionPanel::OnPollStart));
    Connect(ID_POLL_STOP, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(FunctionPanel::OnPollStop));
    if (m_formatCombo != nullptr)
        m_formatCombo->Connect(wxEVT_COMMAND_COMBOBOX_SELECTED, wxCommandEventHandler(FunctionPanel::OnFormatChosen),
                               nullptr, this);
}

void FunctionPanel::AddField(const FormRow &row, int top)
{
    switch (row.field) {
    case FormField::SlaveId:
        m_slaveIdText = NewNumericField(this, top, row.initial);
        break;
    case FormField::Address:
        m_addressText = NewNumericField(this, top, row.initial);
        break;
    case FormField::ReadAddress:
        m_readAddressText = NewNumericField(this, top, row.initial);
        break;
    case FormField::Count:
        m_countText = NewNumericField(this, top, row.initial);
        break;
    case FormField::Value:
        m_valueText = NewNumericField(this, top, row.initial);
        break;
    case FormField::CoilState: {
        wxArrayString states;
        states.Add("Off");
        states.Add("On");
        m_coilStateCombo = NewChoiceCombo(this, top, 100, states);
        break;
    }
    case FormField::OutputFormat: {
        wxArrayString formats;
        for (int format = 0; format < READ_FORMAT_COUNT; ++format)
            formats.Add(FormatChoiceName(format));
        // The whole register, as a new user reads a value; the byte and
        // bit formats are a choice away.
        m_formatCombo = NewChoiceCombo(this, top, 170, formats, FORMAT_DECIMAL_U16);
        break;
    }
    case FormField::WriteFormat: {
        wxArrayString formats;
        for (int choice = 0; choice < WRITE_FORMAT_COUNT; ++choice)
            formats.Add(WriteFormatName(choice));
        m_writeFormatCombo = NewChoiceCombo(this, top, 140, formats);
        // As wide as its longest format, short of the grid beside it.
        m_writeFormatCombo->SetSize(
            std::min(std::max(140, m_writeFormatCombo->GetBestSize().x), GRID_X - FIELD_X - 2), -1);
        m_writeFormatCombo->Connect(wxEVT_COMMAND_COMBOBOX_SELECTED,
                                    wxCommandEventHandler(FunctionPanel::OnWriteFormatChosen), nullptr, this);
        break;
    }
    case FormField::Result:
        m_resultLabel = new wxStaticText(this, wxID_ANY, wxEmptyString, wxPoint(FIELD_X, top), wxSize(120, -1));
        break;
    case FormField::Data:
        m_dataText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxPoint(FIELD_X, top), kTextFieldSize,
                                    wxBORDER_NONE);
        break;
    }
}

void FunctionPanel::AddGrid(FormGrid kind, int height)
{
    // Beside the fields its height grows to the form's bottom (OnSize);
    // function 23's stays, the table of what it read under it.
    m_valuesGrid = new wxGrid(this, wxID_ANY, wxPoint(GRID_X, GRID_Y), wxSize(GRID_WIDTH, std::max(height, 100)),
                              wxWANTS_CHARS);
    m_valuesGrid->CreateGrid(FORM_GRID_ROWS, 1, wxGrid::wxGridSelectCells);
    m_valuesGrid->SetRowLabelSize(20);
    m_valuesGrid->SetColLabelSize(25);
    m_valuesGrid->SetColSize(0, 80);
    // Its one column has nothing to the right: Tab goes on to the next control.
    m_valuesGrid->SetTabBehaviour(wxGrid::Tab_Leave);
    const bool coils = kind == FormGrid::Coils;
    m_valuesGrid->SetColLabelValue(0, coils ? "On/Off" : "Value");
    // An unticked coil looks like an untouched one: only the user's
    // changes tell how far to write.
    if (coils)
        m_coilChanged.assign(FORM_GRID_ROWS, false);
    if (!coils) {
        SetGridEditors(true);
        return;
    }
    for (int row = 0; row < FORM_GRID_ROWS; ++row) {
        m_valuesGrid->SetCellEditor(row, 0, new wxGridCellBoolEditor);
        m_valuesGrid->SetCellRenderer(row, 0, new wxGridCellBoolRenderer);
    }
}

void FunctionPanel::SetGridEditors(bool numbers)
{
    for (int row = 0; row < FORM_GRID_ROWS; ++row) {
        if (numbers) {
            m_valuesGrid->SetCellEditor(row, 0, new wxGridCellNumberEditor);
            m_valuesGrid->SetCellRenderer(row, 0, new wxGridCellNumberRenderer);
        } else {
            m_valuesGrid->SetCellEditor(row, 0, new wxGridCellTextEditor);
            m_valuesGrid->SetCellRenderer(row, 0, new wxGridCellStringRenderer);
        }
    }
}

void FunctionPanel::OnWriteFormatChosen(wxCommandEvent &event)
{
    if (m_valuesGrid->IsCellEditControlEnabled())
        m_valuesGrid->DisableCellEditControl();
    SetGridEditors(m_writeFormatCombo->GetSelection() <= 0);
    m_valuesGrid->ForceRefresh();
    event.Skip();
}

void FunctionPanel::OnGridCellChanged(wxGridEvent &event)
{
    const size_t row = static_cast<size_t>(event.GetRow());
    if (event.GetEventObject() == m_valuesGrid && row < m_coilChanged.size())
        m_coilChanged[row] = true;
    if (m_host != nullptr)
        m_host->FormEdited();
    event.Skip();
}

void FunctionPanel::OnEdited(wxCommandEvent &event)
{
    if (m_host != nullptr && event.GetEventObject() != m_dataText)
        m_host->FormEdited();
    event.Skip();
}

void FunctionPanel::OnSize(wxSizeEvent &event)
{
    const wxSize room = GetClientSize();
    if (m_tableGrid != nullptr) {
        const wxPoint at = m_tableGrid->GetPosition();
        const wxSize size(std::max(room.x - GROWTH_MARGIN - at.x, MIN_TABLE_SIDE),
                          std::max(room.y - GROWTH_MARGIN - at.y, MIN_TABLE_SIDE));
        m_tableGrid->SetSize(size);
        // The value column takes the width, short of a vertical scroll bar.
        m_tableGrid->SetColSize(1, std::max(size.x - m_tableGrid->GetColSize(0) - 20, 60));
    }
    if (m_valuesGrid != nullptr && m_functionId != 1023)
        m_valuesGrid->SetSize(GRID_WIDTH, std::max(room.y - GROWTH_MARGIN - GRID_Y, 100));
    event.Skip();
}

FormValues FunctionPanel::Values() const
{
    FormValues values;
    const auto keep = [&values](const char *name, const wxWindow *control) {
        if (const auto *field = dynamic_cast<const wxTextCtrl *>(control))
            values[name] = field->GetValue().utf8_string();
        else if (const auto *choice = dynamic_cast<const wxComboBox *>(control))
            values[name] = choice->GetStringSelection().utf8_string();
    };
    keep("SlaveId", m_slaveIdText);
    keep("Address", m_addressText);
    keep("ReadAddress", m_readAddressText);
    keep("Count", m_countText);
    keep("Value", m_valueText);
    keep("CoilState", m_coilStateCombo);
    keep("Format", m_formatCombo);
    keep("WriteFormat", m_writeFormatCombo);
    keep("Period", m_pollPeriodText);
    // Coils only where the user changed them: an untouched one is not set.
    for (int row = 0; m_valuesGrid != nullptr && row < FORM_GRID_ROWS; ++row)
        if (m_coilChanged.empty() || m_coilChanged[static_cast<size_t>(row)])
            values["Grid" + std::to_string(row + 1)] = m_valuesGrid->GetCellValue(row, 0).utf8_string();
    return values;
}

void FunctionPanel::Restore(const FormValues &values)
{
    const auto give = [&values](const char *name, wxWindow *control) {
        const auto found = values.find(name);
        if (found == values.end() || control == nullptr)
            return;
        const wxString text = wxString::FromUTF8(found->second.c_str());
        if (auto *field = dynamic_cast<wxTextCtrl *>(control))
            field->ChangeValue(text);
        // A choice the list does not hold (a hand-edited file) keeps the start one.
        else if (auto *choice = dynamic_cast<wxComboBox *>(control); choice->FindString(text, true) != wxNOT_FOUND)
            choice->SetSelection(choice->FindString(text, true));
    };
    give("SlaveId", m_slaveIdText);
    give("Address", m_addressText);
    give("ReadAddress", m_readAddressText);
    give("Count", m_countText);
    give("Value", m_valueText);
    give("CoilState", m_coilStateCombo);
    give("Format", m_formatCombo);
    give("WriteFormat", m_writeFormatCombo);
    give("Period", m_pollPeriodText);
    if (m_writeFormatCombo != nullptr)
        SetGridEditors(m_writeFormatCombo->GetSelection() <= 0);
    for (int row = 0; m_valuesGrid != nullptr && row < FORM_GRID_ROWS; ++row) {
        const auto found = values.find("Grid" + std::to_string(row + 1));
        if (found == values.end())
            continue;
        m_valuesGrid->SetCellValue(row, 0, wxString::FromUTF8(found->second.c_str()));
        if (!m_coilChanged.empty())
            m_coilChanged[static_cast<size_t>(row)] = true;
    }
}
