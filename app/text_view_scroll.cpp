#include "app/text_view_scroll.h"

#include <gtk/gtk.h>
#include <wx/textctrl.h>

namespace {

using GrabHandler = std::function<void(bool held)>;

gboolean OnScrollBarButton(GtkWidget *, GdkEventButton *event, gpointer handler)
{
    (*static_cast<GrabHandler *>(handler))(event->type == GDK_BUTTON_PRESS);
    return FALSE; // the scroll bar goes on to handle the click
}

void DeleteHandler(gpointer handler, GClosure *)
{
    delete static_cast<GrabHandler *>(handler);
}

} // namespace

void WatchScrollBarGrab(wxTextCtrl *view, std::function<void(bool held)> changed)
{
    GtkWidget *bar = gtk_scrolled_window_get_vscrollbar(GTK_SCROLLED_WINDOW(view->GetHandle()));
    if (bar == nullptr)
        return;
    // One handler for both signals; the release's connection owns it.
    auto *handler = new GrabHandler(std::move(changed));
    g_signal_connect(bar, "button-press-event", G_CALLBACK(OnScrollBarButton), handler);
    g_signal_connect_data(bar, "button-release-event", G_CALLBACK(OnScrollBarButton), handler, DeleteHandler,
                          GConnectFlags(0));
}

void ScrollLineToTop(wxTextCtrl *view, long position)
{
    // A multi-line control is a scrolled window around the text view.
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(view->GetHandle()));
    if (child == nullptr || !GTK_IS_TEXT_VIEW(child))
        return;
    GtkTextView *text = GTK_TEXT_VIEW(child);
    GtkTextBuffer *buffer = gtk_text_view_get_buffer(text);
    GtkTextIter at;
    gtk_text_buffer_get_iter_at_offset(buffer, &at, static_cast<gint>(position));
    gtk_text_iter_set_line_offset(&at, 0);
    // A mark, not the place itself: the scroll waits for the layout, and the
    // mark stays with the buffer for it.
    static const char kMark[] = "orv-line-to-top";
    GtkTextMark *mark = gtk_text_buffer_get_mark(buffer, kMark);
    if (mark == nullptr)
        mark = gtk_text_buffer_create_mark(buffer, kMark, &at, TRUE);
    else
        gtk_text_buffer_move_mark(buffer, mark, &at);
    gtk_text_view_scroll_to_mark(text, mark, 0.0, TRUE, 0.0, 0.0);
}
