#include "app/gtk_style.h"

#include <gtk/gtk.h>

namespace {

// Only paddings, margins and minimum sizes: the fonts stay as they are.
// - Text buttons: a line of text and a thin padding, 23 px high, so that the
//   Modbus buttons at 25 px steps stand apart; the toolkit's own default
//   button height (its button box minimum of 27 px) goes too.
// - Image buttons: the image covers the button, padding and border, so an
//   88 x 25 image shows whole on an 88 x 25 button.
// - Fields: a line of text in a 1 px frame, 19 px high; borderless ones (the
//   IP control's) without padding, so three digits fit 28 px.
// - Combo boxes and check boxes: no room beyond their text line.
constexpr char kCss[] = R"css(
button { min-height: 0; min-width: 0; padding: 2px 4px; }
buttonbox { -GtkButtonBox-child-min-height: 0; }
button > image { margin: -3px -5px; }
entry { min-height: 17px; padding: 0 2px; }
entry.flat { padding: 0; }
combobox button, combobox entry { min-height: 0; padding-top: 0; padding-bottom: 0; }
checkbutton { min-height: 0; padding: 0; }
checkbutton check { min-height: 12px; min-width: 12px; margin: 0 3px 0 0; }
)css";

} // namespace

namespace gtk_style {

void Install()
{
    GdkScreen *screen = gdk_screen_get_default();
    if (screen == nullptr)
        return;
    GtkCssProvider *provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    // The screen holds its own reference for the rest of the program.
    g_object_unref(provider);
}

} // namespace gtk_style
