#include "chart/chart_painter.h"

#include "chart/column_raster.h"
#include "chart/cursor_readout.h"
#include "chart/time_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <wx/brush.h>
#include <wx/graphics.h>
#include <wx/pen.h>

namespace {

// Room around the plot, in pixels.
constexpr double kGap = 6;
constexpr double kRightMargin = 14;
constexpr double kLineWidth = 1.5;

double TextWidth(wxGraphicsContext &gc, const wxString &text)
{
    double width = 0, height = 0;
    gc.GetTextExtent(text, &width, &height);
    return width;
}

// Keeps a far-off point within what the drawing library can place without
// overflow; only the direction of a line leaving the plot matters.
double ClampY(double y, const PlotArea &area)
{
    return std::clamp(y, area.top - 4 * area.height, area.top + 5 * area.height);
}

} // namespace

SeriesPoints ChartPainter::PointsOf(const ChartScene &scene, size_t series)
{
    const SeriesPoints points = scene.store->Points(series);
    return scene.until ? points.Through(*scene.until) : points;
}

ChartLayout ChartPainter::Paint(wxGraphicsContext &gc, wxSize size, const ChartScene &scene)
{
    ChartLayout layout;
    gc.SetFont(scene.font, scene.colours.text);
    double dateWidth = 0, textHeight = 0;
    gc.GetTextExtent("0000-00-00", &dateWidth, &textHeight);

    // The values within the span decide the automatic scales; decimated to
    // the whole width first, their pixel places are scaled to the plot's.
    const PlotArea whole{0, 0, std::max(1.0, static_cast<double>(size.x)), 1};
    if (scene.store != m_store) {
        m_store = scene.store;
        m_decimated.clear();
    }
    m_decimated.resize(scene.shown.size());
    std::optional<ValueRange> all;
    for (size_t entry = 0; entry < scene.shown.size(); ++entry) {
        const size_t series = scene.shown[entry].series;
        DecimateGrowing(PointsOf(scene, series), series, scene.span, whole, m_decimated[entry]);
        all = Union(all, m_decimated[entry].extent);
    }

    // On whole pixels: a clip between pixels would cost a mask for every stroke.
    layout.area.top = std::ceil(textHeight / 2 + kGap);
    layout.area.height = std::max(1.0, std::floor(size.y - layout.area.top - 2 * textHeight - 3 * kGap));
    const int valueTicks = std::max(2, static_cast<int>(layout.area.height / (textHeight * 2.5)));
    const ValueRange shared = ResolveScale(scene.shared, all, valueTicks);
    for (size_t entry = 0; entry < scene.shown.size(); ++entry)
        layout.ranges.push_back(scene.sharedScale ? shared
                                                  : ResolveScale(scene.shown[entry].scale,
                                                                 m_decimated[entry].extent, valueTicks));
    layout.axis = scene.sharedScale || scene.axisEntry >= layout.ranges.size() ? shared
                                                                                : layout.ranges[scene.axisEntry];
    double labelWidth = 0;
    const ValueTicks ticks = PlaceValueTicks(layout.axis, valueTicks);
    for (const double at : ticks.at)
        labelWidth = std::max(labelWidth, TextWidth(gc, ValueTickLabel(at, ticks.step)));
    layout.area.left = std::ceil(std::max(labelWidth, dateWidth / 2) + 2 * kGap);
    layout.area.width = std::max(1.0, std::floor(size.x - layout.area.left - kRightMargin));

    gc.SetPen(*wxTRANSPARENT_PEN);
    gc.SetBrush(wxBrush(scene.colours.background));
    gc.DrawRectangle(0, 0, size.x, size.y);
    DrawAxes(gc, size, scene, layout, ticks, textHeight);
    DrawSeries(gc, scene, layout, layout.area.width / whole.width);
    DrawNotice(gc, scene, layout);
    DrawCursor(gc, scene, layout);
    return layout;
}

