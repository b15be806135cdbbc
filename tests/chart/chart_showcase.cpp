// A chart window on its own, fed ten times a second with three series (a
// slow wave "T", a square wave "p" and a constant "2") over a minute of
// history: the end-to-end test reads it from the accessibility bus, and it
// shows the chart for a look or a screenshot. Ends when its window closes.
#include "app/gtk_style.h"
#include "chart/chart_window.h"

#include <cmath>
#include <memory>
#include <wx/app.h>
#include <wx/timer.h>

namespace {

constexpr TimeUs kStep = 100 * kMillisecondUs;

void Append(SeriesStore &store, TimeUs time)
{
    const double seconds = static_cast<double>(time) / kSecondUs;
    store.Append("T", time, 21 + 2 * std::sin(seconds / 10));
    store.Append("p", time, (time / kSecondUs) % 4 < 2 ? 1.5 : -1.5);
    store.Append("2", time, 3.25);
}

class ShowcaseApp : public wxApp {
public:
    bool OnInit() override
    {
        gtk_style::Install();
        m_store = std::make_shared<SeriesStore>();
        m_next = NowUs() - kMinuteUs;
        Feed();
        auto *window = new ChartWindow(nullptr, m_store, "Chart showcase");
        window->Show();
        m_feeder.Bind(wxEVT_TIMER, [this](wxTimerEvent &) { Feed(); });
        m_feeder.Start(100);
        return true;
    }
    int OnExit() override
    {
        m_feeder.Stop();
        return wxApp::OnExit();
    }

private:
    void Feed()
    {
        for (const TimeUs now = NowUs(); m_next <= now; m_next += kStep)
            Append(*m_store, m_next);
    }

    std::shared_ptr<SeriesStore> m_store;
    TimeUs m_next = 0;
    wxTimer m_feeder;
};

} // namespace

wxIMPLEMENT_APP(ShowcaseApp);
