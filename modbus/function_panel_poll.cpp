// A read form's outcome (data field and table) and its polling.
#include "modbus/function_panel.h"

#include "modbus/failure_reason.h"
#include "modbus/modbus_terminal_panel.h"
#include "modbus/poll_worker.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/grid.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Polling faster than this would only load the gateway; a day is the longest.
constexpr int MIN_POLL_MS = 10;
constexpr int MAX_POLL_MS = 86400000;

wxString FromUtf8(const std::string &text)
{
    return wxString::FromUTF8(text.c_str());
}

} // namespace

void FunctionPanel::ShowReadOutcome(const ReadRequest &request, const ReadOutcome &outcome, bool polling)
{
    // Successive Sends of bits follow each other in the data field; else it
    // shows one answer, in place.
    const bool inPlace = !ReadsBits(request.functionCode) || polling;
    if (outcome.count < 0) {
        ShowRequestFailure(outcome.error);
        ForgetAnswer(inPlace);
        return;
    }
    ShowResult(FromUtf8(OutcomeResult(request, outcome)));
    const wxString text = FromUtf8(DataText(request.functionCode, outcome.values));
    if (inPlace)
        m_dataText->ChangeValue(text);
    else
        m_dataText->AppendText(text);
    m_tableRequest = request;
    m_tableValues = outcome.values;
    FillTable();
}

std::string FunctionPanel::DataText(int functionCode, const std::vector<uint16_t> &values) const
{
    if (ReadsBits(functionCode)) {
        const std::vector<uint8_t> bits(values.begin(), values.end());
        return FormatBits(bits.data(), bits.size());
    }
    if (functionCode == 23)
        return FormatDecimalRegisters(values.data(), values.size());
    const int format = m_formatCombo->GetSelection();
    return IsWideFormat(format) ? FormatWideRegisters(values.data(), values.size(), format)
                                : FormatRegisters(values.data(), values.size(), format);
}

void FunctionPanel::ForgetAnswer(bool dataField)
{
    if (dataField)
        m_dataText->ChangeValue(wxEmptyString);
    m_tableValues.clear();
    FillTable();
}

void FunctionPanel::FillTable()
{
    if (m_tableGrid == nullptr)
        return;
    const int format = m_formatCombo != nullptr ? m_formatCombo->GetSelection() : FORMAT_DECIMAL_U16;
    const unsigned start = m_tableRequest.address;
    const std::vector<TableRow> rows = ReadsBits(m_tableRequest.functionCode) ? BitTableRows(start, m_tableValues)
                                       : IsWideFormat(format) ? WideTableRows(start, m_tableValues, format)
                                                              : RegisterTableRows(start, m_tableValues, format);
    m_tableGrid->BeginBatch();
    const int have = m_tableGrid->GetNumberRows();
    const int want = static_cast<int>(rows.size());
    if (want > have)
        m_tableGrid->AppendRows(want - have);
    else if (want < have)
        m_tableGrid->DeleteRows(want, have - want);
    for (int row = 0; row < want; ++row) {
        m_tableGrid->SetCellValue(row, 0, FromUtf8(rows[static_cast<size_t>(row)].address));
        m_tableGrid->SetCellValue(row, 1, FromUtf8(rows[static_cast<size_t>(row)].value));
    }
    m_tableGrid->EndBatch();
}

void FunctionPanel::OnFormatChosen(wxCommandEvent &event)
{
    // The data field and the table show the answer they hold in the new
    // format at once (bits have no format).
    if (!ReadsBits(m_functionId - FUNCTION_ID_BASE))
        m_dataText->ChangeValue(FromUtf8(DataText(m_functionId - FUNCTION_ID_BASE, m_tableValues)));
    FillTable();
    event.Skip();
}

void FunctionPanel::OnPollStart(wxCommandEvent &)
{
    auto *panel = dynamic_cast<ModbusTerminalPanel *>(GetParent());
    if (panel != nullptr && panel->Polling()) {
        ShowFailure(kPollingReason);
        return;
    }
    if (panel == nullptr || m_modbus == nullptr || mb_get_socket(m_modbus) < 0) {
        ShowFailure(kNotConnectedReason);
        return;
    }
    if (m_valuesGrid != nullptr && m_valuesGrid->IsCellEditControlEnabled())
        m_valuesGrid->SaveEditControlValue();
    const std::optional<ReadRequest> request = BuildReadRequest(m_functionId - FUNCTION_ID_BASE);
    if (!request)
        return;
    const int period = ReadNumber(m_pollPeriodText);
    if (period < MIN_POLL_MS || period > MAX_POLL_MS) {
        ShowFailure(RangeReason("period", MIN_POLL_MS, MAX_POLL_MS));
        return;
    }
    if (!panel->StartPolling(*request, period)) {
        ShowFailure("polling could not start");
        return;
    }
    m_pollRequest = *request;
    m_pollTimeLabel->SetLabel(wxEmptyString);
    m_pollCountsLabel->SetLabel(wxEmptyString);
    ShowPollState(true);
}

void FunctionPanel::OnPollStop(wxCommandEvent &)
{
    if (auto *panel = dynamic_cast<ModbusTerminalPanel *>(GetParent()))
        panel->StopPolling();
    // No answer shows after this; Send and Start come back once the worker
    // has given the connection back (at once, unless a request was on its
    // way: then after its answer or time-out).
    m_polling = false;
    m_pollStopButton->Disable();
}

void FunctionPanel::ShowPollReport(const PollReport &report)
{
    if (!m_polling)
        return;
    ShowReadOutcome(m_pollRequest, report.outcome, true);
    if (report.outcome.count >= 0)
        m_pollTimeLabel->SetLabel(FromUtf8(report.clock));
    // A long run's counts take two lines rather than the table's room.
    ShowWrapped(m_pollCountsLabel, wxString::Format("%ld sent, %ld failed", report.requests, report.failures));
}

void FunctionPanel::OnPollEnded()
{
    ShowPollState(false);
}

void FunctionPanel::ShowPollState(bool polling)
{
    m_polling = polling;
    if (m_pollStartButton == nullptr)
        return;
    m_pollStartButton->Enable(!polling);
    m_pollStopButton->Enable(polling);
    m_sendButton->Enable(!polling);
}
