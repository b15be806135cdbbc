// The plot's drawing, and what the mouse and the keys do on it.
#include "chart/chart_window.h"

#include <cmath>
#include <memory>
#include <wx/dcclient.h>
#include <wx/graphics.h>

namespace {

constexpr double kZoomIn = 0.8;
constexpr double kPanFraction = 0.1;
// A drag shorter than this is a click.
constexpr int kLeastDrag = 3;

} // namespace

void ChartWindow::OnPaint(wxPaintEvent &)
{
    wxPaintDC dc(m_plot);
    const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
    if (!gc)
        return;
    m_layout = m_painter.Paint(*gc, m_plot->GetClientSize(), Scene());
    ++m_redraws;
}

void ChartWindow::OnMouse(wxMouseEvent &event)
{
    const wxPoint at = event.GetPosition();
    const PlotArea &area = m_layout.area;
    const bool inPlot = at.x >= area.left && at.x <= area.left + area.width && at.y >= area.top &&
                        at.y <= area.top + area.height;
    if (event.LeftDown()) {
        m_plot->SetFocus();
        const bool onAxis = at.x < area.left && at.y >= area.top && at.y <= area.top + area.height;
        if (inPlot || onAxis) {
            m_drag = Drag{onAxis, at, ShownSpan(), static_cast<double>(at.y)};
            if (!m_plot->HasCapture())
                m_plot->CaptureMouse();
        }
        return;
    }
    if (event.LeftUp()) {
        if (m_drag && m_drag->onAxis && std::abs(m_drag->to - m_drag->from.y) >= kLeastDrag) {
            const double top = std::max(area.top, std::min(m_drag->to, static_cast<double>(m_drag->from.y)));
            const double bottom =
                std::min(area.top + area.height, std::max(m_drag->to, static_cast<double>(m_drag->from.y)));
            SetTargetRange({YToValue(bottom, m_layout.axis, area), YToValue(top, m_layout.axis, area)});
        }
        EndDrag();
        return;
    }
    if (event.Leaving()) {
        if (!m_drag && m_cursor) {
            m_cursor.reset();
            m_plot->Refresh();
        }
        return;
    }
    if (m_drag && event.Dragging()) {
        if (m_drag->onAxis) {
            m_drag->to = at.y;
        } else {
            const double perPixel = static_cast<double>(m_drag->span.end - m_drag->span.start) / area.width;
            const TimeUs shift = static_cast<TimeUs>(std::llround((m_drag->from.x - at.x) * perPixel));
            m_view.Show({m_drag->span.start + shift, m_drag->span.end + shift}, Data());
        }
    }
    m_cursor = inPlot ? std::optional<TimeUs>(XToTime(at.x, ShownSpan(), area)) : std::nullopt;
    m_plot->Refresh();
}

void ChartWindow::EndDrag()
{
    m_drag.reset();
    if (m_plot->HasCapture())
        m_plot->ReleaseMouse();
    m_plot->Refresh();
}

void ChartWindow::OnWheel(wxMouseEvent &event)
{
    const double notches = static_cast<double>(event.GetWheelRotation()) / std::max(1, event.GetWheelDelta());
    const double factor = std::pow(kZoomIn, notches);
    const PlotArea &area = m_layout.area;
    if (event.ShiftDown()) {
        ZoomValuesAt(factor, YToValue(event.GetPosition().y, m_layout.axis, area));
        return;
    }
    if (event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) {
        m_view.Pan(notches * kPanFraction, Data(), NowUs());
    } else {
        const double x = std::clamp(static_cast<double>(event.GetPosition().x), area.left, area.left + area.width);
        m_view.Zoom(factor, XToTime(x, ShownSpan(), area), Data(), NowUs());
    }
    m_plot->Refresh();
}

void ChartWindow::OnChar(wxKeyEvent &event)
{
    switch (event.GetKeyCode()) {
    case '+':
    case '=':
    case WXK_ADD:
    case WXK_NUMPAD_ADD:
        m_view.Zoom(kZoomIn, std::nullopt, Data(), NowUs());
        break;
    case '-':
    case WXK_SUBTRACT:
    case WXK_NUMPAD_SUBTRACT:
        m_view.Zoom(1 / kZoomIn, std::nullopt, Data(), NowUs());
        break;
    case WXK_LEFT:
        m_view.Pan(-kPanFraction, Data(), NowUs());
        break;
    case WXK_RIGHT:
        m_view.Pan(kPanFraction, Data(), NowUs());
        break;
    case WXK_UP:
        PanValues(kPanFraction);
        return;
    case WXK_DOWN:
        PanValues(-kPanFraction);
        return;
    case WXK_TAB: // the plot takes every key, so it passes Tab on itself
        m_plot->Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward : wxNavigationKeyEvent::IsForward);
        return;
    case WXK_HOME: {
        wxCommandEvent live;
        OnLive(live);
        return;
    }
    default:
        event.Skip(); // Tab and the rest move on
        return;
    }
    m_plot->Refresh();
}

void ChartWindow::ZoomValuesAt(double factor, double anchor)
{
    SetTargetRange(ZoomValues(TargetRange(), factor, anchor));
}

void ChartWindow::PanValues(double fraction)
{
    SetTargetRange(::PanValues(TargetRange(), fraction));
}
