// "Scan registers": finds which addresses of a unit can be read with a
// function, on the Modbus panel's session, halving the blocks the device
// refuses; lists the ranges ("0-99 readable") and the requests it took.
// Its readable ranges can be added to the monitor as blocks. Progress and
// cancel; the scan runs on a thread of its own (scan_runner.h).
#ifndef ORV_MODBUS_REGISTER_SCAN_DIALOG_H
#define ORV_MODBUS_REGISTER_SCAN_DIALOG_H

#include "modbus/block_definition.h"
#include "modbus/register_scan.h"
#include "modbus/scan_runner.h"

#include <functional>
#include <vector>
#include <wx/dialog.h>

class ModbusSession;
class wxButton;
class wxChoice;
class wxCloseEvent;
class wxCommandEvent;
class wxGauge;
class wxListBox;
class wxStaticText;
class wxTextCtrl;

class RegisterScanDialog : public wxDialog {
public:
    enum { ID_UNIT = 5421, ID_FUNCTION, ID_FROM, ID_TO, ID_START, ID_RANGES, ID_STATUS, ID_ADD_TO_MONITOR };
    using AddBlocks = std::function<void(const std::vector<BlockDefinition> &)>;

    // `addToMonitor` takes the blocks of the readable ranges ("Add to
    // monitor"); without it the button is not there.
    RegisterScanDialog(wxWindow *parent, ModbusSession &session, AddBlocks addToMonitor);
    ~RegisterScanDialog() override;

    // Starts a scan of the typed fields; false, with the reason in the
    // status line, when a field holds no valid value.
    bool StartScan();
    bool Scanning() const { return m_scanning; }
    // The ranges of the last scan.
    const std::vector<AddressRange> &Ranges() const { return m_ranges; }

private:
    void OnStart(wxCommandEvent &event);
    void OnAddToMonitor(wxCommandEvent &event);
    void OnCloseButton(wxCommandEvent &event);
    // Closed, the dialog goes: its scan is cancelled and ends first.
    void OnClose(wxCloseEvent &event);
    void ShowProgress(int address, int requests);
    void ShowEnd(const RegisterScan &scan);

    ModbusSession &m_session;
    AddBlocks m_addToMonitor;
    int m_unit = 1;
    int m_function = 3;
    int m_from = 0;
    bool m_scanning = false;
    std::vector<AddressRange> m_ranges;
    wxTextCtrl *m_unitField = nullptr;
    wxChoice *m_functionChoice = nullptr;
    wxTextCtrl *m_fromField = nullptr;
    wxTextCtrl *m_toField = nullptr;
    wxButton *m_startButton = nullptr;
    wxButton *m_addButton = nullptr;
    wxGauge *m_gauge = nullptr;
    wxListBox *m_rangeList = nullptr;
    wxStaticText *m_status = nullptr;
    // Last: destroyed first, so the scan has ended before the controls go.
    ScanRunner m_runner;
};

#endif
