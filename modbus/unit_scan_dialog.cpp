#include "modbus/unit_scan_dialog.h"

#include "modbus/scan_fields.h"
#include "modbus/scan_probes.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

constexpr int kDefaultTimeoutMs = 200;

wxString Plural(int count, const char *one, const char *many)
{
    return wxString::Format("%d %s", count, count == 1 ? one : many);
}

} // namespace

UnitScanDialog::UnitScanDialog(wxWindow *parent, ModbusSession &session, int framing)
    : wxDialog(parent, wxID_ANY, "Scan units", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_session(session), m_framing(framing)
{
    m_fromField = new wxTextCtrl(this, ID_FROM, "1");
    m_toField = new wxTextCtrl(this, ID_TO, "247");
    m_timeoutField = new wxTextCtrl(this, ID_TIMEOUT, std::to_string(kDefaultTimeoutMs));
    m_startButton = new wxButton(this, ID_START, "Start");
    m_gauge = new wxGauge(this, wxID_ANY, 1);
    m_found = new wxListBox(this, ID_FOUND, wxDefaultPosition, wxSize(420, 160));
    m_status = new wxStaticText(this, ID_STATUS, "");

    auto *fields = new wxBoxSizer(wxHORIZONTAL);
    for (auto [label, field] : {std::pair<const char *, wxWindow *>{"From", m_fromField},
                                {"To", m_toField},
                                {"Time-out [ms]", m_timeoutField}}) {
        fields->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
        fields->Add(field, 0, wxRIGHT, 10);
    }
    fields->Add(m_startButton, 0);
    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(fields, 0, wxALL, 8);
    sizer->Add(m_gauge, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
    sizer->Add(m_found, 1, wxEXPAND | wxALL, 8);
    sizer->Add(m_status, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    sizer->Add(CreateButtonSizer(wxCLOSE), 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(sizer);

    Connect(ID_START, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(UnitScanDialog::OnStart));
    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(UnitScanDialog::OnClose));
    Connect(wxID_CLOSE, wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(UnitScanDialog::OnCloseButton));
}

UnitScanDialog::~UnitScanDialog()
{
    m_runner.Stop();
}

bool UnitScanDialog::StartScan()
{
    const auto from = NumberInRange(m_fromField->GetValue().utf8_string(), 0, 255);
    const auto to = NumberInRange(m_toField->GetValue().utf8_string(), 0, 255);
    const auto timeout = NumberInRange(m_timeoutField->GetValue().utf8_string(), 10, 60000);
    std::string reason;
    if (!from)
        reason = RangeReason("From", 0, 255);
    else if (!to)
        reason = RangeReason("To", 0, 255);
    else if (*from > *to)
        reason = "From must not be above To";
    else if (!timeout)
        reason = RangeReason("Time-out", 10, 60000);
    if (!reason.empty()) {
        m_status->SetLabel(wxString::FromUTF8(reason));
        return false;
    }
    m_from = *from;
    m_to = *to;
    m_found->Clear();
    m_gauge->SetRange(m_to - m_from + 1);
    m_gauge->SetValue(0);
    m_status->SetLabel("");
    m_startButton->SetLabel("Cancel");
    m_scanning = true;
    const int first = m_from, last = m_to, timeoutMs = *timeout, framing = m_framing;
    m_runner.Start([this, first, last, timeoutMs, framing] {
        const UnitProber probe = [this, framing, timeoutMs](int unit) {
            UnitProbe probed = ProbeUnitThrough(m_session, unit, framing, timeoutMs);
            if (probed.result == ProbeResult::Present)
                CallAfter([this, unit, detail = probed.detail] { ShowFound({unit, detail}); });
            return probed;
        };
        const UnitProceed proceed = [this](int unit) {
            CallAfter([this, unit] { ShowProgress(unit); });
            return !m_runner.Cancelled();
        };
        const UnitScan scan = ScanUnits(first, last, probe, proceed);
        CallAfter([this, scan] { ShowEnd(scan); });
    });
    return true;
}

void UnitScanDialog::OnStart(wxCommandEvent &)
{
    if (m_scanning)
        m_runner.Cancel();
    else
        StartScan();
}

void UnitScanDialog::OnCloseButton(wxCommandEvent &)
{
    Close();
}

void UnitScanDialog::OnClose(wxCloseEvent &)
{
    m_runner.Cancel();
    Destroy();
}

void UnitScanDialog::ShowProgress(int unit)
{
    m_gauge->SetValue(unit - m_from);
    m_status->SetLabel(wxString::Format("Asking unit %d", unit));
}

void UnitScanDialog::ShowFound(const FoundUnit &unit)
{
    m_found->Append(wxString::Format("unit %d: ", unit.unit) + wxString::FromUTF8(unit.detail));
}

void UnitScanDialog::ShowEnd(const UnitScan &scan)
{
    m_scanning = false;
    m_startButton->SetLabel("Start");
    m_gauge->SetValue(m_gauge->GetRange());
    wxString status = Plural(static_cast<int>(scan.found.size()), "unit found", "units found") + ", " +
                      Plural(scan.requests, "request", "requests");
    if (!scan.failure.empty())
        status += wxString::Format("; scan stopped at unit %d: ", scan.stoppedAt) + wxString::FromUTF8(scan.failure);
    else if (scan.cancelled)
        status += wxString::Format("; scan cancelled at unit %d", scan.stoppedAt);
    m_status->SetLabel(status);
}
