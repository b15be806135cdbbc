// The chart window fed from a store: it draws, holds still while paused,
// zooms and pans from the keys and the wheel, exports what it shows and
// hides series; its colours read on the theme's background.
#include "chart/chart_colours.h"
#include "chart/chart_painter.h"
#include "chart/chart_window.h"
#include "chart/cursor_readout.h"
#include "tests/support/gui_test.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <iterator>
#include <random>
#include <wx/checkbox.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/settings.h>
#include <wx/stattext.h>

namespace {

using testing_support::WaitUntil;

constexpr TimeUs kStep = 100 * kMillisecondUs;

bool Same(const wxImage &a, const wxImage &b)
{
    return a.GetSize() == b.GetSize() &&
           std::equal(a.GetData(), a.GetData() + 3 * a.GetWidth() * a.GetHeight(), b.GetData());
}

class ChartWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_store = std::make_shared<SeriesStore>();
        // A minute of values up to now: a ramp, a square wave, a constant.
        const TimeUs now = NowUs();
        for (TimeUs t = now - kMinuteUs; t <= now; t += kStep)
            Append(t);
        m_window = new ChartWindow(nullptr, m_store, "Trend of test values");
        m_window->Show();
        m_plot = m_window->FindWindow(ChartWindow::kPlotName);
        ASSERT_NE(m_plot, nullptr);
        ASSERT_TRUE(WaitUntil([this] { return m_window->Redraws() > 0; }));
        char folder[] = "/tmp/orv-chart-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override
    {
        m_window->Destroy();
        wxYield();
        std::filesystem::remove_all(m_folder);
    }

    void Append(TimeUs t)
    {
        const double seconds = static_cast<double>(t % kMinuteUs) / kSecondUs;
        m_store->Append("T", t, seconds);
        m_store->Append("p", t, (t / kSecondUs) % 2 == 0 ? 10.0 : -10.0);
        m_store->Append("2", t, 3.5);
        m_newest = t;
    }
    void AppendSeconds(int seconds)
    {
        const TimeUs last = m_newest + seconds * kSecondUs;
        for (TimeUs t = m_newest + kStep; t <= last; t += kStep)
            Append(t);
    }
    void Key(int code)
    {
        wxKeyEvent key(wxEVT_CHAR);
        key.m_keyCode = code;
        key.SetEventObject(m_plot);
        m_plot->GetEventHandler()->ProcessEvent(key);
    }
    TimeUs Width() const { return m_window->ShownSpan().end - m_window->ShownSpan().start; }
    std::string Contents(const std::filesystem::path &path) const
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::string Accessible(bool description) const
    {
        AtkObject *accessible = gtk_widget_get_accessible(static_cast<GtkWidget *>(m_plot->GetHandle()));
        const char *text = description ? atk_object_get_description(accessible) : atk_object_get_name(accessible);
        return text != nullptr ? text : "";
    }

    std::shared_ptr<SeriesStore> m_store;
    ChartWindow *m_window = nullptr;
    wxWindow *m_plot = nullptr;
    TimeUs m_newest = 0;
    std::filesystem::path m_folder;
};

TEST_F(ChartWindowTest, DrawsLiveAndTellsTheLatestValuesAsAChart)
{
    EXPECT_EQ(Accessible(false), "Trend of test values");
    EXPECT_EQ(atk_object_get_role(gtk_widget_get_accessible(static_cast<GtkWidget *>(m_plot->GetHandle()))),
              ATK_ROLE_CHART);
    const SeriesPoints ramp = m_store->Points(0);
    EXPECT_EQ(Accessible(true), "T: " + ReadoutText(ramp[ramp.size() - 1].value) + "; p: " +
                                    (m_newest / kSecondUs % 2 == 0 ? "10" : "-10") + "; 2: 3.5");
    // New values: a redraw that follows them, and a description with them.
    const unsigned long before = m_window->Redraws();
    m_store->Append("2", m_newest + kSecondUs, 42.25);
    ASSERT_TRUE(WaitUntil([&] { return m_window->Redraws() > before; }));
    ASSERT_TRUE(WaitUntil([&] { return Accessible(true).find("2: 42.25") != std::string::npos; }));
    EXPECT_EQ(m_window->ShownSpan().start, m_store->Bounds()->start);
    EXPECT_GE(m_window->ShownSpan().end, m_newest + kSecondUs);
    EXPECT_LE(m_window->ShownSpan().end - m_newest - kSecondUs, Width() / 64);
}

