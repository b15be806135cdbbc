// The form of one Modbus function: collects the request's parameters, runs
// the request on Send and shows its outcome. The context is the Modbus
// panel's for its connection parameters; the panel closes the form before it
// releases the context, and while it is disconnected the form sends nothing.
#ifndef ORV_MODBUS_FUNCTION_PANEL_H
#define ORV_MODBUS_FUNCTION_PANEL_H

#include "library/modbus_lib/modbus.h"
#include "modbus/function_forms.h"
#include "modbus/read_request.h"
#include "modbus/register_format.h"
#include "modbus/register_table.h"
#include "modbus/wide_format.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include <wx/event.h>
#include <wx/panel.h>

class TrafficRecorder;
class wxButton;
class wxComboBox;
class wxGrid;
class wxGridEvent;
class wxKeyEvent;
class wxStaticText;
class wxTextCtrl;

// Sent up to the form's parent when a request found the connection gone.
wxDECLARE_EVENT(EVT_MODBUS_LINK_LOST, wxCommandEvent);

struct PollReport;

class FunctionPanel : public wxPanel {
public:
    enum { ID_POLL_START = 1201, ID_POLL_STOP = 1202 };
    FunctionPanel(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos, const wxSize &size,
                  long style, int functionId, mb_context *modbus);
    ~FunctionPanel() override = default;

    // Binary digits of `value`, least significant first.
    static std::string ToBinaryDigits(unsigned value) { return BinaryDigitsLsbFirst(value); }

    void OnSend(wxCommandEvent &event);
    // Poll controls of the read forms; the Modbus panel runs the worker.
    void OnPollStart(wxCommandEvent &event);
    void OnPollStop(wxCommandEvent &event);
    // From the Modbus panel: the newest answer of this form's poll run, and
    // the end of the run (the context is free for a Send again).
    void ShowPollReport(const PollReport &report);
    void OnPollEnded();
    bool Polling() const { return m_polling; }
    // The panel's context after a reconnect, or nullptr when it gave it up.
    void SetContext(mb_context *modbus) { m_modbus = modbus; }
    void SetTraffic(TrafficRecorder *traffic) { m_traffic = traffic; }
    // Shows a result line within the room beside the form's fields.
    void ShowResult(const wxString &text);
    // Shows a label's text within the room right of it (broken at blanks).
    void ShowWrapped(wxStaticText *label, const wxString &text);

    // Not owned; valid for the whole life of the form.
    mb_context *m_modbus = nullptr;
    wxComboBox *m_coilStateCombo = nullptr;
    wxTextCtrl *m_addressText = nullptr;
    wxTextCtrl *m_readAddressText = nullptr;
    wxTextCtrl *m_countText = nullptr;
    wxTextCtrl *m_valueText = nullptr;
    wxTextCtrl *m_slaveIdText = nullptr;
    wxComboBox *m_formatCombo = nullptr;
    // Function 16: "16-bit" or a 32-bit format, each grid value a pair.
    wxComboBox *m_writeFormatCombo = nullptr;
    wxStaticText *m_resultLabel = nullptr;
    wxTextCtrl *m_dataText = nullptr;
    wxGrid *m_valuesGrid = nullptr;
    // Address and value of each value read (read forms only).
    wxGrid *m_tableGrid = nullptr;
    wxButton *m_sendButton = nullptr;
    wxTextCtrl *m_pollPeriodText = nullptr;
    wxButton *m_pollStartButton = nullptr;
    wxButton *m_pollStopButton = nullptr;
    wxStaticText *m_pollTimeLabel = nullptr;
    wxStaticText *m_pollCountsLabel = nullptr;
    // Coil cells the user changed (function 15 writes up to the last one).
    std::vector<bool> m_coilChanged;

private:
    void BuildForm(const FormLayout &layout);
    void AddField(const FormRow &row, int top);
    void AddGrid(FormGrid kind, int height);
    void OnGridCellChanged(wxGridEvent &event);
    void AddTable(int functionId);
    void OnTableKey(wxKeyEvent &event);
    void AddPollControls(int top, int functionId);
    void OnFormatChosen(wxCommandEvent &event);
    // Integers or any text (floats) in the cells, as the write format asks.
    void OnWriteFormatChosen(wxCommandEvent &event);
    void SetGridEditors(bool numbers);
    // The request of a read form's fields; none (and the reason shown) when
    // a field cannot be sent.
    std::optional<ReadRequest> BuildReadRequest(int functionCode);
    // Shows a read's outcome: result line, data field (bits appended to it
    // after a Send, as ever; replaced while polling) and the table. After a
    // failure neither shows an older answer as this one's.
    void ShowReadOutcome(const ReadRequest &request, const ReadOutcome &outcome, bool polling);
    // The data field's text of values read: bits, function 23's registers
    // in decimal, the others in the chosen output format.
    std::string DataText(int functionCode, const std::vector<uint16_t> &values) const;
    // Empties the table, and the data field with `dataField`.
    void ForgetAnswer(bool dataField);
    void FillTable();
    void ShowPollState(bool polling);

    // Request execution, one per function kind.
    void ReadBits(int functionId);
    void ReadRegisters(int functionId);
    // The outcome goes to the traffic view too.
    void RunAndShow(const ReadRequest &request);
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
    // The number in a field the request needs; none (and the reason shown,
    // naming the field) when it is empty or holds no number.
    std::optional<int> ReadRequired(const wxTextCtrl *field, const char *name);
    // The address in the field; none (and the reason shown, naming the
    // field) when it is missing or lies outside 0..65535.
    std::optional<uint16_t> ReadAddress(const wxTextCtrl *field, const char *name = "address");
    // The quantity in the count field; none (and the reason shown) when it
    // is missing or outside 1..limit.
    std::optional<int> ReadQuantity(int limit);

    int m_functionId = 0;
    TrafficRecorder *m_traffic = nullptr;
    bool m_polling = false;
    // The result line as one line, for the traffic view.
    std::string m_lastResult;
    ReadRequest m_pollRequest;
    // What the table shows, kept to show it again in another format.
    ReadRequest m_tableRequest;
    std::vector<uint16_t> m_tableValues;
};

#endif
