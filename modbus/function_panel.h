// The form of one Modbus function: collects the request's parameters, has
// the panel's session run it on Send (or every period while polling) and
// shows each outcome as it comes; the window never waits for the network.
// It talks to its panel through FormHost only. Its controls are its own;
// the accessors below are for the window's tests and drivers.
#ifndef ORV_MODBUS_FUNCTION_PANEL_H
#define ORV_MODBUS_FUNCTION_PANEL_H

#include "modbus/form_host.h"
#include "modbus/form_memory.h"
#include "modbus/function_forms.h"
#include "modbus/grid_values.h"
#include "modbus/modbus_request.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>
#include <wx/event.h>
#include <wx/panel.h>

class ModbusSessionEvent;
class wxButton;
class wxComboBox;
class wxGrid;
class wxGridEvent;
class wxKeyEvent;
class wxSizeEvent;
class wxStaticText;
class wxTextCtrl;

class FunctionPanel : public wxPanel {
public:
    enum { ID_POLL_START = 1201, ID_POLL_STOP = 1202 };
    // `host` may be nullptr: such a form sends nothing ("not connected").
    FunctionPanel(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos, const wxSize &size,
                  long style, int functionId, FormHost *host);
    // Stops its jobs: no result comes to it any more.
    ~FunctionPanel() override;

    // The panel disconnected: its poll ends, and Sends on their way are
    // forgotten.
    void OnDisconnected();
    // Its function code (3 for the form of function 3).
    int FunctionCode() const { return m_functionId - FUNCTION_ID_BASE; }
    // A Send is on its way.
    bool Busy() const { return !m_sends.empty(); }
    bool Polling() const { return m_pollJob != 0; }
    // What was typed, to keep, and to give a new form of the function.
    FormValues Values() const;
    void Restore(const FormValues &values);

    // Shows a result line within the room beside the form's fields.
    void ShowResult(const wxString &text);
    // Shows a poll run's counts ("12 sent, 1 failed") within their room.
    void ShowPollCounts(const wxString &text);

    // The controls, for tests and drivers; nullptr where the form has none.
    wxTextCtrl *SlaveIdField() const { return m_slaveIdText; }
    wxTextCtrl *AddressField() const { return m_addressText; }
    wxTextCtrl *ReadAddressField() const { return m_readAddressText; }
    wxTextCtrl *CountField() const { return m_countText; }
    wxTextCtrl *ValueField() const { return m_valueText; }
    wxComboBox *CoilStateChoice() const { return m_coilStateCombo; }
    wxComboBox *FormatChoice() const { return m_formatCombo; }
    wxComboBox *WriteFormatChoice() const { return m_writeFormatCombo; }
    wxStaticText *ResultLabel() const { return m_resultLabel; }
    wxTextCtrl *DataField() const { return m_dataText; }
    // Functions 15, 16 and 23: the values to write.
    wxGrid *ValuesGrid() const { return m_valuesGrid; }
    // The read forms: address and value of each value read.
    wxGrid *Table() const { return m_tableGrid; }
    wxButton *SendButton() const { return m_sendButton; }
    wxTextCtrl *PollPeriodField() const { return m_pollPeriodText; }
    wxButton *PollStartButton() const { return m_pollStartButton; }
    wxButton *PollStopButton() const { return m_pollStopButton; }
    wxStaticText *PollTimeLabel() const { return m_pollTimeLabel; }
    wxStaticText *PollCountsLabel() const { return m_pollCountsLabel; }

private:
    // Building (function_panel.cpp).
    void BuildForm(const FormLayout &layout);
    void AddField(const FormRow &row, int top);
    void AddGrid(FormGrid kind, int height);
    void AddTable(int functionId);
    void AddPollControls(int top, int functionId);
    void SetGridEditors(bool numbers);
    void OnSize(wxSizeEvent &event);
    void OnGridCellChanged(wxGridEvent &event);
    void OnTableKey(wxKeyEvent &event);
    void OnWriteFormatChosen(wxCommandEvent &event);
    void OnEdited(wxCommandEvent &event);
    void ShowWrapped(wxStaticText *label, const wxString &text);

    // Requests (function_panel_send.cpp).
    void OnSend(wxCommandEvent &event);
    // The request of the form's fields; none (and the reason shown, naming
    // the field) when a field cannot be sent.
    std::optional<ModbusRequest> BuildRequest();
    std::optional<ModbusRequest> BuildReadRequest();
    std::optional<ModbusRequest> BuildWriteRequest();
    void OnJobResult(ModbusSessionEvent &event);
    // "Failed: " and the reason.
    void ShowFailure(const std::string &reason);
    std::vector<std::string> GridCells() const;
    void SaveCellEdit();
    // The number in a field the request needs; none (and the reason shown,
    // naming the field) when it is empty or holds no number.
    std::optional<int> ReadRequired(const wxTextCtrl *field, const char *name);
    // The address in the field; none (and the reason shown, naming the
    // field) when it is missing or lies outside 0..65535.
    std::optional<uint16_t> ReadAddress(const wxTextCtrl *field, const char *name = "address");
    // The quantity in the count field; none (and the reason shown) when it
    // is missing or outside 1..limit.
    std::optional<int> ReadQuantity(int limit);

    // Outcomes and polling (function_panel_poll.cpp).
    // Shows an outcome: result line, and for reads the data field (bits
    // appended to it after a Send, as ever; replaced while polling) and the
    // table. After a failure neither shows an older answer as this one's.
    void ShowOutcome(const ModbusRequest &request, const ModbusReply &reply, bool polling);
    // The data field's text of values read: bits, function 23's registers
    // in decimal, the others in the chosen output format.
    std::string DataText(int functionCode, const std::vector<uint16_t> &values) const;
    // Empties the table, and the data field with `dataField`.
    void ForgetAnswer(bool dataField);
    void FillTable();
    void OnFormatChosen(wxCommandEvent &event);
    void OnPollStart(wxCommandEvent &event);
    void OnPollStop(wxCommandEvent &event);
    void ShowPollResult(const JobResult &result);
    void StopPolling();
    void ShowPollState(bool polling);

    const int m_functionId;
    FormHost *const m_host;
    wxComboBox *m_coilStateCombo = nullptr;
    wxTextCtrl *m_addressText = nullptr;
    wxTextCtrl *m_readAddressText = nullptr;
    wxTextCtrl *m_countText = nullptr;
    wxTextCtrl *m_valueText = nullptr;
    wxTextCtrl *m_slaveIdText = nullptr;
    wxComboBox *m_formatCombo = nullptr;
    // Function 16: "16-bit" or a wider format, each grid value two or four
    // registers.
    wxComboBox *m_writeFormatCombo = nullptr;
    wxStaticText *m_resultLabel = nullptr;
    wxTextCtrl *m_dataText = nullptr;
    wxGrid *m_valuesGrid = nullptr;
    wxGrid *m_tableGrid = nullptr;
    wxButton *m_sendButton = nullptr;
    wxTextCtrl *m_pollPeriodText = nullptr;
    wxButton *m_pollStartButton = nullptr;
    wxButton *m_pollStopButton = nullptr;
    wxStaticText *m_pollTimeLabel = nullptr;
    wxStaticText *m_pollCountsLabel = nullptr;
    // Coil cells the user changed (function 15 writes up to the last one).
    std::vector<bool> m_coilChanged;
    // Sends on their way, and the poll's job: results of other jobs are
    // stale.
    std::set<JobId> m_sends;
    JobId m_pollJob = 0;
    // What the table shows, kept to show it again in another format.
    ModbusRequest m_tableRequest;
    std::vector<uint16_t> m_tableValues;
};

#endif
