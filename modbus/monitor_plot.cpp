// The monitor's rows plotted in its chart, chosen from a row's context menu.
#include "modbus/monitor_window.h"

#include "modbus/block_pane.h"
#include "modbus/block_table.h"

#include <wx/aui/auibook.h>
#include <wx/menu.h>

namespace {

const BlockCell *CellOf(const BlockPane *pane, int row)
{
    if (pane == nullptr || row < 0)
        return nullptr;
    const std::vector<BlockCell> &cells = pane->Table()->Cells();
    return static_cast<size_t>(row) < cells.size() ? &cells[static_cast<size_t>(row)] : nullptr;
}

} // namespace

bool MonitorWindow::PlotRow(size_t block, int row, bool plotted)
{
    const BlockPane *pane = Pane(block);
    const BlockCell *cell = CellOf(pane, row);
    if (cell == nullptr)
        return false;
    m_chart.SetPlotted(pane->Block().name, cell->offset, plotted);
    return true;
}

bool MonitorWindow::RowPlotted(size_t block, int row) const
{
    const BlockPane *pane = Pane(block);
    const BlockCell *cell = CellOf(pane, row);
    return cell != nullptr && m_chart.IsPlotted(pane->Block().name, cell->offset);
}

void MonitorWindow::PlotRows(const PlottedRows &rows)
{
    for (size_t block = 0; block < BlockCount(); ++block) {
        const std::vector<BlockCell> &cells = Pane(block)->Table()->Cells();
        for (size_t row = 0; row < cells.size(); ++row)
            if (rows.count({Pane(block)->Block().name, cells[row].offset}) != 0)
                PlotRow(block, static_cast<int>(row), true);
    }
}

void MonitorWindow::OnAnswer(const BlockDefinition &block, std::chrono::system_clock::time_point time,
                             const std::vector<BlockValue> &values)
{
    m_chart.Append(block, time, values);
    LogAnswer(block, time, values);
}

std::unique_ptr<wxMenu> MonitorWindow::RowMenu(size_t block, int row)
{
    if (CellOf(Pane(block), row) == nullptr)
        return nullptr;
    const bool plotted = RowPlotted(block, row);
    auto menu = std::make_unique<wxMenu>();
    menu->Append(wxID_ANY, plotted ? "Stop plotting" : "Plot");
    menu->Bind(wxEVT_MENU, [this, block, row, plotted](wxCommandEvent &) { PlotRow(block, row, !plotted); });
    return menu;
}

void MonitorWindow::OnRowMenu(BlockPane *pane, int row)
{
    const int index = m_blocks->GetPageIndex(pane);
    if (index < 0)
        return;
    if (const std::unique_ptr<wxMenu> menu = RowMenu(static_cast<size_t>(index), row))
        pane->Table()->PopupMenu(menu.get());
}
