// The form of one Modbus function: collects the request's parameters, runs
// the request on Send and shows its outcome. The context is lent by the
// Modbus panel, which closes the form before it releases the context.
#ifndef ORV_MODBUS_FUNCTION_PANEL_H
#define ORV_MODBUS_FUNCTION_PANEL_H

#include "library/modbus_lib/modbus.h"
#include "modbus/function_forms.h"
#include "modbus/register_format.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <wx/panel.h>

class wxComboBox;
class wxCommandEvent;
class wxGrid;
class wxStaticText;
class wxTextCtrl;

class FunctionPanel : public wxPanel {
public:
    FunctionPanel(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos, const wxSize &size,
                  long style, int functionId, mb_context *modbus);
    ~FunctionPanel() override = default;

    // Binary digits of `value`, least significant first.
    static std::string ToBinaryDigits(unsigned value) { return BinaryDigitsLsbFirst(value); }

    void OnSend(wxCommandEvent &event);

    // Not owned; valid for the whole life of the form.
    mb_context *m_modbus = nullptr;
    wxComboBox *m_coilStateCombo = nullptr;
    wxTextCtrl *m_addressText = nullptr;
    wxTextCtrl *m_readAddressText = nullptr;
    wxTextCtrl *m_countText = nullptr;
    wxTextCtrl *m_valueText = nullptr;
    wxTextCtrl *m_slaveIdText = nullptr;
    wxComboBox *m_formatCombo = nullptr;
    wxStaticText *m_resultLabel = nullptr;
    wxTextCtrl *m_dataText = nullptr;
    wxGrid *m_valuesGrid = nullptr;

private:
    void BuildForm(const FormLayout &layout);
    void AddField(const FormRow &row, int top);
    void AddGrid(FormGrid kind);

    // Request execution, one per function kind.
    void ReadBits(int functionId);
    void ReadRegisters(int functionId);
    void WriteCoil();
    void WriteRegister();
    void WriteCoils();
    void WriteRegisters();
    void ReportSlaveId();
    void WriteAndReadRegisters();
    using GridRegisters = std::array<uint16_t, FORM_GRID_ROWS>;
    GridRegisters ReadGridRegisters() const;
    void ShowResult(const wxString &text);
    int ReadNumber(const wxTextCtrl *field) const;
    // The address in the field; none when it lies outside 0..65535.
    std::optional<uint16_t> ReadAddress(const wxTextCtrl *field) const;
};

#endif
