#include "chart/chart_window.h"

#include "app/toolkit_fit.h"
#include "chart/chart_accessible.h"
#include "chart/cursor_readout.h"

#include <initializer_list>
#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/control.h>
#include <wx/dcmemory.h>
#include <wx/panel.h>
#include <wx/pen.h>
#include <wx/scrolwin.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

constexpr int kTickMs = 100; // at most ten redraws a second

// A sample of the series' line for its legend row.
wxBitmap Swatch(const ChartColours &colours, size_t series, int side, const wxColour &background)
{
    wxBitmap bitmap(2 * side, side);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(background));
    dc.Clear();
    dc.SetPen(wxPen(colours.Series(series), std::max(2, side / 4), SeriesLineStyle(series)));
    dc.DrawLine(0, side / 2, 2 * side, side / 2);
    return bitmap;
}

} // namespace

ChartWindow::ChartWindow(wxWindow *parent, std::shared_ptr<const SeriesStore> store, const wxString &title)
    : wxFrame(parent, wxID_ANY, title, wxDefaultPosition, wxSize(900, 560)), m_store(std::move(store)),
      m_title(title), m_colours(SystemChartColours()), m_tick(this)
{
    auto *panel = new wxPanel(this);
    m_pauseButton = new wxButton(panel, wxID_ANY, "Pause");
    auto *liveButton = new wxButton(panel, wxID_ANY, "Live");
    liveButton->SetToolTip("Back to live with all values (Home)");
    m_scaleMode = new wxChoice(panel, wxID_ANY);
    m_scaleMode->Append("Shared scale");
    m_scaleMode->Append("Scale per series");
    m_scaleMode->SetSelection(0);
    m_scaleSeries = new wxChoice(panel, wxID_ANY);
    m_fixed = new wxCheckBox(panel, wxID_ANY, "Fixed");
    m_minText = new wxTextCtrl(panel, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    m_maxText = new wxTextCtrl(panel, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    // Room for a value to the six digits the fields show; the height the
    // toolkit's field needs for its line (its own best height is short of it).
    const wxSize field(m_minText->GetTextExtent("-1.23457e+10").x + 24, toolkit_fit::ContentSize(m_minText).y);
    m_minText->SetInitialSize(field);
    m_maxText->SetInitialSize(field);
    // Empty until the first series comes, and as high as a filled one then.
    m_scaleSeries->SetMinSize(wxSize(-1, m_scaleMode->GetBestSize().y));
    auto *pngButton = new wxButton(panel, wxID_ANY, "Export PNG...");
    auto *csvButton = new wxButton(panel, wxID_ANY, "Export CSV...");

    // Two rows: what the view does and the exports, then the scale.
    const auto row = [](std::initializer_list<wxWindow *> items) {
        auto *sizer = new wxBoxSizer(wxHORIZONTAL);
        for (wxWindow *item : items) {
            if (item == nullptr)
                sizer->AddStretchSpacer();
            else
                sizer->Add(item, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
        }
        return sizer;
    };
    auto *viewRow = row({m_pauseButton, liveButton, nullptr, pngButton, csvButton});
    auto *scaleRow = row({new wxStaticText(panel, wxID_ANY, "Scale:"), m_scaleMode, m_scaleSeries, m_fixed,
                          new wxStaticText(panel, wxID_ANY, "Min"), m_minText,
                          new wxStaticText(panel, wxID_ANY, "Max"), m_maxText});

    m_plot = new wxWindow(panel, wxID_ANY, wxDefaultPosition, wxSize(400, 240), wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE,
                          kPlotName);
    m_plot->SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_legend = new wxScrolledWindow(panel, wxID_ANY, wxDefaultPosition, wxSize(180, -1), wxVSCROLL);
    m_legend->SetScrollRate(0, 10);
    m_legend->SetSizer(new wxBoxSizer(wxVERTICAL));
    auto *middle = new wxBoxSizer(wxHORIZONTAL);
    middle->Add(m_plot, 1, wxEXPAND | wxRIGHT, 6);
    middle->Add(m_legend, 0, wxEXPAND);
    m_hint = new wxStaticText(panel, wxID_ANY, kHint);
    m_note = new wxStaticText(panel, wxID_ANY, "");
    m_note->Hide();

    auto *sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(viewRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    sizer->Add(scaleRow, 0, wxEXPAND | wxALL, 8);
    sizer->Add(middle, 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
    sizer->Add(m_hint, 0, wxEXPAND | wxALL, 8);
    sizer->Add(m_note, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 8);
    panel->SetSizer(sizer);
    SetMinSize(wxSize(720, 440));

    m_pauseButton->Bind(wxEVT_BUTTON, &ChartWindow::OnPause, this);
    liveButton->Bind(wxEVT_BUTTON, &ChartWindow::OnLive, this);
    m_scaleMode->Bind(wxEVT_CHOICE, &ChartWindow::OnScaleMode, this);
    m_scaleSeries->Bind(wxEVT_CHOICE, &ChartWindow::OnScaleMode, this);
    m_fixed->Bind(wxEVT_CHECKBOX, &ChartWindow::OnFixed, this);
    m_minText->Bind(wxEVT_TEXT_ENTER, &ChartWindow::OnRangeEntered, this);
    m_maxText->Bind(wxEVT_TEXT_ENTER, &ChartWindow::OnRangeEntered, this);
    m_minText->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent &event) {
        ApplyRangeFields();
        event.Skip();
    });
    m_maxText->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent &event) {
        ApplyRangeFields();
        event.Skip();
    });
    pngButton->Bind(wxEVT_BUTTON, &ChartWindow::OnExportPng, this);
    csvButton->Bind(wxEVT_BUTTON, &ChartWindow::OnExportCsv, this);
    m_plot->Bind(wxEVT_PAINT, &ChartWindow::OnPaint, this);
    m_plot->Bind(wxEVT_LEFT_DOWN, &ChartWindow::OnMouse, this);
    m_plot->Bind(wxEVT_LEFT_UP, &ChartWindow::OnMouse, this);
    m_plot->Bind(wxEVT_MOTION, &ChartWindow::OnMouse, this);
    m_plot->Bind(wxEVT_LEAVE_WINDOW, &ChartWindow::OnMouse, this);
    m_plot->Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent &) { EndDrag(); });
    m_plot->Bind(wxEVT_MOUSEWHEEL, &ChartWindow::OnWheel, this);
    m_plot->Bind(wxEVT_CHAR, &ChartWindow::OnChar, this);
    // The frame of a plot that has the keys stands out.
    m_plot->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent &event) {
        m_plot->Refresh();
        event.Skip();
    });
    m_plot->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent &event) {
        m_plot->Refresh();
        event.Skip();
    });
    Bind(wxEVT_TIMER, &ChartWindow::OnTick, this);

    NameChart(m_plot, title);
    m_view.SetDropping(m_store->Dropping());
    TakeNewSeries();
    Describe();
    ShowScaleControls();
    m_tick.Start(kTickMs);
}

