#include "app/control_names.h"

#include <gtk/gtk.h>
#include <wx/window.h>

void NameControl(wxWindow *control, const wxString &name)
{
    control->SetToolTip(name);
    auto *widget = static_cast<GtkWidget *>(control->GetHandle());
    if (widget == nullptr)
        return;
    if (AtkObject *accessible = gtk_widget_get_accessible(widget))
        atk_object_set_name(accessible, name.utf8_str());
}
