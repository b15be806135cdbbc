// Draws a chart with a graphics context: the same drawing goes to the
// screen and into a bitmap (the PNG export, the benchmark).
#ifndef ORV_CHART_CHART_PAINTER_H
#define ORV_CHART_CHART_PAINTER_H

#include "chart/chart_colours.h"
#include "chart/column_raster.h"
#include "chart/decimate.h"
#include "chart/series_store.h"
#include "chart/value_axis.h"
#include "chart/view_mapping.h"

#include <optional>
#include <vector>
#include <wx/font.h>
#include <wx/geometry.h>
#include <wx/graphics.h>
#include <wx/gdicmn.h>
#include <wx/image.h>

struct ShownSeries {
    size_t series; // in the store
    wxColour colour;
    wxPenStyle style;
    ScaleSetting scale; // of its own, when not shared
};

struct ChartScene {
    const SeriesStore *store = nullptr;
    TimeSpan span;
    std::vector<ShownSeries> shown;
    bool sharedScale = true;
    ScaleSetting shared;
    // With a scale per series: the entry of `shown` whose scale the value axis shows.
    size_t axisEntry = 0;
    // Points after this time are left out (a paused picture holds still).
    std::optional<TimeUs> until;
    std::optional<TimeUs> cursor;
    // A value range being dragged out on the axis, in pixels from the top.
    std::optional<std::pair<double, double>> band;
    ChartColours colours;
    wxFont font;
    bool focused = false; // the plot has the keys: its frame shows it
    UtcOffset offset = LocalUtcOffset;
};

// Where the last drawing put things, for mapping the pointer back to data.
struct ChartLayout {
    PlotArea area;
    ValueRange axis;                // the range the value axis shows
    std::vector<ValueRange> ranges; // of each entry of `shown`
};

class ChartPainter {
public:
    ChartLayout Paint(wxGraphicsContext &gc, wxSize size, const ChartScene &scene);

private:
    static SeriesPoints PointsOf(const ChartScene &scene, size_t series);
    void DrawAxes(wxGraphicsContext &gc, wxSize size, const ChartScene &scene, const ChartLayout &layout,
                  const ValueTicks &ticks, double textHeight) const;
    void DrawSeries(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout, double scaleX);
    // Dense solid lines (more points than columns) go column by column into
    // one layer under the others.
    bool Layered(const ChartScene &scene, const PlotArea &area, size_t entry) const;
    void PaintLayer(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout, double scaleX);
    void DrawCursor(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout) const;
    void DrawNotice(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout) const;

    // Reused between drawings, so that a redraw allocates next to nothing
    // and a growing series is decimated from where the last drawing stopped.
    const SeriesStore *m_store = nullptr;
    std::vector<Decimated> m_decimated;
    std::vector<ColumnSpan> m_columns;
    // The lines in the layer as last painted, and the ones being made.
    struct LayerLine {
        size_t series = 0;
        wxColour colour;
        ValueRange range;
        std::vector<PixelPoint> pixels;
    };
    std::vector<LayerLine> m_lines;
    std::vector<LayerLine> m_nextLines;
    double m_layerLeft = 0;
    double m_layerTop = 0;
    wxImage m_layer;
    // The layer made into a picture the context draws, and how many of its
    // columns still show what the layer holds.
    wxGraphicsBitmap m_layerPicture;
    size_t m_pictureValid = 0;
    std::vector<wxPoint2DDouble> m_line;
};

#endif
