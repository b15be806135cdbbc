// "Scan units": asks each unit id of a range behind the gateway with one
// cheap request and a short time-out, on the Modbus panel's session, and
// lists every unit that answers, with its answer or exception. Progress and
// cancel; the scan runs on a thread of its own (scan_runner.h).
#ifndef ORV_MODBUS_UNIT_SCAN_DIALOG_H
#define ORV_MODBUS_UNIT_SCAN_DIALOG_H

#include "modbus/scan_runner.h"
#include "modbus/unit_scan.h"

#include <wx/dialog.h>

class ModbusSession;
class wxButton;
class wxCloseEvent;
class wxCommandEvent;
class wxGauge;
class wxListBox;
class wxStaticText;
class wxTextCtrl;

class UnitScanDialog : public wxDialog {
public:
    enum { ID_FROM = 5401, ID_TO, ID_TIMEOUT, ID_START, ID_FOUND, ID_STATUS };

    UnitScanDialog(wxWindow *parent, ModbusSession &session, int framing);
    ~UnitScanDialog() override;

    // Starts a scan of the typed range; false, with the reason in the status
    // line, when a field holds no valid value.
    bool StartScan();
    bool Scanning() const { return m_scanning; }

private:
    void OnStart(wxCommandEvent &event);
    void OnCloseButton(wxCommandEvent &event);
    // Closed, the dialog goes: its scan is cancelled and ends first.
    void OnClose(wxCloseEvent &event);
    // On the GUI thread, from the scan's thread.
    void ShowProgress(int unit);
    void ShowFound(const FoundUnit &unit);
    void ShowEnd(const UnitScan &scan);

    ModbusSession &m_session;
    const int m_framing;
    int m_from = 1;
    int m_to = 247;
    bool m_scanning = false;
    wxTextCtrl *m_fromField = nullptr;
    wxTextCtrl *m_toField = nullptr;
    wxTextCtrl *m_timeoutField = nullptr;
    wxButton *m_startButton = nullptr;
    wxGauge *m_gauge = nullptr;
    wxListBox *m_found = nullptr;
    wxStaticText *m_status = nullptr;
    // Last: destroyed first, so the scan has ended before the controls go.
    ScanRunner m_runner;
};

#endif
