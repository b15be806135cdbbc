// The plot of the numbers in the received stream: while its window is open
// the panel hands it every chunk it takes from the link's inbox, and the
// lines of numbers go to a chart, a series per column or name. It only
// reads the chunks: the views, the log and the counts never see it. With
// the window closed the hand-over is one test and nothing is copied.
#ifndef ORV_UART_STREAM_PLOT_H
#define ORV_UART_STREAM_PLOT_H

#include "chart/series_store.h"
#include "chart/stream_numbers.h"
#include "uart/receive_inbox.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <wx/string.h>
#include <wx/weakref.h>

class ChartWindow;
class wxWindow;

// "120 lines plotted, 3 skipped (no numbers)", and the values refused for
// a series beyond the store's most, if any.
wxString StreamPlotCounts(uint64_t parsed, uint64_t skipped, uint64_t refused);

// Feeds the chunks of `chunks` from `from` on, received at `time`, through
// the line splitter into the store.
void PlotChunks(StreamNumbers &numbers, SeriesStore &store, const std::deque<ReceiveInbox::Chunk> &chunks,
                size_t from, TimeUs time);

class StreamPlot {
public:
    static constexpr const char *kTitle = "Received numbers";

    StreamPlot();
    ~StreamPlot();
    StreamPlot(const StreamPlot &) = delete;
    StreamPlot &operator=(const StreamPlot &) = delete;

    // Raises the open window, or opens a new, empty plot beside `near`'s
    // frame (a child of it, so that it closes with it).
    void Open(wxWindow *near);
    bool IsOpen() const { return m_window.get() != nullptr; }
    // The chunks from `from` on, just taken from the inbox.
    void Take(const std::deque<ReceiveInbox::Chunk> &chunks, size_t from)
    {
        if (IsOpen())
            Plot(chunks, from);
    }
    // A new connection starts new lines: a line the old one cut off is none.
    void Restart() { m_numbers.Reset(); }

    // The open window, or null; the last plot's store and counts stay
    // after the window closes, until the next opens.
    ChartWindow *Window() const { return m_window.get(); }
    const SeriesStore &Store() const { return *m_store; }
    const StreamNumbers &Numbers() const { return m_numbers; }

private:
    void Plot(const std::deque<ReceiveInbox::Chunk> &chunks, size_t from);

    std::shared_ptr<SeriesStore> m_store;
    StreamNumbers m_numbers;
    wxWeakRef<ChartWindow> m_window;
};

#endif
