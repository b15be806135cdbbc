#include "chart/chart_view.h"

TimeSpan ChartView::Shown(std::optional<TimeSpan> data, TimeUs now) const
{
    if (m_paused || m_mode == Mode::Held)
        return m_held;
    if (m_mode == Mode::Width) {
        const TimeUs end = data ? data->end : now;
        return {end - m_width, end};
    }
    return GrowingWholeSpan(data, now, m_dropping);
}

void ChartView::Place(TimeSpan span, std::optional<TimeSpan> data)
{
    m_held = span;
    if (m_paused)
        return;
    const bool reachesNewest = !data || span.end >= data->end;
    if (reachesNewest) {
        m_mode = Mode::Width;
        m_width = span.end - span.start;
    } else {
        m_mode = Mode::Held;
    }
}

void ChartView::Zoom(double factor, std::optional<TimeUs> anchor, std::optional<TimeSpan> data, TimeUs now)
{
    // About the live edge, from all the data rather than the step beyond them.
    const TimeSpan shown = !anchor && Live() && m_mode == Mode::All ? WholeSpan(data, now) : Shown(data, now);
    const TimeUs around = anchor ? *anchor : (Live() ? shown.end : (shown.start + shown.end) / 2);
    TimeSpan zoomed = ZoomTime(shown, factor, around);
    // Zoomed about the right edge while live, the edge stays on the newest point.
    if (Live() && !anchor)
        zoomed = {shown.end - (zoomed.end - zoomed.start), shown.end};
    Place(zoomed, data);
    m_zoomed = true;
}

void ChartView::Pan(double fraction, std::optional<TimeSpan> data, TimeUs now)
{
    Place(PanTime(Shown(data, now), fraction), data);
}

void ChartView::Show(TimeSpan span, std::optional<TimeSpan> data)
{
    Place(span, data);
}

void ChartView::Home()
{
    m_mode = Mode::All;
    m_paused = false;
    m_zoomed = false;
}

void ChartView::Pause(std::optional<TimeSpan> data, TimeUs now)
{
    m_held = Shown(data, now);
    m_until = data ? data->end : now;
    m_paused = true;
}

void ChartView::Resume()
{
    m_paused = false;
    if (m_zoomed) {
        m_mode = Mode::Width;
        m_width = m_held.end - m_held.start;
    } else {
        m_mode = Mode::All;
    }
}
