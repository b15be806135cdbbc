#include "uart/stream_plot.h"

#include "chart/chart_window.h"

#include <string_view>
#include <wx/toplevel.h>

wxString StreamPlotCounts(uint64_t parsed, uint64_t skipped, uint64_t refused)
{
    wxString text = wxString::Format("%llu %s plotted, %llu skipped (no numbers)",
                                     static_cast<unsigned long long>(parsed), parsed == 1 ? "line" : "lines",
                                     static_cast<unsigned long long>(skipped));
    if (refused > 0)
        text += wxString::Format(", %llu %s refused (more than %zu series)", static_cast<unsigned long long>(refused),
                                 refused == 1 ? "value" : "values", SeriesStore::kDefaultMostSeries);
    return text;
}

void PlotChunks(StreamNumbers &numbers, SeriesStore &store, const std::deque<ReceiveInbox::Chunk> &chunks,
                size_t from, TimeUs time)
{
    for (size_t index = from; index < chunks.size(); ++index) {
        const uint8_t *block = chunks[index].get();
        const std::string_view bytes(reinterpret_cast<const char *>(block + 2), ReceiveInbox::ChunkSize(block));
        AppendLines(store, time, numbers.Feed(bytes));
    }
}

StreamPlot::StreamPlot() : m_store(std::make_shared<SeriesStore>()) {}

StreamPlot::~StreamPlot() = default;

void StreamPlot::Open(wxWindow *near)
{
    if (!m_window) {
        m_store = std::make_shared<SeriesStore>();
        m_numbers = StreamNumbers();
        m_window = new ChartWindow(wxGetTopLevelParent(near), m_store, kTitle);
        m_window->SetNote(StreamPlotCounts(0, 0, 0));
    }
    m_window->Show();
    m_window->Raise();
}

void StreamPlot::Plot(const std::deque<ReceiveInbox::Chunk> &chunks, size_t from)
{
    const uint64_t parsed = m_numbers.ParsedLines();
    const uint64_t skipped = m_numbers.SkippedLines();
    PlotChunks(m_numbers, *m_store, chunks, from, NowUs());
    if (m_numbers.ParsedLines() != parsed || m_numbers.SkippedLines() != skipped)
        m_window->SetNote(StreamPlotCounts(m_numbers.ParsedLines(), m_numbers.SkippedLines(), m_store->Refused()));
}
