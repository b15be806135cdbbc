#include "modbus/register_scan_dialog.h"

#include "modbus/scan_fields.h"
#include "modbus/scan_probes.h"

#include <atomic>
#include <memory>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

RegisterScanDialog::RegisterScanDialog(wxWindow *parent, ModbusSession &session, AddBlocks addToMonitor)
    : wxDialog(parent, wxID_ANY, "Scan registers", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_session(session), m_addToMonitor(std::move(addToMonitor))
{
    m_unitField = new wxTextCtrl(this, ID_UNIT, "1");
    m_functionChoice = new wxChoice(this, ID_FUNCTION);
    for (const char *function : {"1 Read coils", "2 Read discrete inputs", "3 Read holding registers",
                                 "4 Read input registers"})
        m_functionChoice->Append(function);
    m_functionChoice->SetSelection(2);
    m_fromField = new wxTextCtrl(this, ID_FROM, "0");
    m_toField = new wxTextCtrl(this, ID_TO, "999");
    m_startButton = new wxButton(this, ID_START, "Start");
    m_gauge = new wxGauge(this, wxID_ANY, 1);
    m_rangeList = new wxListBox(this, ID_RANGES, wxDefaultPosition, wxSize(420, 160));
    m_status = new wxStaticText(this, ID_STATUS, "");

    auto *fields = new wxFlexGridSizer(2, 4, 6, 6);
    fields->Add(new wxStaticText(this, wxID_ANY, "Unit"), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(m_unitField);
    fields->Add(new wxStaticText(this, wxID_ANY, "Function"), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(m_functionChoice);
    fields->Add(new wxStaticText(this, wxID_ANY, "From"), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(m_fromField);
    fields->Add(new wxStaticText(this, wxID_ANY, "To"), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(m_toField);
    auto *top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(fields, 0, wxRIGHT, 10);
    top->Add(m_startButton, 0, wxALIGN_BOTTOM);
    auto *bottom = new wxBoxSizer(wxHORIZONTAL);
    if (m_addToMonitor) {
        m_addButton = new wxButton(this, ID_ADD_TO_MONITOR, "Add to monitor");
        m_addButton->Disable();
        bottom->Add(m_addButton, 0, wxALIGN_CENTER_VERTICAL);
    }
    bottom->AddStretchSpacer();
    bottom->Add(CreateButtonSizer(wxCLOSE), 0);
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(top, 0, wxALL, 8);
    sizer->Add(m_gauge, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
    sizer->Add(m_rangeList, 1, wxEXPAND | wxALL, 8);
    sizer->Add(m_status, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    sizer->Add(bottom, 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(sizer);

    Connect(ID_START, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(RegisterScanDialog::OnStart));
    Connect(ID_ADD_TO_MONITOR, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(RegisterScanDialog::OnAddToMonitor));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(RegisterScanDialog::OnClose));
    Connect(wxID_CLOSE, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(RegisterScanDialog::OnCloseButton));
}

RegisterScanDialog::~RegisterScanDialog()
{
    m_runner.Stop();
}

bool RegisterScanDialog::StartScan()
{
    const auto unit = NumberInRange(m_unitField->GetValue().utf8_string(), 0, 255);
    const auto from = NumberInRange(m_fromField->GetValue().utf8_string(), 0, 65535);
    const auto to = NumberInRange(m_toField->GetValue().utf8_string(), 0, 65535);
    std::string reason;
    if (!unit)
        reason = RangeReason("Unit", 0, 255);
    else if (!from)
        reason = RangeReason("From", 0, 65535);
    else if (!to)
        reason = RangeReason("To", 0, 65535);
    else if (*from > *to)
        reason = "From must not be above To";
    if (!reason.empty()) {
        m_status->SetLabel(wxString::FromUTF8(reason));
        return false;
    }
    m_unit = *unit;
    m_function = m_functionChoice->GetSelection() + 1;
    m_from = *from;
    m_ranges.clear();
    m_rangeList->Clear();
    if (m_addButton != nullptr)
        m_addButton->Disable();
    m_gauge->SetRange(*to - *from + 1);
    m_gauge->SetValue(0);
    m_status->SetLabel("");
    m_startButton->SetLabel("Cancel");
    m_scanning = true;
    const int scanUnit = m_unit, function = m_function, first = *from, last = *to;
    m_runner.Start([this, scanUnit, function, first, last] {
        auto requests = std::make_shared<std::atomic<int>>(0);
        const BlockReader read = [this, scanUnit, function, requests](int address, int count) {
            ++*requests;
            return ReadBlockThrough(m_session, scanUnit, function, address, count);
        };
        const ScanProceed proceed = [this, requests](int address) {
            const int asked = *requests;
            CallAfter([this, address, asked] { ShowProgress(address, asked); });
            return !m_runner.Cancelled();
        };
        const RegisterScan scan = ScanRegisters(first, last, LargestRead(function), read, proceed);
        CallAfter([this, scan] { ShowEnd(scan); });
    });
    return true;
}

void RegisterScanDialog::OnStart(wxCommandEvent &)
{
    if (m_scanning)
        m_runner.Cancel();
    else
        StartScan();
}

void RegisterScanDialog::OnAddToMonitor(wxCommandEvent &)
{
    const std::vector<BlockDefinition> blocks = BlocksOfRanges(m_unit, m_function, m_ranges);
    if (!blocks.empty())
        m_addToMonitor(blocks);
}

void RegisterScanDialog::OnCloseButton(wxCommandEvent &)
{
    Close();
}

void RegisterScanDialog::OnClose(wxCloseEvent &)
{
    m_runner.Cancel();
    Destroy();
}

void RegisterScanDialog::ShowProgress(int address, int requests)
{
    m_gauge->SetValue(address - m_from);
    m_status->SetLabel(wxString::Format("%d requests", requests));
}

void RegisterScanDialog::ShowEnd(const RegisterScan &scan)
{
    m_scanning = false;
    m_startButton->SetLabel("Start");
    m_gauge->SetValue(m_gauge->GetRange());
    m_ranges = scan.ranges;
    for (const AddressRange &range : scan.ranges)
        m_rangeList->Append(wxString::FromUTF8(RangeText(range)));
    wxString status = wxString::Format("%d %s", scan.requests, scan.requests == 1 ? "request" : "requests");
    if (!scan.failure.empty())
        status += wxString::Format("; scan stopped at address %d: ", scan.stoppedAt) + wxString::FromUTF8(scan.failure);
    else if (scan.cancelled)
        status += wxString::Format("; scan cancelled at address %d", scan.stoppedAt);
    m_status->SetLabel(status);
    if (m_addButton != nullptr)
        m_addButton->Enable(!BlocksOfRanges(m_unit, m_function, m_ranges).empty());
}