TimeSpan ChartWindow::ShownSpan() const
{
    return m_view.Shown(Data(), NowUs());
}

void ChartWindow::SetPaused(bool paused)
{
    if (paused == m_view.Paused())
        return;
    if (paused)
        m_view.Pause(Data(), NowUs());
    else
        m_view.Resume();
    m_pauseButton->SetLabel(paused ? "Resume" : "Pause");
    m_pauseButton->GetParent()->Layout();
    m_plot->Refresh();
}

bool ChartWindow::ShowSeries(const std::string &name, bool shown)
{
    TakeNewSeries();
    const std::optional<size_t> series = m_store->Find(name);
    if (!series)
        return false;
    m_legendBoxes[*series]->SetValue(shown);
    OnSeriesToggled(*series, shown);
    return true;
}

bool ChartWindow::IsSeriesShown(const std::string &name) const
{
    const std::optional<size_t> series = m_store->Find(name);
    return series && *series < m_shown.size() && m_shown[*series];
}

void ChartWindow::SetNote(const wxString &note)
{
    if (note == m_note->GetLabel())
        return;
    const bool relayout = note.empty() == m_note->IsShown();
    m_note->SetLabel(note);
    m_note->Show(!note.empty());
    if (relayout)
        m_note->GetParent()->Layout();
}

