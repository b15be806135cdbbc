// The chart's colours: background and text from the desktop's theme, the
// grid between them, and a colour for each series that stands out from
// the background, light theme or dark.
#ifndef ORV_CHART_CHART_COLOURS_H
#define ORV_CHART_CHART_COLOURS_H

#include <cstddef>
#include <wx/colour.h>
#include <wx/pen.h>

struct ChartColours {
    wxColour background;
    wxColour text;
    wxColour grid;
    wxColour frame;

    // Ten distinct colours, each at least 3:1 against the background (the
    // least for lines and shapes); the eleventh series has the first colour
    // again, with a line style of its own.
    wxColour Series(size_t index) const;
};

// Solid for the first ten series, then dashed, then dotted.
wxPenStyle SeriesLineStyle(size_t index);

ChartColours ChartColoursOn(const wxColour &background, const wxColour &text);
// The theme's view background and its text.
ChartColours SystemChartColours();

// The contrast ratio of two colours, 1 to 21 (WCAG 2).
double ContrastRatio(const wxColour &a, const wxColour &b);

#endif
