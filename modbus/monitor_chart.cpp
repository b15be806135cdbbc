#include "modbus/monitor_chart.h"

#include "chart/chart_window.h"
#include "chart/series_store.h"

#include <iterator>

std::string PlotSeriesName(const std::string &block, const BlockCell &cell)
{
    return block + "/" + (cell.name.empty() ? std::to_string(cell.address) : cell.name);
}

double PlotValue(const RegisterValue &value)
{
    if (value.IsReal())
        return value.Real();
    if (value.IsSigned())
        return static_cast<double>(value.Signed());
    return static_cast<double>(value.Unsigned());
}

MonitorChart::MonitorChart(wxWindow *owner) : m_owner(owner), m_store(std::make_shared<SeriesStore>()) {}

MonitorChart::~MonitorChart() = default;

void MonitorChart::SetPlotted(const std::string &block, int offset, bool plotted)
{
    if (!plotted) {
        m_plotted.erase({block, offset});
        return;
    }
    m_plotted.insert({block, offset});
    Show();
}

bool MonitorChart::IsPlotted(const std::string &block, int offset) const
{
    return m_plotted.count({block, offset}) != 0;
}

void MonitorChart::Forget(const std::string &block)
{
    for (auto row = m_plotted.begin(); row != m_plotted.end();)
        row = row->first == block ? m_plotted.erase(row) : std::next(row);
}

void MonitorChart::Append(const BlockDefinition &block, std::chrono::system_clock::time_point time,
                          const std::vector<BlockValue> &values)
{
    const TimeUs at = std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
    // A value that is no finite number (a NaN float) or a series beyond the
    // store's most is refused and counted by the store.
    for (const BlockValue &value : values)
        if (IsPlotted(block.name, value.cell.offset))
            m_store->Append(PlotSeriesName(block.name, value.cell), at, PlotValue(value.value));
}

void MonitorChart::Show()
{
    if (!m_window)
        m_window = new ChartWindow(m_owner, m_store, "Modbus monitor chart");
    m_window->Show();
    m_window->Raise();
}
