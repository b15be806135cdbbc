#include "chart/chart_accessible.h"

#include <gtk/gtk.h>
#include <wx/window.h>

namespace {

AtkObject *Accessible(wxWindow *plot)
{
    auto *widget = static_cast<GtkWidget *>(plot->GetHandle());
    return widget != nullptr ? gtk_widget_get_accessible(widget) : nullptr;
}

} // namespace

void NameChart(wxWindow *plot, const wxString &name)
{
    if (AtkObject *accessible = Accessible(plot)) {
        atk_object_set_role(accessible, ATK_ROLE_CHART);
        atk_object_set_name(accessible, name.utf8_str());
    }
}

void DescribeChart(wxWindow *plot, const wxString &description)
{
    if (AtkObject *accessible = Accessible(plot))
        atk_object_set_description(accessible, description.utf8_str());
}
