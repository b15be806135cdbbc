#include "app/show_over_parent.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

namespace {

// A window manager reads a dialog's parent when it takes the dialog on; a
// parent it has not taken on yet is ignored, and the dialog then stacks as a
// window of its own, under the frame once that comes up (a frame may wait
// for the size of its decorations before it maps). Named again once the parent
// is on screen, the parent counts, and the dialog comes to the front.
gboolean OnParentMapped(GtkWidget *parent, GdkEvent *, gpointer dialogWidget)
{
    g_signal_handlers_disconnect_by_func(parent, reinterpret_cast<gpointer>(OnParentMapped), dialogWidget);
    auto *dialog = static_cast<GtkWidget *>(dialogWidget);
    if (gtk_widget_get_mapped(dialog)) {
        gdk_window_set_transient_for(gtk_widget_get_window(dialog), gtk_widget_get_window(parent));
        gtk_window_present(GTK_WINDOW(dialog));
    }
    return FALSE;
}

} // namespace

void ShowOverParent(wxTopLevelWindow &dialog)
{
    wxWindow *parent = dialog.GetParent() != nullptr ? wxGetTopLevelParent(dialog.GetParent()) : nullptr;
    auto *parentWidget = parent != nullptr ? static_cast<GtkWidget *>(parent->GetHandle()) : nullptr;
    if (parentWidget != nullptr && !gtk_widget_get_mapped(parentWidget)) {
        // Disconnected with the dialog, should that go before its parent shows.
        g_signal_connect_object(parentWidget, "map-event", G_CALLBACK(OnParentMapped), dialog.GetHandle(),
                                GConnectFlags(0));
    }
    // Ready before it shows, the dialog shows at once: one held back until
    // the window manager has told the size of its decorations loses GTK's
    // placement over its parent and lands in the corner of the screen.
    gtk_widget_realize(static_cast<GtkWidget *>(dialog.GetHandle()));
    dialog.Show(true);
}
