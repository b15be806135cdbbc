// The chart's cost, two figures:
// - the time to redraw 8 series of 100,000 points each into a 1000x500
//   bitmap, all of them in the span, drawn anew each round (median and
//   worst of N rounds);
// - the CPU a live chart window takes (utime + stime of this process from
//   /proc/self/stat) while 8 series grow by 10 points a second each and the
//   window looks for changes ten times a second, over 20 s: from empty,
//   with 100,000 points of history in each series, and with the store full
//   (1,000,000 points in each).
// Needs a display (e.g. xvfb-run -a). Prints figures; judges nothing.
// Options: --rounds N (default 50), --seconds S (default 20).
#include "bench/support/bench_support.h"
#include "chart/chart_painter.h"
#include "chart/chart_window.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/graphics.h>
#include <wx/settings.h>
#include <wx/timer.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kSeries = 8;
constexpr size_t kPoints = 100000;
constexpr TimeUs kLiveStep = 100 * kMillisecondUs; // 10 points a second

double Value(size_t series, size_t index)
{
    const double t = static_cast<double>(index);
    return 10.0 * static_cast<double>(series) + 5 * std::sin(t * 0.01 * static_cast<double>(series + 1)) +
           std::sin(t * 1.7) * 0.5;
}

void Fill(SeriesStore &store, TimeUs start, TimeUs step, size_t points)
{
    for (size_t series = 0; series < kSeries; ++series) {
        const std::string name = "S" + std::to_string(series + 1);
        for (size_t index = 0; index < points; ++index)
            store.Append(name, start + static_cast<TimeUs>(index) * step, Value(series, index));
    }
}

double CpuSeconds()
{
    FILE *stat = std::fopen("/proc/self/stat", "r");
    if (stat == nullptr)
        return -1;
    char text[1024] = "";
    const size_t length = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    text[length] = '\0';
    // Fields after the command name (in parentheses, which may hold blanks).
    const char *after = std::strrchr(text, ')');
    unsigned long utime = 0;
    unsigned long stime = 0;
    if (after == nullptr ||
        std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return -1;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void MeasureRedraw(int rounds)
{
    SeriesStore store;
    const TimeUs start = NowUs() - static_cast<TimeUs>(kPoints) * 10 * kMillisecondUs;
    Fill(store, start, 10 * kMillisecondUs, kPoints);
    ChartScene scene;
    scene.store = &store;
    scene.span = {start, start + static_cast<TimeUs>(kPoints) * 10 * kMillisecondUs};
    scene.colours = SystemChartColours();
    scene.font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    for (size_t series = 0; series < kSeries; ++series)
        scene.shown.push_back({series, scene.colours.Series(series), SeriesLineStyle(series), {}});

    wxBitmap bitmap(1000, 500, 24);
    ChartPainter painter;
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int round = 0; round < rounds + 1; ++round) {
        const auto began = Clock::now();
        const double cpuBegan = ThreadCpuMs();
        // A span a microsecond earlier each round, as a zoom or pan moves it:
        // the whole drawing, nothing kept from the round before.
        scene.span.start -= 1;
        {
            wxMemoryDC dc(bitmap);
            const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
            painter.Paint(*gc, bitmap.GetSize(), scene);
        } // the context draws its last strokes as it goes
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - began).count();
        const double cpuMs = ThreadCpuMs() - cpuBegan;
        if (round > 0) { // the first warms the caches and the font
            times.push_back(ms);
            cpuTimes.push_back(cpuMs);
        }
    }
    std::printf("redraw of %zu series x %zu points into a 1000x500 bitmap: median %.2f ms, worst %.2f ms "
                "(%d rounds; target at most 16 ms)\n",
                kSeries, kPoints, bench::Percentile(times, 0.5), bench::Percentile(times, 1.0), rounds);
    std::printf("  of that on this thread's CPU: median %.2f ms, worst %.2f ms (the rest is waiting for a core)\n",
                bench::Percentile(cpuTimes, 0.5), bench::Percentile(cpuTimes, 1.0));
}

void MeasureLive(int seconds, size_t history)
{
    auto store = std::make_shared<SeriesStore>();
    TimeUs next = NowUs() - static_cast<TimeUs>(history) * kLiveStep;
    if (history > 0) {
        Fill(*store, next, kLiveStep, history);
        next += static_cast<TimeUs>(history) * kLiveStep;
    }
    auto *window = new ChartWindow(nullptr, store, "Live chart");
    window->Show();
    window->Raise();
    size_t index = history;
    wxTimer feeder;
    feeder.Bind(wxEVT_TIMER, [&](wxTimerEvent &) {
        // What came since the last turn, so that the rate holds however late a turn is.
        for (const TimeUs now = NowUs(); next <= now; next += kLiveStep, ++index)
            for (size_t series = 0; series < kSeries; ++series)
                store->Append("S" + std::to_string(series + 1), next, Value(series, index));
    });
    wxGUIEventLoop loop;
    wxTimer end;
    end.Bind(wxEVT_TIMER, [&](wxTimerEvent &) { loop.Exit(); });
    // A second to settle (the window's first drawing), then the measurement.
    wxTimer settle;
    double cpuBefore = 0;
    unsigned long redrawsBefore = 0;
    settle.Bind(wxEVT_TIMER, [&](wxTimerEvent &) {
        cpuBefore = CpuSeconds();
        redrawsBefore = window->Redraws();
        end.StartOnce(seconds * 1000);
    });
    feeder.Start(20);
    settle.StartOnce(1000);
    loop.Run();
    const double cpu = CpuSeconds() - cpuBefore;
    const unsigned long redraws = window->Redraws() - redrawsBefore;
    feeder.Stop();
    window->Destroy();
    wxYield();
    std::printf("live window, %zu series growing by 10 points/s each%s, over %d s: CPU %.2f s = %.1f %% of a core "
                "(target at most 5 %%), %lu redraws (%.1f a second)\n",
                kSeries, history > 0 ? (", " + std::to_string(history) + " points of history each").c_str() : "",
                seconds, cpu, 100 * cpu / seconds, redraws, static_cast<double>(redraws) / seconds);
}

} // namespace

int main(int argc, char **argv)
{
    int rounds = 50;
    int seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));
    }
    if (!bench::StartToolkit(argc, argv)) {
        std::fprintf(stderr, "chart_draw_bench: no display (run it under xvfb-run -a)\n");
        return 2;
    }
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    MeasureRedraw(rounds);
    MeasureLive(seconds, 0);
    MeasureLive(seconds, kPoints);
    // The store full: each new point drops the oldest, and the span's start moves with it.
    MeasureLive(seconds, SeriesStore::kDefaultKeep);
    getloadavg(load, 3);
    std::printf("load average after %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    bench::StopToolkit();
    return 0;
}