void ChartPainter::DrawAxes(wxGraphicsContext &gc, wxSize size, const ChartScene &scene, const ChartLayout &layout,
                            const ValueTicks &ticks, double textHeight) const
{
    const PlotArea &area = layout.area;
    const double right = area.left + area.width;
    const double bottom = area.top + area.height;
    const wxPen grid(scene.colours.grid, 1);

    for (const double at : ticks.at) {
        const double y = std::round(ValueToY(at, layout.axis, area)) + 0.5;
        gc.SetPen(grid);
        gc.StrokeLine(area.left, y, right, y);
        const wxString label = ValueTickLabel(at, ticks.step);
        gc.DrawText(label, area.left - kGap - TextWidth(gc, label), y - textHeight / 2);
    }

    double dateWidth = 0, unused = 0;
    gc.GetTextExtent("0000-00-00", &dateWidth, &unused);
    const int timeTicks = std::max(1, static_cast<int>(area.width / (dateWidth + 4 * kGap)));
    const TimeTicks times = PlaceTimeTicks(scene.span.start, scene.span.end, timeTicks, scene.offset);
    for (const TimeUs at : times.at) {
        const double x = std::round(TimeToX(at, scene.span, area)) + 0.5;
        gc.SetPen(grid);
        gc.StrokeLine(x, area.top, x, bottom);
        const wxString label = TimeLabel(at, times.precision, scene.offset(at));
        const double width = TextWidth(gc, label);
        if (x - width / 2 >= 0 && x + width / 2 <= size.x)
            gc.DrawText(label, x - width / 2, bottom + kGap / 2);
    }

    gc.SetPen(scene.focused ? wxPen(scene.colours.text, 2) : wxPen(scene.colours.frame, 1));
    gc.SetBrush(*wxTRANSPARENT_BRUSH);
    gc.DrawRectangle(std::round(area.left) + 0.5, std::round(area.top) + 0.5, std::round(area.width),
                     std::round(area.height));

    // The whole span under the ticks, whose labels may show only part of the
    // time; with a scale per series, the series the value axis belongs to.
    const double captionY = bottom + textHeight + kGap;
    gc.DrawText(wxString::FromUTF8(CursorTimeLabel(scene.span.start, scene.offset(scene.span.start)) + " \u2013 " +
                                   CursorTimeLabel(scene.span.end, scene.offset(scene.span.end))),
                area.left, captionY);
    if (!scene.sharedScale && scene.axisEntry < scene.shown.size()) {
        const ShownSeries &axis = scene.shown[scene.axisEntry];
        const wxString caption = "Value axis: " + wxString::FromUTF8(scene.store->Name(axis.series));
        const double x = right - TextWidth(gc, caption);
        gc.DrawText(caption, x, captionY);
        gc.SetPen(wxPen(axis.colour, 2, axis.style));
        gc.StrokeLine(x - 4 * kGap, captionY + textHeight / 2, x - kGap, captionY + textHeight / 2);
    }
}

void ChartPainter::DrawSeries(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout,
                              double scaleX)
{
    const PlotArea &area = layout.area;
    gc.Clip(area.left, area.top, area.width, area.height);
    // Dense solid lines (more points than columns) go column by column into
    // one layer over the plot; the others are stroked on top of it, which
    // costs little for them and joins their corners better.
    PaintLayer(gc, scene, layout, scaleX);

    for (size_t entry = 0; entry < scene.shown.size(); ++entry) {
        const ShownSeries &shown = scene.shown[entry];
        const std::vector<PlotPoint> &points = m_decimated[entry].points;
        if (points.size() == 1) {
            const double x = area.left + points[0].x * scaleX;
            const double y = ValueToY(points[0].value, layout.ranges[entry], area);
            gc.SetPen(*wxTRANSPARENT_PEN);
            gc.SetBrush(wxBrush(shown.colour));
            gc.DrawEllipse(x - 2.5, y - 2.5, 5, 5);
        } else if (points.size() > 1 && !Layered(scene, area, entry)) {
            m_line.clear();
            for (const PlotPoint &point : points)
                m_line.emplace_back(area.left + point.x * scaleX,
                                    ClampY(ValueToY(point.value, layout.ranges[entry], area), area));
            gc.SetPen(wxPen(shown.colour, kLineWidth, shown.style));
            gc.StrokeLines(m_line.size(), m_line.data());
        }
    }
    if (scene.band) {
        const wxColour text = scene.colours.text;
        gc.SetPen(wxPen(text, 1));
        gc.SetBrush(wxBrush(wxColour(text.Red(), text.Green(), text.Blue(), 40)));
        gc.DrawRectangle(area.left, std::min(scene.band->first, scene.band->second), area.width,
                         std::fabs(scene.band->second - scene.band->first));
    }
    gc.ResetClip();
}

