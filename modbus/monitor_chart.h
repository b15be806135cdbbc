// The monitor's chart: the rows chosen for plotting, the store their values
// go to with each answer, and the one chart window over it. The store
// belongs to the monitor, so values keep being recorded while the window is
// closed and reappear when it opens again.
#ifndef ORV_MODBUS_MONITOR_CHART_H
#define ORV_MODBUS_MONITOR_CHART_H

#include "modbus/block_definition.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>
#include <wx/weakref.h>

class ChartWindow;
class SeriesStore;
class wxWindow;

// "meter/voltage", or "meter/40" for a row without a name.
std::string PlotSeriesName(const std::string &block, const BlockCell &cell);
// The number a value stands for on a chart, in its type's own reading.
double PlotValue(const RegisterValue &value);

class MonitorChart {
public:
    // The window opens as a child of `owner`, so that it closes with it.
    explicit MonitorChart(wxWindow *owner);
    ~MonitorChart();
    MonitorChart(const MonitorChart &) = delete;
    MonitorChart &operator=(const MonitorChart &) = delete;

    // Plotting a row opens (or raises) the window.
    void SetPlotted(const std::string &block, int offset, bool plotted);
    bool IsPlotted(const std::string &block, int offset) const;
    // Forgets a block's rows, so that a later block of its name starts
    // unplotted; the series recorded so far stay.
    void Forget(const std::string &block);
    void ForgetAll() { m_plotted.clear(); }
    const PlottedRows &Plotted() const { return m_plotted; }
    // Appends the plotted rows' values of an answer at its time.
    void Append(const BlockDefinition &block, std::chrono::system_clock::time_point time,
                const std::vector<BlockValue> &values);

    void Show();
    // The open window, or null.
    ChartWindow *Window() const { return m_window.get(); }
    const SeriesStore &Store() const { return *m_store; }

private:
    wxWindow *m_owner;
    std::shared_ptr<SeriesStore> m_store;
    PlottedRows m_plotted;
    wxWeakRef<ChartWindow> m_window;
};

#endif
