#include "app/text_view_scroll.h"

#include <gtk/gtk.h>
#include <wx/textctrl.h>

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