bool ChartPainter::Layered(const ChartScene &scene, const PlotArea &area, size_t entry) const
{
    return scene.shown[entry].style == wxPENSTYLE_SOLID &&
           m_decimated[entry].points.size() > static_cast<size_t>(area.width);
}

// The layer is kept between drawings: where the lines, their colours and
// scales are as before, only the columns from the first that changed are
// painted again (a live chart's new values change the last few).
void ChartPainter::PaintLayer(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout,
                              double scaleX)
{
    const PlotArea &area = layout.area;
    const int width = static_cast<int>(area.width);
    const int height = static_cast<int>(area.height);
    std::vector<LayerLine> &lines = m_nextLines;
    size_t count = 0;
    for (size_t entry = 0; entry < scene.shown.size(); ++entry) {
        if (!Layered(scene, area, entry))
            continue;
        if (lines.size() <= count)
            lines.emplace_back();
        LayerLine &line = lines[count++];
        line.series = scene.shown[entry].series;
        line.colour = scene.shown[entry].colour;
        line.range = layout.ranges[entry];
        line.pixels.clear();
        for (const PlotPoint &point : m_decimated[entry].points)
            line.pixels.push_back({area.left + point.x * scaleX,
                                   ClampY(ValueToY(point.value, layout.ranges[entry], area), area)});
    }
    lines.resize(count);
    if (lines.empty()) {
        m_lines.clear();
        return;
    }

    const auto columns = static_cast<size_t>(width);
    const bool same = m_layer.IsOk() && m_layer.GetWidth() == width && m_layer.GetHeight() == height &&
                      m_layerLeft == area.left && m_layerTop == area.top && m_lines.size() == lines.size() &&
                      std::equal(lines.begin(), lines.end(), m_lines.begin(), [](const LayerLine &a, const LayerLine &b) {
                          return a.series == b.series && a.colour == b.colour && a.range.low == b.range.low &&
                                 a.range.high == b.range.high;
                      });
    size_t from = 0;
    if (same) {
        from = columns;
        for (size_t line = 0; line < lines.size(); ++line)
            from = std::min(from, FirstChangedColumn(m_lines[line].pixels, lines[line].pixels, area.left, columns));
    } else if (!m_layer.IsOk() || m_layer.GetWidth() != width || m_layer.GetHeight() != height) {
        m_layer.Create(width, height, false);
        m_layer.SetAlpha();
    }
    if (from < columns) {
        uint8_t *alpha = m_layer.GetAlpha();
        for (int row = 0; row < height; ++row)
            std::fill(alpha + static_cast<size_t>(row) * columns + from, alpha + static_cast<size_t>(row + 1) * columns,
                      0);
        LineLayer layer{width, height, m_layer.GetData(), alpha};
        for (const LayerLine &line : lines) {
            TraceColumns(line.pixels, area.left, columns, m_columns, from);
            const uint8_t rgb[3] = {line.colour.Red(), line.colour.Green(), line.colour.Blue()};
            PaintColumns(m_columns, kLineWidth / 2, area.top, rgb, layer, from);
        }
    }
    m_layerLeft = area.left;
    m_layerTop = area.top;
    std::swap(m_lines, m_nextLines);

    // The layer's picture for the context is made again only where the
    // layer changed since it was made; a live chart changes its last few
    // columns, and making the whole picture costs more than painting them.
    m_pictureValid = same ? std::min(m_pictureValid, from) : 0;
    if (m_layerPicture.IsNull() || m_pictureValid < columns - columns / 4) {
        m_layerPicture = gc.CreateBitmapFromImage(m_layer);
        m_pictureValid = columns;
    }
    const auto valid = static_cast<int>(m_pictureValid);
    if (valid == width) {
        gc.DrawBitmap(m_layerPicture, area.left, area.top, width, height);
        return;
    }
    gc.PushState();
    gc.Clip(area.left, area.top, valid, height);
    gc.DrawBitmap(m_layerPicture, area.left, area.top, width, height);
    gc.PopState();
    const wxImage rest = m_layer.GetSubImage(wxRect(valid, 0, width - valid, height));
    gc.DrawBitmap(gc.CreateBitmapFromImage(rest), area.left + valid, area.top, width - valid, height);
}

