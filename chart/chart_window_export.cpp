// The shown span as a picture (PNG) and as values (CSV).
#include "chart/chart_window.h"

#include "app/chosen_path.h"
#include "app/error_box.h"
#include "chart/atomic_file.h"
#include "chart/span_csv.h"

#include <memory>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/graphics.h>
#include <wx/mstream.h>

wxImage ChartWindow::Picture()
{
    const wxSize size = m_plot->GetClientSize();
    wxBitmap bitmap(std::max(1, size.x), std::max(1, size.y), 24);
    {
        wxMemoryDC dc(bitmap);
        const std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
        ChartScene scene = Scene();
        scene.cursor.reset();
        scene.band.reset();
        scene.focused = false;
        ChartPainter painter;
        painter.Paint(*gc, bitmap.GetSize(), scene);
    }
    return bitmap.ConvertToImage();
}

bool ChartWindow::ExportPng(const wxString &path, wxString &error)
{
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryOutputStream png;
    if (!Picture().SaveFile(png, wxBITMAP_TYPE_PNG)) {
        error = "Cannot make a PNG picture of the chart";
        return false;
    }
    std::string bytes(png.GetLength(), '\0');
    png.CopyTo(bytes.data(), bytes.size());
    std::string failure;
    if (!WriteFileAtomically(path.utf8_string(), bytes, failure)) {
        error = wxString::FromUTF8(failure);
        return false;
    }
    return true;
}

bool ChartWindow::ExportCsv(const wxString &path, wxString &error) const
{
    std::vector<size_t> shown;
    for (size_t series = 0; series < m_shown.size(); ++series)
        if (m_shown[series])
            shown.push_back(series);
    // What the picture shows: while paused, nothing recorded since.
    TimeSpan span = ShownSpan();
    if (const std::optional<TimeUs> until = m_view.Until())
        span.end = std::min(span.end, *until);
    std::string failure;
    if (!ExportSpanCsv(*m_store, span, shown, path.utf8_string(), failure)) {
        error = wxString::FromUTF8(failure);
        return false;
    }
    return true;
}

void ChartWindow::OnExportPng(wxCommandEvent &)
{
    wxFileDialog dialog(this, "Export PNG", "", "chart.png", "PNG images (*.png)|*.png",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    wxString error;
    if (!ExportPng(ChosenPath(dialog), error))
        ShowErrorBox(error);
}

void ChartWindow::OnExportCsv(wxCommandEvent &)
{
    wxFileDialog dialog(this, "Export CSV", "", "chart.csv", "CSV files (*.csv)|*.csv",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    wxString error;
    if (!ExportCsv(ChosenPath(dialog), error))
        ShowErrorBox(error);
}
