// The form of one Modbus function: collects the request's parameters, runs
// the request on Send and shows its outcome. The context is the Modbus
// panel's for its connection parameters; the panel closes the form before it
// releases the context, and while it is disconnected the form sends nothing.
#ifndef ORV_MODBUS_FUNCTION_PANEL_H
#define ORV_MODBUS_FUNCTION_PANEL_H

#include "library/modbus_lib/modbus.h"
#include "modbus/function_forms.h"
#include "modbus/register_format.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <wx/event.h>
#include <wx/panel.h>

class wxComboBox;
class wxGrid;
class wxGridEvent;
class wxStaticText;
class wxTextCtrl;

// Sent up to the form's parent when a request found the connection gone.
wxDECLARE_EVENT(EVT_MODBUS_LINK_LOST, wxCommandEvent);

class FunctionPanel : public wxPanel {
public:
    FunctionPanel(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos, const wxSize &size,
                  long style, int functionId, mb_context *modbus);
    ~FunctionPanel() override = default;

    // Binary digits of `value`, least significant first.
    static std::string ToBinaryDigits(unsigned value) { return BinaryDigitsLsbFirst(value); }

    void OnSend(wxCommandEvent &event);
    // Shows a result line within the room beside the form's fields.
    void ShowResult(const wxString &text);

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
    // Coil cells the user changed (function 15 writes up to the last one).
    std::vector<bool> m_coilChanged;

private:
    void BuildForm(const FormLayout &layout);
    void AddField(const FormRow &row, int top);
    void AddGrid(FormGrid kind);
    void OnGridCellChanged(wxGridEvent &event);

    // Request execution, one per function kind.
    void ReadBits(int functionId);
    void ReadRegisters(int functionId);
    void WriteCoil();
    void WriteRegister();
    void WriteCoils();
    void WriteRegisters();
    void ReportSlaveId();
    void WriteAndReadRegisters();
    std::vector<std::string> GridCells() const;
    // "Failed: " and the reason.
    void ShowFailure(const std::string &reason);
    // Shows why the client failed the request (`error` its errno).
    void ShowRequestFailure(int error);
    // "Sended", or why the write failed.
    void ShowWritten(int result);
    int ReadNumber(const wxTextCtrl *field) const;
    // The address in the field; none (and the reason shown, naming the
    // field) when it lies outside 0..65535.
    std::optional<uint16_t> ReadAddress(const wxTextCtrl *field, const char *name = "address");
    // The quantity in the count field; none (and the reason shown) outside
    // 1..limit.
    std::optional<int> ReadQuantity(int limit);
};

#endif