wxString ChartWindow::Note() const
{
    return m_note->GetLabel();
}

void ChartWindow::OnSeriesToggled(size_t series, bool shown)
{
    m_shown[series] = shown;
    m_plot->Refresh();
}

// Series the store made since the last look get a legend row and a place
// in the choice of scales.
void ChartWindow::TakeNewSeries()
{
    const size_t count = m_store->SeriesCount();
    if (m_shown.size() == count)
        return;
    wxSizer *rows = m_legend->GetSizer();
    const int side = m_legend->GetCharHeight();
    for (size_t series = m_shown.size(); series < count; ++series) {
        const wxString name = wxString::FromUTF8(m_store->Name(series));
        auto *row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(new wxStaticBitmap(m_legend, wxID_ANY, Swatch(m_colours, series, side, m_legend->GetBackgroundColour())), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
        // A name is shown as it is: an "&" marks no access key.
        auto *box = new wxCheckBox(m_legend, wxID_ANY, wxControl::EscapeMnemonics(name));
        box->SetValue(true);
        box->Bind(wxEVT_CHECKBOX, [this, series](wxCommandEvent &event) { OnSeriesToggled(series, event.IsChecked()); });
        row->Add(box, 1, wxALIGN_CENTER_VERTICAL);
        rows->Add(row, 0, wxEXPAND | wxALL, 3);
        m_legendBoxes.push_back(box);
        m_scaleSeries->Append(name);
        m_shown.push_back(true);
        m_seriesScales.emplace_back();
    }
    if (m_scaleSeries->GetSelection() == wxNOT_FOUND)
        m_scaleSeries->SetSelection(0);
    m_legend->FitInside();
    m_legend->Layout();
}

// Each series' newest value, for screen readers.
void ChartWindow::Describe()
{
    wxString description;
    for (size_t series = 0; series < m_store->SeriesCount(); ++series) {
        const SeriesPoints points = m_store->Points(series);
        if (points.empty())
            continue;
        description += (description.empty() ? "" : "; ") + wxString::FromUTF8(m_store->Name(series)) + ": " +
                       ReadoutText(points[points.size() - 1].value);
    }
    if (description.empty())
        description = "No values yet";
    if (description != m_description) {
        m_description = description;
        DescribeChart(m_plot, description);
    }
}

void ChartWindow::OnTick(wxTimerEvent &)
{
    if (m_store->Version() == m_seenVersion)
        return;
    m_seenVersion = m_store->Version();
    m_view.SetDropping(m_store->Dropping());
    TakeNewSeries();
    Describe();
    if (m_view.Live())
        m_plot->Refresh();
}

void ChartWindow::OnPause(wxCommandEvent &)
{
    SetPaused(!m_view.Paused());
}

void ChartWindow::OnLive(wxCommandEvent &)
{
    m_view.Home();
    m_pauseButton->SetLabel("Pause");
    m_pauseButton->GetParent()->Layout();
    m_plot->Refresh();
}

ChartScene ChartWindow::Scene() const
{
    ChartScene scene;
    scene.store = m_store.get();
    scene.span = ShownSpan();
    scene.sharedScale = m_sharedScale;
    scene.shared = m_sharedSetting;
    const int axisSeries = m_scaleSeries->GetSelection();
    for (size_t series = 0; series < m_shown.size(); ++series) {
        if (!m_shown[series])
            continue;
        if (static_cast<int>(series) == axisSeries)
            scene.axisEntry = scene.shown.size();
        scene.shown.push_back({series, m_colours.Series(series), SeriesLineStyle(series), m_seriesScales[series]});
    }
    scene.until = m_view.Until();
    scene.cursor = m_cursor;
    if (m_drag && m_drag->onAxis)
        scene.band = std::make_pair(static_cast<double>(m_drag->from.y), m_drag->to);
    scene.colours = m_colours;
    scene.font = m_plot->GetFont();
    scene.focused = m_plot->HasFocus();
    return scene;
}
