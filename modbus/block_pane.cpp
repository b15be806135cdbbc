#include "modbus/block_pane.h"

#include "modbus/block_job.h"
#include "modbus/block_stats.h"
#include "modbus/block_table.h"
#include "modbus/block_write.h"
#include "modbus/failure_reason.h"
#include "modbus/modbus_session.h"
#include "modbus/wide_format.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace {

const char *const kFunctionTexts[] = {"", "coils", "discrete inputs", "holding registers", "input registers"};

wxString Heading(const BlockDefinition &block)
{
    return wxString::Format("Unit %d, %s from %d, count %d, every %d ms", block.unit,
                            kFunctionTexts[block.function], block.start, block.count, block.periodMs);
}

} // namespace

BlockPane::BlockPane(wxWindow *parent, ModbusSession *session, const BlockDefinition &block, Answered answered)
    : wxPanel(parent, wxID_ANY), m_session(session), m_block(block), m_answered(std::move(answered))
{
    auto *top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(new wxStaticText(this, wxID_ANY, Heading(block)), 1, wxALIGN_CENTER_VERTICAL);
    m_pauseButton = new wxButton(this, wxID_ANY, "Pause");
    top->Add(m_pauseButton, 0, wxLEFT, 10);

    m_table = new BlockTable(
        this, [this](const BlockCell &cell, const std::string &text) { RenameRow(cell, text); },
        [this](const BlockCell &cell, const std::string &text) { ChangeFormat(cell, text); },
        [this](const BlockCell &cell, const std::string &text) { Write(cell, text); });
    m_table->ShowLayout(m_block);
    m_counts = new wxStaticText(this, wxID_ANY, BlockCountsText({}));
    m_roundTrip = new wxStaticText(this, wxID_ANY, BlockRoundTripText({}));
    m_status = new wxStaticText(this, wxID_ANY, wxEmptyString);

    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(top, 0, wxEXPAND | wxALL, 5);
    sizer->Add(m_table, 1, wxEXPAND | wxLEFT | wxRIGHT, 5);
    sizer->Add(m_counts, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 5);
    sizer->Add(m_roundTrip, 0, wxEXPAND | wxLEFT | wxRIGHT, 5);
    sizer->Add(m_status, 0, wxEXPAND | wxALL, 5);
    SetSizer(sizer);

    Bind(EVT_MODBUS_RESULT, &BlockPane::OnResult, this);
    m_pauseButton->Bind(wxEVT_BUTTON, &BlockPane::OnPauseClicked, this);
    if (m_session != nullptr)
        m_job = m_session->Submit(BlockJob(m_block, this));
}

BlockPane::~BlockPane()
{
    Detach();
}

void BlockPane::Detach()
{
    if (m_session == nullptr)
        return;
    m_session->Remove(m_job);
    if (m_writeJob != 0)
        m_session->Remove(m_writeJob);
    m_session = nullptr;
}

void BlockPane::Pause(bool paused)
{
    m_paused = paused;
    m_pauseButton->SetLabel(paused ? "Resume" : "Pause");
    if (m_session != nullptr)
        m_session->Pause(m_job, paused);
}

void BlockPane::OnPauseClicked(wxCommandEvent &)
{
    Pause(!m_paused);
}

wxString BlockPane::Status() const
{
    return m_status->GetLabel();
}

wxString BlockPane::CountsLine() const
{
    return m_counts->GetLabel();
}

wxString BlockPane::RoundTripLine() const
{
    return m_roundTrip->GetLabel();
}

void BlockPane::SetStatus(const std::string &text)
{
    m_status->SetLabel(wxString::FromUTF8(text));
}

void BlockPane::OnResult(ModbusSessionEvent &event)
{
    const JobResult &result = event.Result();
    if (result.job == m_job && m_session != nullptr)
        ShowAnswer(result);
    else if (result.job == m_writeJob && m_writeJob != 0)
        ShowWritten(result);
}

void BlockPane::ShowAnswer(const JobResult &result)
{
    m_counts->SetLabel(wxString::FromUTF8(BlockCountsText(result.counts)));
    m_roundTrip->SetLabel(wxString::FromUTF8(BlockRoundTripText(result.counts)));
    if (!result.reply.Ok())
        return;
    const std::vector<BlockValue> values = BlockValues(m_block, result.reply.values);
    m_table->ShowValues(values);
    if (m_answered)
        m_answered(m_block, result.answeredAt, values);
}

void BlockPane::ShowWritten(const JobResult &result)
{
    m_writeJob = 0;
    SetStatus(result.reply.Ok() ? m_writeDone : FailedResult(result.reason));
    ReadAgain();
}

void BlockPane::ReadAgain()
{
    if (m_session != nullptr && !m_paused)
        m_session->Change(m_job, BlockJob(m_block, this));
}

void BlockPane::Write(const BlockCell &cell, const std::string &text)
{
    const BlockWrite write = BlockWriteRequest(m_block, cell, text);
    if (!write.refusal.empty()) {
        SetStatus("Not sent: " + write.refusal);
        return;
    }
    if (m_session == nullptr)
        return;
    SessionJob job;
    job.request = write.request;
    job.handler = this;
    m_writeDone = write.done;
    SetStatus("Writing");
    m_writeJob = m_session->Submit(job);
}

void BlockPane::RenameRow(const BlockCell &cell, const std::string &name)
{
    BlockRow &row = m_block.rows[cell.offset];
    row.name = name;
    // A row with neither a name nor a format of its own is the block's.
    if (row.name.empty() && !row.format)
        m_block.rows.erase(cell.offset);
}

void BlockPane::ChangeFormat(const BlockCell &cell, const std::string &choice)
{
    int picked = -1;
    for (int index = 0; index < READ_FORMAT_COUNT && picked < 0; ++index)
        if (FormatChoiceName(index) == choice)
            picked = index;
    if (picked < 0)
        return;
    BlockDefinition changed = m_block;
    const ValueFormat format = FormatOfChoice(picked);
    changed.rows[cell.offset].format = format;
    // The registers the value now takes were rows of their own: they go.
    for (int taken = cell.offset + 1; taken < cell.offset + RegistersOf(format.type); ++taken)
        changed.rows.erase(taken);
    const std::string why = ValidateBlock(changed);
    if (!why.empty()) {
        SetStatus("Format not changed: " + why);
        CallAfter([this] { m_table->ShowLayout(m_block); });
        return;
    }
    m_block = changed;
    SetStatus("");
    // The table is rebuilt after the grid has finished with the edit.
    CallAfter([this] {
        m_table->ShowLayout(m_block);
        ReadAgain();
    });
}
