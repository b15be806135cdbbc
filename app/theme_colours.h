// The colours the program sets itself, taken from the desktop's theme so
// that the theme's own text colour reads on them, light theme or dark.
#ifndef ORV_APP_THEME_COLOURS_H
#define ORV_APP_THEME_COLOURS_H

#include <wx/colour.h>

namespace theme_colours {

// The background of the window's pages and of the IP control's box: the
// theme's view background (white on a light theme).
wxColour Page();

} // namespace theme_colours

#endif
