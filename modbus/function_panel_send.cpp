// Running a form's request and showing its outcome.
#include "modbus/function_panel.h"

#include "modbus/failure_reason.h"
#include "modbus/form_number.h"
#include "modbus/grid_values.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/traffic_recorder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <wx/arrstr.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

wxDEFINE_EVENT(EVT_MODBUS_LINK_LOST, wxCommandEvent);

namespace {

// Room for the largest answer the client accepts for each kind of request.
constexpr size_t SLAVE_ID_BYTES = 500;
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

// The values to show of a successful request: never more than the buffer holds.
size_t Shown(int count, size_t capacity)
{
    return std::min(static_cast<size_t>(count), capacity);
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

void FunctionPanel::OnSend(wxCommandEvent &event)
{
    // A poll run has the context (also a stopped run whose last request is
    // still on its way).
    if (auto *panel = dynamic_cast<ModbusTerminalPanel *>(GetParent()); panel != nullptr && panel->Polling()) {
        ShowFailure(kPollingReason);
        return;
    }
    // A value still in the cell editor is what the user sees in the grid.
    if (m_valuesGrid != nullptr && m_valuesGrid->IsCellEditControlEnabled())
        m_valuesGrid->SaveEditControlValue();
    // The panel closed the connection, or found it gone.
    if (m_modbus == nullptr || mb_get_socket(m_modbus) < 0) {
        ShowFailure(kNotConnectedReason);
        return;
    }
    // An empty Slave ID would read as 0, the broadcast to every unit. An id
    // the client refuses leaves the unit id of the previous request.
    const std::optional<int> slave = ReadRequired(m_slaveIdText, "slave ID");
    if (!slave)
        return;
    mb_set_slave(m_modbus, *slave);

    switch (const int functionId = event.GetId()) {
    case 1001:
    case 1002:
        ReadBits(functionId);
        break;
    case 1003:
    case 1004:
        ReadRegisters(functionId);
        break;
    case 1005:
        WriteCoil();
        break;
    case 1006:
        WriteRegister();
        break;
    case 1015:
        WriteCoils();
        break;
    case 1016:
        WriteRegisters();
        break;
    case 1017:
        ReportSlaveId();
        break;
    case 1023:
        WriteAndReadRegisters();
        break;
    default:
        break;
    }
    if (m_traffic != nullptr)
        m_traffic->Outcome(m_lastResult);
    // The panel shows a lost connection at once, also when the answer came
    // whole just before the gateway hung up.
    if (!mb_link_up(m_modbus)) {
        wxCommandEvent lost(EVT_MODBUS_LINK_LOST, GetId());
        lost.SetEventObject(this);
        ProcessWindowEvent(lost);
    }
}

int FunctionPanel::ReadNumber(const wxTextCtrl *field) const
{
    return ReadFormNumber(Utf8(field->GetValue()));
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
    m_lastResult = Utf8(text);
    ShowWrapped(m_resultLabel, text);
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

void FunctionPanel::ShowRequestFailure(int error)
{
    ShowFailure(RequestFailureReason(error));
}

std::optional<ReadRequest> FunctionPanel::BuildReadRequest(int functionCode)
{
    ReadRequest request;
    request.functionCode = functionCode;
    const std::optional<int> slave = ReadRequired(m_slaveIdText, "slave ID");
    if (!slave)
        return std::nullopt;
    request.slave = *slave;
    std::optional<uint16_t> address;
    std::optional<int> quantity;
    if (functionCode == 23) {
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
        request.writeValues = std::move(grid.values);
    } else {
        const int limit = ReadsBits(functionCode) ? MB_MAX_READ_BITS : MB_MAX_READ_REGISTERS;
        if (!(address = ReadAddress(m_addressText)) || !(quantity = ReadQuantity(limit)))
            return std::nullopt;
        const std::string split = ReadsBits(functionCode) ? "" : PairRefusal(*quantity, m_formatCombo->GetSelection());
        if (!split.empty()) {
            ShowFailure(split);
            return std::nullopt;
        }
    }
    request.address = *address;
    request.quantity = *quantity;
    return request;
}

void FunctionPanel::RunAndShow(const ReadRequest &request)
{
    ShowReadOutcome(request, RunRead(m_modbus, request), false);
}

void FunctionPanel::ReadBits(int functionId)
{
    if (const std::optional<ReadRequest> request = BuildReadRequest(functionId - FUNCTION_ID_BASE))
        RunAndShow(*request);
    else
        ForgetAnswer(false);
}

void FunctionPanel::ReadRegisters(int functionId)
{
    // Cleared first: a read that fails shows no values of an older one.
    ForgetAnswer(true);
    if (const std::optional<ReadRequest> request = BuildReadRequest(functionId - FUNCTION_ID_BASE))
        RunAndShow(*request);
}

void FunctionPanel::ShowWritten(int result)
{
    if (result < 0)
        ShowRequestFailure(errno);
    else
        ShowResult("Sended");
}

void FunctionPanel::WriteCoil()
{
    const int state = m_coilStateCombo->GetSelection() == 1 ? 1 : 0;
    if (const std::optional<uint16_t> address = ReadAddress(m_addressText))
        ShowWritten(mb_write_bit(m_modbus, *address, state));
}

void FunctionPanel::WriteRegister()
{
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    if (!address || !ReadRequired(m_valueText, "value"))
        return;
    const std::optional<uint16_t> value = FieldRegisterValue(Utf8(m_valueText->GetValue()));
    if (!value) {
        ShowFailure(RangeReason("value", -0x8000, 0xFFFF));
        return;
    }
    ShowWritten(mb_write_register(m_modbus, *address, *value));
}

std::vector<std::string> FunctionPanel::GridCells() const
{
    std::vector<std::string> cells;
    for (int row = 0; row < m_valuesGrid->GetNumberRows(); ++row)
        cells.push_back(Utf8(m_valuesGrid->GetCellValue(row, 0)));
    return cells;
}

void FunctionPanel::WriteCoils()
{
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    if (!address)
        return;
    const GridValues<uint8_t> coils = GridCoilValues(GridCells(), m_coilChanged);
    if (!coils.refusal.empty()) {
        ShowFailure(coils.refusal);
        return;
    }
    ShowWritten(mb_write_bits(m_modbus, *address, static_cast<int>(coils.values.size()), coils.values.data()));
}

void FunctionPanel::WriteRegisters()
{
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    if (!address)
        return;
    const int choice = m_writeFormatCombo != nullptr ? m_writeFormatCombo->GetSelection() : 0;
    const GridValues<uint16_t> grid =
        choice > 0 ? GridWideValues(GridCells(), WriteChoiceFormat(choice)) : GridRegisterValues(GridCells());
    if (!grid.refusal.empty()) {
        ShowFailure(grid.refusal);
        return;
    }
    ShowWritten(mb_write_registers(m_modbus, *address, static_cast<int>(grid.values.size()), grid.values.data()));
}

void FunctionPanel::ReportSlaveId()
{
    std::array<uint8_t, SLAVE_ID_BYTES> bytes{};
    const int count = mb_report_slave_id(m_modbus, bytes.data());
    if (count < 0) {
        ShowRequestFailure(errno);
        return;
    }
    // Unit id and run indicator at the least.
    if (count < 2) {
        ShowRequestFailure(EMBBADDATA);
        return;
    }
    // Each byte is the character of that code: ISO-8859-1.
    const std::string text = SlaveIdLatin1(bytes.data(), Shown(count, bytes.size()));
    ShowResult("Slave ID: " + wxString(text.data(), wxConvISO8859_1, text.size()));
}

void FunctionPanel::WriteAndReadRegisters()
{
    ReadRegisters(1023);
}
