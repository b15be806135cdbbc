// The four bold fonts of the default family shared by dialogs and panels for
// titles, headings and hints; made once, on first use.
#ifndef ORV_APP_SHARED_FONTS_H
#define ORV_APP_SHARED_FONTS_H

#include <wx/font.h>

namespace shared_fonts {

const wxFont &Bold11();
const wxFont &Bold10();
const wxFont &Bold9();
const wxFont &Bold8();

} // namespace shared_fonts

#endif
