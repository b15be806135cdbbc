// The value scales: one shared by every series or one per series, each
// automatic or fixed; zooming the values fixes the scale they are on.
#include "chart/chart_window.h"

#include "chart/number_text.h"

#include <cmath>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

constexpr int kFieldDigits = 6;

std::optional<double> FieldNumber(const wxTextCtrl *field)
{
    return ParseDecimal(field->GetValue().Strip(wxString::both).utf8_string());
}

} // namespace

// The scale the controls and the value zoom work on: the shared one, or
// that of the series chosen beside it.
ScaleSetting &ChartWindow::TargetScale()
{
    const int series = m_scaleSeries->GetSelection();
    if (m_sharedScale || series == wxNOT_FOUND || static_cast<size_t>(series) >= m_seriesScales.size())
        return m_sharedSetting;
    return m_seriesScales[static_cast<size_t>(series)];
}

ValueRange ChartWindow::TargetRange() const
{
    const int series = m_scaleSeries->GetSelection();
    const ScaleSetting &target = m_sharedScale || series == wxNOT_FOUND ? m_sharedSetting
                                                                         : m_seriesScales[static_cast<size_t>(series)];
    return target.fixed ? target.range : m_layout.axis;
}

void ChartWindow::SetTargetRange(ValueRange range)
{
    if (!(range.low < range.high) || !std::isfinite(range.low) || !std::isfinite(range.high))
        return;
    TargetScale() = {true, range};
    ShowScaleControls();
    m_plot->Refresh();
}

void ChartWindow::ShowScaleControls()
{
    m_scaleMode->SetSelection(m_sharedScale ? 0 : 1);
    m_scaleSeries->Enable(!m_sharedScale && m_scaleSeries->GetCount() > 0);
    const ScaleSetting &target = TargetScale();
    m_fixed->SetValue(target.fixed);
    m_minText->Enable(target.fixed);
    m_maxText->Enable(target.fixed);
    m_minText->ChangeValue(target.fixed ? RoundedText(target.range.low, kFieldDigits) : "");
    m_maxText->ChangeValue(target.fixed ? RoundedText(target.range.high, kFieldDigits) : "");
    m_hint->SetLabel(kHint);
}

void ChartWindow::OnScaleMode(wxCommandEvent &)
{
    m_sharedScale = m_scaleMode->GetSelection() == 0;
    ShowScaleControls();
    m_plot->Refresh();
}

void ChartWindow::OnFixed(wxCommandEvent &event)
{
    // Fixed where it stands: the range the axis shows now.
    TargetScale() = {event.IsChecked(), TargetRange()};
    ShowScaleControls();
    m_plot->Refresh();
}

void ChartWindow::OnRangeEntered(wxCommandEvent &)
{
    ApplyRangeFields();
}

void ChartWindow::ApplyRangeFields()
{
    ScaleSetting &target = TargetScale();
    if (!target.fixed)
        return;
    const std::optional<double> low = FieldNumber(m_minText);
    const std::optional<double> high = FieldNumber(m_maxText);
    if (!low || !high || !(*low < *high)) {
        m_hint->SetLabel("Min and Max take numbers, Min below Max");
        return;
    }
    target.range = {*low, *high};
    m_hint->SetLabel(kHint);
    m_plot->Refresh();
}
