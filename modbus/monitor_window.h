// The Modbus monitor: a window of register blocks watched at once, each a
// pane (block_pane.h) that can sit beside the others or behind them as a
// tab, all polling in turn on the Modbus panel's one session. Blocks are
// added, duplicated and removed here, paused one by one or all together,
// their values can be logged to a CSV file, and chosen rows plotted in a
// chart window. Closing the window ends its polls and closes the chart.
#ifndef ORV_MODBUS_MONITOR_WINDOW_H
#define ORV_MODBUS_MONITOR_WINDOW_H

#include "modbus/block_definition.h"
#include "modbus/csv_log.h"
#include "modbus/monitor_chart.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <wx/frame.h>

class BlockPane;
class ModbusSession;
class wxAuiNotebook;
class wxButton;
class wxCloseEvent;
class wxCommandEvent;
class wxMenu;
class wxStaticText;

class MonitorWindow : public wxFrame {
public:
    // `closing` gets the blocks as the window closes.
    MonitorWindow(wxWindow *parent, ModbusSession &session,
                  std::function<void(const std::vector<BlockDefinition> &)> closing = {});
    ~MonitorWindow() override;

    // The blocks in the order of their tabs.
    std::vector<BlockDefinition> Blocks() const;
    // Replaces every block; invalid ones are left out, and the first reason
    // is returned ("" when all were taken).
    std::string SetBlocks(const std::vector<BlockDefinition> &blocks);
    // Adds a block at the end and shows it; "" or why it is not valid.
    std::string AddBlock(const BlockDefinition &block);
    void RemoveBlock(size_t index);
    void DuplicateBlock(size_t index);
    size_t BlockCount() const;
    BlockPane *Pane(size_t index) const;
    // The tab shown, or -1 without blocks.
    int CurrentBlock() const;
    void Pause(size_t index, bool paused);
    void PauseAll(bool paused);

    // Logs every value of every answer to `path` from now on; "" or why the
    // file could not be opened.
    std::string StartLog(const std::string &path);
    void StopLog();
    bool Logging() const { return m_log.IsOpen(); }
    wxString LogLine() const;

    // Plots the value of a block's table row, or stops; false when there is
    // no such row.
    bool PlotRow(size_t block, int row, bool plotted);
    bool RowPlotted(size_t block, int row) const;
    // Plots these rows of the blocks shown (a workspace's); rows that are
    // no value of a block are passed over.
    void PlotRows(const PlottedRows &rows);
    // A row's context menu: "Plot" or "Stop plotting"; null for no row.
    std::unique_ptr<wxMenu> RowMenu(size_t block, int row);
    const MonitorChart &Chart() const { return m_chart; }

    // Ends the polls at once, for a session that goes before the window.
    void Detach();

private:
    void BuildButtons(wxWindow *parent, wxSizer *sizer);
    BlockPane *NewPane(const BlockDefinition &block);
    void OnAdd(wxCommandEvent &event);
    void OnDuplicate(wxCommandEvent &event);
    void OnRemove(wxCommandEvent &event);
    void OnClose(wxCloseEvent &event);

    // The log (monitor_log.cpp).
    void OnStartLog(wxCommandEvent &event);
    void OnStopLog(wxCommandEvent &event);
    void LogAnswer(const BlockDefinition &block, std::chrono::system_clock::time_point time,
                   const std::vector<BlockValue> &values);
    void ShowLogState();

    // The chart (monitor_plot.cpp).
    void OnAnswer(const BlockDefinition &block, std::chrono::system_clock::time_point time,
                  const std::vector<BlockValue> &values);
    void OnRowMenu(BlockPane *pane, int row);

    ModbusSession *m_session;
    std::function<void(const std::vector<BlockDefinition> &)> m_closing;
    wxAuiNotebook *m_blocks = nullptr;
    wxButton *m_startLogButton = nullptr;
    wxButton *m_stopLogButton = nullptr;
    wxStaticText *m_logLine = nullptr;
    CsvLog m_log;
    MonitorChart m_chart;
};

#endif
