#include "chart/span_csv.h"

#include "chart/atomic_file.h"
#include "chart/number_text.h"

#include <queue>

namespace {

constexpr size_t kPieceBytes = 64 * 1024;
// Offsets from UTC change on a quarter hour of UTC at the latest: one look-up
// serves every row within one.
constexpr TimeUs kOffsetSpan = 15 * kMinuteUs;

class OffsetCache {
public:
    explicit OffsetCache(const UtcOffset &offset) : m_offset(offset) {}
    long At(TimeUs when)
    {
        const TimeUs slot = FloorDiv(when, kOffsetSpan);
        if (!m_known || slot != m_slot) {
            m_seconds = m_offset(when);
            m_slot = slot;
            m_known = true;
        }
        return m_seconds;
    }

private:
    const UtcOffset &m_offset;
    TimeUs m_slot = 0;
    long m_seconds = 0;
    bool m_known = false;
};

struct Cursor {
    TimeUs time;
    size_t order; // place in the caller's list of series
    size_t index;
    size_t end;
};

struct Later {
    bool operator()(const Cursor &a, const Cursor &b) const
    {
        return a.time != b.time ? a.time > b.time : a.order > b.order;
    }
};

} // namespace

std::string CsvField(const std::string &text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

bool WriteSpanCsv(const SeriesStore &store, TimeSpan span, const std::vector<size_t> &series,
                  const UtcOffset &offset, const std::function<bool(const std::string &)> &sink)
{
    std::vector<SeriesPoints> points;
    std::vector<std::string> names;
    std::priority_queue<Cursor, std::vector<Cursor>, Later> next;
    for (size_t order = 0; order < series.size(); ++order) {
        points.push_back(store.Points(series[order]));
        names.push_back(CsvField(store.Name(series[order])));
        const size_t begin = points.back().LowerBound(span.start);
        const size_t end = points.back().UpperBound(span.end);
        if (begin < end)
            next.push({points.back()[begin].time, order, begin, end});
    }
    OffsetCache offsets(offset);
    std::string piece = "time,series,value\r\n";
    while (!next.empty()) {
        Cursor row = next.top();
        next.pop();
        const ChartPoint &point = points[row.order][row.index];
        piece += IsoTime(point.time, offsets.At(point.time));
        piece += ',';
        piece += names[row.order];
        piece += ',';
        piece += ShortestText(point.value);
        piece += "\r\n";
        if (++row.index < row.end) {
            row.time = points[row.order][row.index].time;
            next.push(row);
        }
        if (piece.size() >= kPieceBytes) {
            if (!sink(piece))
                return false;
            piece.clear();
        }
    }
    return sink(piece);
}

bool ExportSpanCsv(const SeriesStore &store, TimeSpan span, const std::vector<size_t> &series,
                   const std::string &path, std::string &error, const UtcOffset &offset)
{
    AtomicFile file(path);
    if (!file.Open(error))
        return false;
    const bool written = WriteSpanCsv(store, span, series, offset, [&](const std::string &piece) {
        return file.Write(piece.data(), piece.size(), error);
    });
    return written && file.Commit(error);
}
