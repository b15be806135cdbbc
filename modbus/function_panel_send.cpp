// Running a form's request and showing its outcome.
#include "modbus/function_panel.h"

#include "modbus/form_number.h"

#include <algorithm>
#include <array>
#include <vector>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Room for the largest answer the client accepts for each kind of request.
constexpr size_t BIT_RESULTS = MB_MAX_READ_BITS;
constexpr size_t REGISTER_RESULTS = 400;
constexpr size_t SLAVE_ID_BYTES = 500;

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

} // namespace

void FunctionPanel::OnSend(wxCommandEvent &event)
{
    // An id the client refuses leaves the unit id of the previous request.
    mb_set_slave(m_modbus, ReadNumber(m_slaveIdText));
    // A value still in the cell editor is what the user sees in the grid.
    if (m_valuesGrid != nullptr && m_valuesGrid->IsCellEditControlEnabled())
        m_valuesGrid->SaveEditControlValue();

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
}

int FunctionPanel::ReadNumber(const wxTextCtrl *field) const
{
    return ReadFormNumber(Utf8(field->GetValue()));
}

std::optional<uint16_t> FunctionPanel::ReadAddress(const wxTextCtrl *field) const
{
    return FieldAddress(Utf8(field->GetValue()));
}

void FunctionPanel::ShowResult(const wxString &text)
{
    // The text is shown as it is: an '&' from a device is no mnemonic.
    m_resultLabel->SetLabelText(text);
}

void FunctionPanel::ReadBits(int functionId)
{
    std::vector<uint8_t> bits(BIT_RESULTS, 0);
    const int quantity = ReadNumber(m_countText);
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    int count = -1;
    if (address)
        count = functionId == 1001 ? mb_read_bits(m_modbus, *address, quantity, bits.data())
                                   : mb_read_input_bits(m_modbus, *address, quantity, bits.data());
    if (count < 0) {
        ShowResult("Failed");
        return;
    }
    ShowResult(FromUtf8(ReadBitsResult(count)));
    m_dataText->AppendText(FromUtf8(FormatBits(bits.data(), Shown(count, bits.size()))));
}

void FunctionPanel::ReadRegisters(int functionId)
{
    std::array<uint16_t, REGISTER_RESULTS> registers{};
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    const int quantity = ReadNumber(m_countText);
    m_dataText->Clear();
    int count = -1;
    if (address)
        count = functionId == 1003 ? mb_read_registers(m_modbus, *address, quantity, registers.data())
                                   : mb_read_input_registers(m_modbus, *address, quantity, registers.data());
    if (count < 0) {
        ShowResult("Failed");
        return;
    }
    ShowResult(FromUtf8(ReadRegistersResult(count)));
    const int format = m_formatCombo->GetSelection();
    m_dataText->AppendText(FromUtf8(FormatRegisters(registers.data(), Shown(count, registers.size()), format)));
}

void FunctionPanel::WriteCoil()
{
    const int state = m_coilStateCombo->GetSelection() == 1 ? 1 : 0;
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    ShowResult(!address || mb_write_bit(m_modbus, *address, state) < 0 ? "Failed" : "Sended");
}

void FunctionPanel::WriteRegister()
{
    const std::optional<uint16_t> value = FieldRegisterValue(Utf8(m_valueText->GetValue()));
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    ShowResult(!value || !address || mb_write_register(m_modbus, *address, *value) < 0 ? "Failed" : "Sended");
}

FunctionPanel::GridRegisters FunctionPanel::ReadGridRegisters() const
{
    GridRegisters values{};
    for (int row = 0; row < FORM_GRID_ROWS; ++row)
        values[static_cast<size_t>(row)] = ReadRegisterCell(Utf8(m_valuesGrid->GetCellValue(row, 0)));
    return values;
}

void FunctionPanel::WriteCoils()
{
    std::array<uint8_t, FORM_GRID_ROWS> coils{};
    for (int row = 0; row < FORM_GRID_ROWS; ++row)
        coils[static_cast<size_t>(row)] = ReadCoilCell(Utf8(m_valuesGrid->GetCellValue(row, 0)));
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    ShowResult(!address || mb_write_bits(m_modbus, *address, FORM_GRID_ROWS, coils.data()) < 0 ? "Failed"
                                                                                                 : "Sended");
}

void FunctionPanel::WriteRegisters()
{
    const GridRegisters values = ReadGridRegisters();
    const std::optional<uint16_t> address = ReadAddress(m_addressText);
    ShowResult(!address || mb_write_registers(m_modbus, *address, FORM_GRID_ROWS, values.data()) < 0 ? "Failed"
                                                                                                       : "Sended");
}

void FunctionPanel::ReportSlaveId()
{
    std::array<uint8_t, SLAVE_ID_BYTES> bytes{};
    const int count = mb_report_slave_id(m_modbus, bytes.data());
    if (count < 2) {
        ShowResult("Failed");
        return;
    }
    // Each byte is the character of that code: ISO-8859-1.
    const std::string text = SlaveIdLatin1(bytes.data(), Shown(count, bytes.size()));
    ShowResult("Slave ID: " + wxString(text.data(), wxConvISO8859_1, text.size()));
}

void FunctionPanel::WriteAndReadRegisters()
{
    m_dataText->Clear();
    const GridRegisters values = ReadGridRegisters();
    std::array<uint16_t, REGISTER_RESULTS> registers{};
    const int quantity = ReadNumber(m_countText);
    const std::optional<uint16_t> readAddress = ReadAddress(m_readAddressText);
    const std::optional<uint16_t> writeAddress = ReadAddress(m_addressText);
    int count = -1;
    if (readAddress && writeAddress)
        count = mb_write_and_read_registers(m_modbus, *writeAddress, FORM_GRID_ROWS, values.data(), *readAddress,
                                            quantity, registers.data());
    if (count < 0) {
        ShowResult("Failed");
        return;
    }
    ShowResult(FromUtf8(ReadBitsResult(count)));
    m_dataText->AppendText(FromUtf8(FormatDecimalRegisters(registers.data(), Shown(count, registers.size()))));
}