void ChartPainter::DrawNotice(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout) const
{
    for (const Decimated &series : m_decimated)
        if (series.extent)
            return;
    const wxString notice = !scene.store->Bounds() ? "No values yet"
                            : scene.shown.empty()  ? "No series shown"
                                                   : "No values in this span";
    double width = 0, height = 0;
    gc.GetTextExtent(notice, &width, &height);
    gc.DrawText(notice, layout.area.left + (layout.area.width - width) / 2,
                layout.area.top + (layout.area.height - height) / 2);
}

void ChartPainter::DrawCursor(wxGraphicsContext &gc, const ChartScene &scene, const ChartLayout &layout) const
{
    if (!scene.cursor)
        return;
    const PlotArea &area = layout.area;
    const double x = std::round(TimeToX(*scene.cursor, scene.span, area)) + 0.5;
    gc.SetPen(wxPen(scene.colours.text, 1, wxPENSTYLE_SHORT_DASH));
    gc.StrokeLine(x, area.top, x, area.top + area.height);

    std::vector<wxString> lines = {CursorTimeLabel(*scene.cursor, scene.offset(*scene.cursor))};
    for (const ShownSeries &shown : scene.shown)
        lines.push_back(wxString::FromUTF8(
            ReadoutLine(scene.store->Name(shown.series), PointsOf(scene, shown.series), *scene.cursor)));
    double width = 0, lineHeight = 0;
    for (const wxString &line : lines) {
        double w = 0, h = 0;
        gc.GetTextExtent(line, &w, &h);
        width = std::max(width, w);
        lineHeight = std::max(lineHeight, h);
    }
    const double swatch = 3 * kGap;
    const double boxWidth = width + swatch + 3 * kGap;
    const double boxHeight = lines.size() * lineHeight + 2 * kGap;
    // Beside the line, on whichever side has room.
    const double left = x + kGap + boxWidth <= area.left + area.width ? x + kGap : x - kGap - boxWidth;
    const double top = area.top + kGap;
    const wxColour back = scene.colours.background;
    gc.SetPen(wxPen(scene.colours.frame, 1));
    gc.SetBrush(wxBrush(wxColour(back.Red(), back.Green(), back.Blue(), 235)));
    gc.DrawRectangle(left, top, boxWidth, boxHeight);
    for (size_t line = 0; line < lines.size(); ++line) {
        const double y = top + kGap + line * lineHeight;
        if (line > 0) {
            gc.SetPen(wxPen(scene.shown[line - 1].colour, 2, scene.shown[line - 1].style));
            gc.StrokeLine(left + kGap, y + lineHeight / 2, left + kGap + swatch - 4, y + lineHeight / 2);
        }
        gc.DrawText(lines[line], left + kGap + (line > 0 ? swatch : 0), y);
    }
}
