// A form's outcome (result line, data field and table) and its polling.
#include "modbus/function_panel.h"

#include "modbus/failure_reason.h"
#include "modbus/form_number.h"
#include "modbus/form_result.h"
#include "modbus/register_format.h"
#include "modbus/register_table.h"
#include "modbus/session_event.h"
#include "modbus/traffic_lines.h"
#include "modbus/wide_format.h"

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

void FunctionPanel::ShowOutcome(const ModbusRequest &request, const ModbusReply &reply, bool polling)
{
    ShowResult(FromUtf8(FormResultLine(request, reply)));
    if (m_dataText == nullptr)
        return;
    // Successive Sends of bits follow each other in the data field; else it
    // shows one answer, in place.
    const bool inPlace = !ReadsBits(request.function) || polling;
    if (!reply.Ok()) {
        ForgetAnswer(inPlace);
        return;
    }
    const wxString text = FromUtf8(DataText(request.function, reply.values));
    if (inPlace)
        m_dataText->ChangeValue(text);
    else
        m_dataText->AppendText(text);
    m_tableRequest = request;
    m_tableValues = reply.values;
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
    if (dataField && m_dataText != nullptr)
        m_dataText->ChangeValue(wxEmptyString);
    m_tableValues.clear();
    FillTable();
}

void FunctionPanel::FillTable()
{
    if (m_tableGrid == nullptr)
        return;
    const int format = m_formatCombo != nullptr ? m_formatCombo->GetSelection() : FORMAT_DECIMAL_U16;
    const unsigned start = static_cast<unsigned>(m_tableRequest.address);
    const std::vector<TableRow> rows = ReadsBits(m_tableRequest.function) ? BitTableRows(start, m_tableValues)
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
    SaveCellEdit();
    if (m_host == nullptr || !m_host->Connected()) {
        ShowFailure(kNotConnectedReason);
        return;
    }
    const std::optional<ModbusRequest> request = BuildReadRequest();
    if (!request)
        return;
    const int period = ReadFormNumber(m_pollPeriodText->GetValue().utf8_string());
    if (period < MIN_POLL_MS || period > MAX_POLL_MS) {
        ShowFailure(RangeReason("period", MIN_POLL_MS, MAX_POLL_MS));
        return;
    }
    StopPolling();
    m_pollJob = m_host->Run(*request, period, this);
    m_pollTimeLabel->SetLabel(wxEmptyString);
    m_pollCountsLabel->SetLabel(wxEmptyString);
    ShowPollState(true);
}

void FunctionPanel::OnPollStop(wxCommandEvent &)
{
    // No answer shows after this, also of a request on its way.
    StopPolling();
    ShowPollState(false);
}

void FunctionPanel::StopPolling()
{
    if (m_pollJob != 0 && m_host != nullptr)
        m_host->Stop(m_pollJob);
    m_pollJob = 0;
}

void FunctionPanel::OnDisconnected()
{
    StopPolling();
    ShowPollState(false);
    m_sends.clear();
}

void FunctionPanel::ShowPollResult(const JobResult &result)
{
    ShowOutcome(result.request, result.reply, true);
    if (result.reply.Ok())
        m_pollTimeLabel->SetLabel(FromUtf8(ClockText(result.answeredAt)));
    ShowPollCounts(wxString::Format("%llu sent, %llu failed", static_cast<unsigned long long>(result.counts.sent),
                                    static_cast<unsigned long long>(result.counts.failed)));
}

void FunctionPanel::ShowPollState(bool polling)
{
    if (m_pollStartButton == nullptr)
        return;
    m_pollStartButton->Enable(!polling);
    m_pollStopButton->Enable(polling);
}
