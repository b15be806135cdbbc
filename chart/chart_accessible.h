// The chart as screen readers and test tools see it on the accessibility
// bus: a chart with a name, and a description that changes with the values.
#ifndef ORV_CHART_CHART_ACCESSIBLE_H
#define ORV_CHART_CHART_ACCESSIBLE_H

#include <wx/string.h>

class wxWindow;

void NameChart(wxWindow *plot, const wxString &name);
void DescribeChart(wxWindow *plot, const wxString &description);

#endif
