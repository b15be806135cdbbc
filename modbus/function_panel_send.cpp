// A form's request: read from its fields, handed to the panel's session,
// and its result shown when it comes.
#include "modbus/function_panel.h"

#include "modbus/failure_reason.h"
#include "modbus/form_number.h"
#include "modbus/form_result.h"
#include "modbus/grid_values.h"
#include "modbus/session_event.h"
#include "modbus/wide_format.h"

#include <algorithm>
#include <wx/arrstr.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Kept free between a result line and the grid or the form's edge.
constexpr int RESULT_MARGIN = 10;

std::string Utf8(const wxString &text)
{
    return std::string(text.utf8_str());
}

wxString FromUtf8(const std::string &text)
{
    return wxString::FromUTF8(text.c_str());
}

// `text` broken at blanks into lines that `window` draws at most `width`
// wide; a word wider than that keeps a line of its own.
wxString WrapToWidth(const wxWindow &window, const wxString &text, int width)
{
    wxString wrapped;
    wxString line;
    for (const wxString &word : wxSplit(text, ' ', '\0')) {
        const wxString longer = line.empty() ? word : line + ' ' + word;
        if (!line.empty() && window.GetTextExtent(longer).GetWidth() > width) {
            wrapped += line + '\n';
            line = word;
        } else {
            line = longer;
        }
    }
    return wrapped + line;
}

} // namespace

void FunctionPanel::OnSend(wxCommandEvent &)
{
    SaveCellEdit();
    if (m_host == nullptr || !m_host->Connected()) {
        ShowFailure(kNotConnectedReason);
        return;
    }
    const std::optional<ModbusRequest> request = BuildRequest();
    if (!request) {
        // A read the form refused shows no older answer as its own; the
        // coil and input reads keep their data line, as ever.
        if (m_tableGrid != nullptr)
            ForgetAnswer(!ReadsBits(m_functionId - FUNCTION_ID_BASE));
        return;
    }
    // The result line and the data keep what they show until the answer
    // comes; a Send while polling queues behind the poll's request.
    m_sends.insert(m_host->Run(*request, 0, this));
}

void FunctionPanel::SaveCellEdit()
{
    // A value still in the cell editor is what the user sees in the grid.
    if (m_valuesGrid != nullptr && m_valuesGrid->IsCellEditControlEnabled())
        m_valuesGrid->SaveEditControlValue();
}

std::optional<ModbusRequest> FunctionPanel::BuildRequest()
{
    const int function = m_functionId - FUNCTION_ID_BASE;
    if (ReadsBits(function) || ReadsRegisters(function))
        return BuildReadRequest();
    // An empty Slave ID would read as 0, the broadcast to every unit.
    const std::optional<int> slave = ReadRequired(m_slaveIdText, "slave ID");
    if (!slave)
        return std::nullopt;
    ModbusRequest request;
    request.function = function;
    request.unit = *slave;
    if (function == 17)
        return request;
    const std::optional<ModbusRequest> write = BuildWriteRequest();
    if (!write)
        return std::nullopt;
    request.address = write->address;
    request.registers = write->registers;
    request.coils = write->coils;
    return request;
}

std::optional<ModbusRequest> FunctionPanel::BuildWriteRequest()
{
    ModbusRequest request;
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    if (!address)
        return std::nullopt;
    request.address = *address;
    switch (m_functionId - FUNCTION_ID_BASE) {
    case 5:
        request.coils = {static_cast<uint8_t>(m_coilStateCombo->GetSelection() == 1 ? 1 : 0)};
        return request;
    case 6: {
        if (!ReadRequired(m_valueText, "value"))
            return std::nullopt;
        const std::optional<uint16_t> value = FieldRegisterValue(Utf8(m_valueText->GetValue()));
        if (!value) {
            ShowFailure(RangeReason("value", -0x8000, 0xFFFF));
            return std::nullopt;
        }
        request.registers = {*value};
        return request;
    }
    case 15: {
        const GridValues<uint8_t> coils = GridCoilValues(GridCells(), m_coilChanged);
        if (!coils.refusal.empty()) {
            ShowFailure(coils.refusal);
            return std::nullopt;
        }
        request.coils = coils.values;
        return request;
    }
    default: {
        const int choice = m_writeFormatCombo != nullptr ? m_writeFormatCombo->GetSelection() : 0;
        const GridValues<uint16_t> grid =
            choice > 0 ? GridWideValues(GridCells(), WriteChoiceFormat(choice)) : GridRegisterValues(GridCells());
        if (!grid.refusal.empty()) {
            ShowFailure(grid.refusal);
            return std::nullopt;
        }
        request.registers = grid.values;
        return request;
    }
    }
}

