#include "modbus/block_table.h"

#include "modbus/block_write.h"
#include "modbus/wide_format.h"

#include <algorithm>

namespace {

constexpr auto kHighlightTime = std::chrono::seconds(1);
constexpr int kFadeTickMs = 100;

wxArrayString FormatChoices()
{
    wxArrayString names;
    for (int choice = 0; choice < READ_FORMAT_COUNT; ++choice)
        names.Add(wxString::FromUTF8(FormatChoiceName(choice)));
    return names;
}

} // namespace

BlockTable::BlockTable(wxWindow *parent, Edited nameEdited, Edited formatEdited, Edited valueEdited)
    : wxGrid(parent, wxID_ANY), m_nameEdited(std::move(nameEdited)), m_formatEdited(std::move(formatEdited)),
      m_valueEdited(std::move(valueEdited)), m_fade(this)
{
    CreateGrid(0, COLUMN_COUNT, wxGrid::wxGridSelectCells);
    HideRowLabels();
    SetColLabelValue(COLUMN_ADDRESS, "Address");
    SetColLabelValue(COLUMN_NAME, "Name");
    SetColLabelValue(COLUMN_FORMAT, "Format");
    SetColLabelValue(COLUMN_VALUE, "Value");
    SetColSize(COLUMN_ADDRESS, 70);
    SetColSize(COLUMN_NAME, 140);
    SetColSize(COLUMN_FORMAT, 150);
    SetColSize(COLUMN_VALUE, 160);
    Bind(wxEVT_GRID_CELL_CHANGED, &BlockTable::OnCellChanged, this);
    Bind(wxEVT_TIMER, &BlockTable::OnFade, this);
}

wxColour BlockTable::HighlightColour()
{
    return wxColour(255, 230, 140);
}

void BlockTable::ShowLayout(const BlockDefinition &block)
{
    if (IsCellEditControlEnabled())
        DisableCellEditControl();
    m_cells = BlockLayout(block);
    const int rows = static_cast<int>(m_cells.size());
    if (GetNumberRows() > 0)
        DeleteRows(0, GetNumberRows());
    AppendRows(rows);
    m_litAt.assign(m_cells.size(), {});
    const bool bits = ReadsBits(block.function);
    const bool writable = BlockWritable(block.function);
    for (int row = 0; row < rows; ++row) {
        const BlockCell &cell = m_cells[static_cast<size_t>(row)];
        SetCellValue(row, COLUMN_ADDRESS, wxString::Format("%d", cell.address));
        SetReadOnly(row, COLUMN_ADDRESS);
        SetCellValue(row, COLUMN_NAME, wxString::FromUTF8(cell.name));
        if (bits) {
            SetCellValue(row, COLUMN_FORMAT, "Bit");
            SetReadOnly(row, COLUMN_FORMAT);
        } else {
            SetCellValue(row, COLUMN_FORMAT, wxString::FromUTF8(FormatChoiceName(ChoiceOfFormat(cell.format))));
            SetCellEditor(row, COLUMN_FORMAT, new wxGridCellChoiceEditor(FormatChoices()));
        }
        SetReadOnly(row, COLUMN_VALUE, !writable);
    }
}

int BlockTable::RowOf(int offset) const
{
    const auto found = std::find_if(m_cells.begin(), m_cells.end(),
                                    [offset](const BlockCell &cell) { return cell.offset == offset; });
    return found == m_cells.end() ? -1 : static_cast<int>(found - m_cells.begin());
}

bool BlockTable::Highlighted(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < m_litAt.size() &&
           m_litAt[static_cast<size_t>(row)] != std::chrono::steady_clock::time_point{};
}

void BlockTable::ShowValues(const std::vector<BlockValue> &values)
{
    const auto now = std::chrono::steady_clock::now();
    // Each cell set repaints itself (its colour with it): an answer like
    // the one before costs no repaint.
    for (const BlockValue &value : values) {
        const int row = RowOf(value.cell.offset);
        if (row < 0)
            continue;
        const wxString text = wxString::FromUTF8(value.text);
        const wxString shown = GetCellValue(row, COLUMN_VALUE);
        if (shown == text)
            continue;
        // The first value after a layout is news to nobody.
        if (!shown.empty()) {
            m_litAt[static_cast<size_t>(row)] = now;
            SetCellBackgroundColour(row, COLUMN_VALUE, HighlightColour());
        }
        SetCellValue(row, COLUMN_VALUE, text);
    }
    if (!m_fade.IsRunning() && std::any_of(m_litAt.begin(), m_litAt.end(), [](auto at) { return at != decltype(at){}; }))
        m_fade.Start(kFadeTickMs);
}

void BlockTable::OnFade(wxTimerEvent &)
{
    const auto now = std::chrono::steady_clock::now();
    bool lit = false;
    bool faded = false;
    for (size_t row = 0; row < m_litAt.size(); ++row) {
        if (m_litAt[row] == std::chrono::steady_clock::time_point{})
            continue;
        if (now - m_litAt[row] < kHighlightTime) {
            lit = true;
            continue;
        }
        m_litAt[row] = {};
        faded = true;
        SetCellBackgroundColour(static_cast<int>(row), COLUMN_VALUE, GetDefaultCellBackgroundColour());
    }
    if (!lit)
        m_fade.Stop();
    if (faded)
        Refresh();
}

void BlockTable::OnCellChanged(wxGridEvent &event)
{
    const int row = event.GetRow();
    if (row < 0 || static_cast<size_t>(row) >= m_cells.size())
        return;
    const BlockCell cell = m_cells[static_cast<size_t>(row)];
    const std::string typed = GetCellValue(row, event.GetCol()).utf8_string();
    switch (event.GetCol()) {
    case COLUMN_NAME:
        m_nameEdited(cell, typed);
        break;
    case COLUMN_FORMAT:
        m_formatEdited(cell, typed);
        break;
    case COLUMN_VALUE:
        // The cell shows what the device holds; the next read shows what
        // the write made of it.
        SetCellValue(row, COLUMN_VALUE, event.GetString());
        m_valueEdited(cell, typed);
        break;
    default:
        break;
    }
}
