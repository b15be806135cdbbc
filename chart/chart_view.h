// Which span of time a chart shows: live (all data, in a span that grows in
// steps, or a fixed width that ends at the newest point), held where zooming
// or panning left it, or paused (the picture holds still while the store
// keeps recording).
#ifndef ORV_CHART_CHART_VIEW_H
#define ORV_CHART_CHART_VIEW_H

#include "chart/series_store.h"
#include "chart/view_mapping.h"

class ChartView {
public:
    // The span to show for the data (`data`: the store's bounds; `now`
    // stands in when there is none).
    TimeSpan Shown(std::optional<TimeSpan> data, TimeUs now) const;

    bool Live() const { return !m_paused && m_mode != Mode::Held; }
    bool Paused() const { return m_paused; }
    // While paused, the newest time the picture shows: what came since waits.
    std::optional<TimeUs> Until() const { return m_paused ? std::optional<TimeUs>(m_until) : std::nullopt; }

    // Around `anchor`; the newest point when live. A span that still
    // reaches the newest point stays live with its width.
    void Zoom(double factor, std::optional<TimeUs> anchor, std::optional<TimeSpan> data, TimeUs now);
    // By a fraction of the width; later is positive.
    void Pan(double fraction, std::optional<TimeSpan> data, TimeUs now);
    // Shows exactly this span (a drag); live when it reaches the newest point.
    void Show(TimeSpan span, std::optional<TimeSpan> data);
    // Live with all data, not paused.
    void Home();
    void Pause(std::optional<TimeSpan> data, TimeUs now);
    // Back to live: with the width zoomed to, or all data.
    void Resume();
    // Whether the store drops its oldest points as new ones come.
    void SetDropping(bool dropping) { m_dropping = dropping; }

private:
    enum class Mode { All, Width, Held };

    void Place(TimeSpan span, std::optional<TimeSpan> data);

    Mode m_mode = Mode::All;
    bool m_paused = false;
    bool m_zoomed = false;       // since Home: a resume keeps the width
    TimeUs m_width = kMinuteUs;  // of Mode::Width
    TimeSpan m_held;             // of Mode::Held and of a pause
    TimeUs m_until = 0;
    bool m_dropping = false;
};

#endif