TEST_F(ChartWindowTest, PauseHoldsThePictureWhileTheStoreGrows)
{
    m_window->SetPaused(true);
    Key('-'); // zoomed out while paused: the span reaches past the newest value
    const TimeSpan paused = m_window->ShownSpan();
    ASSERT_GT(paused.end, m_newest + 5 * kSecondUs);
    const wxImage picture = m_window->Picture();
    AppendSeconds(5);
    ASSERT_TRUE(WaitUntil([&] { return Accessible(true).find("2: 3.5") != std::string::npos; }));
    EXPECT_EQ(m_window->ShownSpan().end, paused.end);
    EXPECT_TRUE(Same(m_window->Picture(), picture));

    m_window->SetPaused(false); // back to live
    EXPECT_EQ(m_window->ShownSpan().end, m_newest);
    EXPECT_FALSE(Same(m_window->Picture(), picture));
}

TEST_F(ChartWindowTest, KeysAndWheelZoomAndPanTheShownSpan)
{
    const TimeUs all = m_newest - m_store->Bounds()->start; // zooming starts from the data, not the step beyond
    Key('+');
    EXPECT_EQ(Width(), all * 4 / 5);
    EXPECT_EQ(m_window->ShownSpan().end, m_newest); // still live
    Key('-');
    Key('-');
    EXPECT_EQ(Width(), all * 5 / 4);
    Key(WXK_LEFT);
    EXPECT_EQ(m_window->ShownSpan().end, m_newest - all / 8);
    AppendSeconds(1); // panned back: it holds there
    EXPECT_EQ(m_window->ShownSpan().end, m_newest - kSecondUs - all / 8);
    Key(WXK_HOME);
    EXPECT_EQ(Width(), SteppedWidth(all + kSecondUs));
    EXPECT_EQ(m_window->ShownSpan().end - Width(), m_newest - all - kSecondUs);

    // The wheel zooms about the pointer: the time under it stays there.
    const wxSize size = m_plot->GetClientSize();
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.SetPosition(wxPoint(size.x / 2, size.y / 2));
    wheel.m_wheelRotation = 120;
    wheel.m_wheelDelta = 120;
    const TimeSpan before = m_window->ShownSpan();
    m_plot->GetEventHandler()->ProcessEvent(wheel);
    const TimeSpan after = m_window->ShownSpan();
    EXPECT_NEAR(static_cast<double>(after.end - after.start), 0.8 * (before.end - before.start), 2);
    EXPECT_GT(after.start, before.start);
    EXPECT_LT(after.end, before.end);
    // Shift+wheel zooms the values: the scale becomes fixed.
    wheel.SetShiftDown(true);
    m_plot->GetEventHandler()->ProcessEvent(wheel);
    auto *fixed = dynamic_cast<wxCheckBox *>(wxWindow::FindWindowByLabel("Fixed", m_window));
    ASSERT_NE(fixed, nullptr);
    EXPECT_TRUE(fixed->GetValue());
}

TEST_F(ChartWindowTest, ExportsWriteTheShownSpanAndHiddenSeriesStayOut)
{
    Key(WXK_LEFT); // a span that is not the newest
    m_window->SetPaused(true);
    const TimeSpan shown = m_window->ShownSpan();
    wxString error;
    const auto png = m_folder / "chart.png";
    ASSERT_TRUE(m_window->ExportPng(png.string(), error)) << error;
    const wxImage picture = m_window->Picture();
    wxImage written;
    ASSERT_TRUE(written.LoadFile(png.string(), wxBITMAP_TYPE_PNG));
    EXPECT_TRUE(Same(written, picture));

    // The legend's check box hides a series: from the picture and the file.
    auto *box = dynamic_cast<wxCheckBox *>(wxWindow::FindWindowByLabel("p", m_window));
    ASSERT_NE(box, nullptr);
    box->SetValue(false);
    wxCommandEvent toggled(wxEVT_CHECKBOX, box->GetId());
    toggled.SetEventObject(box);
    toggled.SetInt(0);
    box->GetEventHandler()->ProcessEvent(toggled);
    EXPECT_FALSE(m_window->IsSeriesShown("p"));
    EXPECT_FALSE(Same(m_window->Picture(), picture));
    ASSERT_TRUE(m_window->ShowSeries("2", false));
    EXPECT_FALSE(m_window->ShowSeries("none", false));

    const auto csv = m_folder / "chart.csv";
    ASSERT_TRUE(m_window->ExportCsv(csv.string(), error)) << error;
    const std::string text = Contents(csv);
    EXPECT_EQ(text.rfind("time,series,value\r\n", 0), 0u);
    const SeriesPoints points = m_store->Points(*m_store->Find("T"));
    const size_t inSpan = points.UpperBound(shown.end) - points.LowerBound(shown.start);
    EXPECT_GT(inSpan, 100u);
    EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), inSpan + 1);
    EXPECT_EQ(text.find(",p,"), std::string::npos);

    EXPECT_FALSE(m_window->ExportCsv((m_folder / "no" / "chart.csv").string(), error));
    EXPECT_NE(error.Find("No such file or directory"), wxNOT_FOUND) << error;
}