std::optional<ModbusRequest> FunctionPanel::BuildReadRequest()
{
    const int function = m_functionId - FUNCTION_ID_BASE;
    ModbusRequest request;
    request.function = function;
    const std::optional<int> slave = ReadRequired(m_slaveIdText, "slave ID");
    if (!slave)
        return std::nullopt;
    request.unit = *slave;
    std::optional<uint16_t> address;
    std::optional<int> quantity;
    if (function == 23) {
        std::optional<uint16_t> writeAddress;
        if (!(writeAddress = ReadAddress(m_addressText, "write address")) ||
            !(address = ReadAddress(m_readAddressText, "read address")) ||
            !(quantity = ReadQuantity(MB_MAX_WR_READ_REGISTERS)))
            return std::nullopt;
        GridValues<uint16_t> grid = GridRegisterValues(GridCells());
        if (!grid.refusal.empty()) {
            ShowFailure(grid.refusal);
            return std::nullopt;
        }
        request.writeAddress = *writeAddress;
        request.registers = std::move(grid.values);
    } else {
        const int limit = ReadsBits(function) ? MB_MAX_READ_BITS : MB_MAX_READ_REGISTERS;
        if (!(address = ReadAddress(m_addressText)) || !(quantity = ReadQuantity(limit)))
            return std::nullopt;
        const std::string split = ReadsBits(function) ? "" : PairRefusal(*quantity, m_formatCombo->GetSelection());
        if (!split.empty()) {
            ShowFailure(split);
            return std::nullopt;
        }
    }
    request.address = *address;
    request.count = *quantity;
    return request;
}

void FunctionPanel::OnJobResult(ModbusSessionEvent &event)
{
    const JobResult &result = event.Result();
    if (result.job == m_pollJob && m_pollJob != 0) {
        ShowPollResult(result);
        return;
    }
    if (m_sends.erase(result.job) == 0)
        return;
    ShowOutcome(result.request, result.reply, false);
}

std::optional<int> FunctionPanel::ReadRequired(const wxTextCtrl *field, const char *name)
{
    const std::string text = Utf8(field->GetValue());
    const std::string missing = MissingNumberReason(text, name);
    if (!missing.empty()) {
        ShowFailure(missing);
        return std::nullopt;
    }
    return ReadFormNumber(text);
}

std::optional<uint16_t> FunctionPanel::ReadAddress(const wxTextCtrl *field, const char *name)
{
    if (!ReadRequired(field, name))
        return std::nullopt;
    const std::optional<uint16_t> address = FieldAddress(Utf8(field->GetValue()));
    if (!address)
        ShowFailure(RangeReason(name, 0, 0xFFFF));
    return address;
}

std::optional<int> FunctionPanel::ReadQuantity(int limit)
{
    const std::optional<int> quantity = ReadRequired(m_countText, "quantity");
    if (!quantity)
        return std::nullopt;
    if (*quantity < 1 || *quantity > limit) {
        ShowFailure(RangeReason("quantity", 1, limit));
        return std::nullopt;
    }
    return quantity;
}

void FunctionPanel::ShowResult(const wxString &text)
{
    ShowWrapped(m_resultLabel, text);
}

void FunctionPanel::ShowPollCounts(const wxString &text)
{
    // A long run's counts take two lines rather than the table's room.
    ShowWrapped(m_pollCountsLabel, text);
}

void FunctionPanel::ShowWrapped(wxStaticText *label, const wxString &text)
{
    // Beside a grid the line has the room up to the grid, else up to the
    // form's edge; a longer one breaks into lines.
    const int left = label->GetPosition().x;
    int right = GetClientSize().GetWidth();
    for (const wxWindow *beside : {static_cast<wxWindow *>(m_valuesGrid), static_cast<wxWindow *>(m_tableGrid)})
        if (beside != nullptr)
            right = std::min(right, beside->GetPosition().x);
    // The text is shown as it is: an '&' from a device is no mnemonic.
    label->SetLabelText(WrapToWidth(*label, text, right - RESULT_MARGIN - left));
}

void FunctionPanel::ShowFailure(const std::string &reason)
{
    ShowResult(FromUtf8(FailedResult(reason)));
}

std::vector<std::string> FunctionPanel::GridCells() const
{
    std::vector<std::string> cells;
    for (int row = 0; row < m_valuesGrid->GetNumberRows(); ++row)
        cells.push_back(Utf8(m_valuesGrid->GetCellValue(row, 0)));
    return cells;
}
