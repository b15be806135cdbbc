// A window with a live chart of the series in a store: legend with a check
// box per series, time axis in local clock time, automatic or fixed scales
// (shared or per series), pause, zoom and pan with mouse and keyboard, a
// cursor that reads out each series, and export of the shown span as PNG
// and CSV. The feeding side only appends to the store, on the GUI thread;
// the window looks for changes ten times a second and redraws only when
// the store's version moved.
#ifndef ORV_CHART_CHART_WINDOW_H
#define ORV_CHART_CHART_WINDOW_H

#include "chart/chart_painter.h"
#include "chart/chart_view.h"
#include "chart/series_store.h"

#include <memory>
#include <string>
#include <vector>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/timer.h>

class wxButton;
class wxCheckBox;
class wxChoice;
class wxCommandEvent;
class wxKeyEvent;
class wxMouseEvent;
class wxPaintEvent;
class wxScrolledWindow;
class wxStaticText;
class wxTextCtrl;

class ChartWindow : public wxFrame {
public:
    // The window keeps its share of the store for as long as it lives.
    ChartWindow(wxWindow *parent, std::shared_ptr<const SeriesStore> store, const wxString &title);

    TimeSpan ShownSpan() const;
    bool IsPaused() const { return m_view.Paused(); }
    void SetPaused(bool paused);
    // Shows or hides a series by name (false when there is none of that name).
    bool ShowSeries(const std::string &name, bool shown);
    bool IsSeriesShown(const std::string &name) const;

    // The picture of the shown span at the plot's size, without the cursor
    // and the mark of the keyboard focus.
    wxImage Picture();
    // Each writes the file atomically; false with `error` naming the file
    // and the cause.
    bool ExportPng(const wxString &path, wxString &error);
    bool ExportCsv(const wxString &path, wxString &error) const;

    // A line of the feeding side's own under the plot (what it had to skip,
    // say); an empty one hides it.
    void SetNote(const wxString &note);
    wxString Note() const;

    // Drawings of the plot on screen so far.
    unsigned long Redraws() const { return m_redraws; }

    // The window name of the plot, which takes the keys.
    static constexpr const char *kPlotName = "chart plot";
    static constexpr const char *kHint =
        "Wheel: zoom time; Shift+wheel: zoom values; drag: pan; keys: + - arrows Home";

private:
    // chart_window.cpp: the frame, the legend, the live updates.
    void TakeNewSeries();
    void Describe();
    void OnTick(wxTimerEvent &event);
    void OnPause(wxCommandEvent &event);
    void OnLive(wxCommandEvent &event);
    void OnSeriesToggled(size_t series, bool shown);
    ChartScene Scene() const;
    std::optional<TimeSpan> Data() const { return m_store->Bounds(); }

    // chart_window_input.cpp: the plot's drawing, mouse and keys.
    void OnPaint(wxPaintEvent &event);
    void OnMouse(wxMouseEvent &event);
    void OnWheel(wxMouseEvent &event);
    void OnChar(wxKeyEvent &event);
    void ZoomValuesAt(double factor, double anchor);
    void PanValues(double fraction);
    void EndDrag();

    // chart_window_scale.cpp: the scale controls.
    ScaleSetting &TargetScale();
    ValueRange TargetRange() const;
    void SetTargetRange(ValueRange range);
    void ShowScaleControls();
    void OnScaleMode(wxCommandEvent &event);
    void OnFixed(wxCommandEvent &event);
    void OnRangeEntered(wxCommandEvent &event);
    void ApplyRangeFields();

    // chart_window_export.cpp
    void OnExportPng(wxCommandEvent &event);
    void OnExportCsv(wxCommandEvent &event);

    struct Drag {
        bool onAxis = false; // a value range drawn on the axis, else a pan
        wxPoint from;
        TimeSpan span;     // shown when the pan began
        double to = 0;     // the axis drag's other end
    };

    std::shared_ptr<const SeriesStore> m_store;
    wxString m_title;
    ChartView m_view;
    ChartPainter m_painter;
    ChartLayout m_layout; // of the last drawing on screen
    ChartColours m_colours;

    std::vector<bool> m_shown; // by series in the store
    std::vector<ScaleSetting> m_seriesScales;
    bool m_sharedScale = true;
    ScaleSetting m_sharedSetting;

    std::optional<TimeUs> m_cursor;
    std::optional<Drag> m_drag;
    uint64_t m_seenVersion = static_cast<uint64_t>(-1);
    wxString m_description;
    unsigned long m_redraws = 0;
    wxTimer m_tick;

    wxWindow *m_plot = nullptr;
    wxButton *m_pauseButton = nullptr;
    wxChoice *m_scaleMode = nullptr;
    wxChoice *m_scaleSeries = nullptr;
    wxCheckBox *m_fixed = nullptr;
    wxTextCtrl *m_minText = nullptr;
    wxTextCtrl *m_maxText = nullptr;
    wxScrolledWindow *m_legend = nullptr;
    std::vector<wxCheckBox *> m_legendBoxes; // by series in the store
    wxStaticText *m_hint = nullptr;
    wxStaticText *m_note = nullptr;
};

#endif