// A redraw that keeps what it can from the last one (the decimated columns,
// the painted layer and its picture) draws what a fresh painter draws: as a
// live view of all values grows a point at a time, across a step of its span,
// and when a value outside the scale comes.
TEST(ChartPainterTest, ARedrawThatGoesOnDrawsWhatAFreshOneDraws)
{
    std::mt19937 random(3);
    SeriesStore store;
    TimeUs time = NowUs() - 20 * kMinuteUs;
    const auto append = [&](size_t points, double spike) {
        for (size_t i = 0; i < points; ++i, time += 50 * kMillisecondUs) {
            for (const char *name : {"a", "b", "c"})
                store.Append(name, time, static_cast<double>(random() % 100) / 10 + (name[0] - 'a') * 5);
            if (i % 500 == 0) // sparse: stroked over the layer
                store.Append("sparse", time, static_cast<double>(random() % 20));
        }
        store.Append("a", time, spike);
    };
    append(20000, 5);
    ChartScene scene;
    scene.store = &store;
    scene.colours = SystemChartColours();
    scene.font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    for (size_t series = 0; series < store.SeriesCount(); ++series)
        scene.shown.push_back({series, scene.colours.Series(series), SeriesLineStyle(series), {}});

    ChartPainter kept;
    const auto picture = [&](ChartPainter &painter) {
        wxBitmap bitmap(700, 400, 24);
        {
            wxMemoryDC dc(bitmap);
            const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
            painter.Paint(*gc, bitmap.GetSize(), scene);
        }
        return bitmap.ConvertToImage();
    };
    struct Step {
        size_t points;
        double spike;
    };
    const TimeUs first = store.Bounds()->start;
    for (const Step step : {Step{0, 5}, Step{1, 5}, Step{1, 6}, Step{3, 5}, Step{300, 5}, Step{1, 500}, Step{2, 5}}) {
        const TimeSpan before = GrowingWholeSpan(store.Bounds(), 0);
        append(step.points, step.spike);
        scene.span = GrowingWholeSpan(store.Bounds(), 0);
        EXPECT_EQ(scene.span.start, first);
        const wxImage goingOn = picture(kept);
        ChartPainter fresh;
        EXPECT_TRUE(Same(goingOn, picture(fresh)))
            << step.points << " points; the span " << (before.end == scene.span.end ? "held" : "grew");
    }
}

// The chart's background and text come from the theme; text reads at 4.5:1
// at least and every series' colour stands out at 3:1 at least; ten series
// have colours far apart, the next ten the same in another line style. The
// window's labels read on their backgrounds as the layout test asks of the
// program's. Run under the light and the dark theme.
TEST(ChartColoursTest, ReadOnTheThemesBackground)
{
    const ChartColours colours = SystemChartColours();
    EXPECT_EQ(colours.background, wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    EXPECT_GE(ContrastRatio(colours.text, colours.background), 4.5);
    for (size_t series = 0; series < 20; ++series) {
        const wxColour colour = colours.Series(series);
        EXPECT_GE(ContrastRatio(colour, colours.background), 3.0) << series;
        if (series >= 10) {
            EXPECT_NE(SeriesLineStyle(series), SeriesLineStyle(series - 10));
            continue;
        }
        for (size_t other = 0; other < series; ++other) {
            const wxColour second = colours.Series(other);
            const int distance = std::abs(colour.Red() - second.Red()) + std::abs(colour.Green() - second.Green()) +
                                 std::abs(colour.Blue() - second.Blue());
            EXPECT_GE(distance, 60) << series << " and " << other;
        }
    }

    auto store = std::make_shared<SeriesStore>();
    store->Append("T", NowUs(), 1);
    auto *window = new ChartWindow(nullptr, store, "Colours");
    window->Show();
    ASSERT_TRUE(WaitUntil([window] { return window->Redraws() > 0; }));
    std::vector<wxWindow *> controls(window->GetChildren().begin(), window->GetChildren().end());
    for (size_t i = 0; i < controls.size(); ++i) {
        wxWindow *control = controls[i];
        controls.insert(controls.end(), control->GetChildren().begin(), control->GetChildren().end());
        if (dynamic_cast<wxStaticText *>(control) == nullptr && dynamic_cast<wxCheckBox *>(control) == nullptr)
            continue;
        GtkStyleContext *style = gtk_widget_get_style_context(static_cast<GtkWidget *>(control->GetHandle()));
        GdkRGBA text{};
        gtk_style_context_get_color(style, gtk_style_context_get_state(style), &text);
        EXPECT_GE(ContrastRatio(wxColour(text), control->GetBackgroundColour()), 4.5) << control->GetLabel();
    }
    const wxImage picture = window->Picture();
    window->Destroy();
    wxYield();
    EXPECT_EQ(wxColour(picture.GetRed(0, 0), picture.GetGreen(0, 0), picture.GetBlue(0, 0)), colours.background);
}

} // namespace
