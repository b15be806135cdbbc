#include "app/theme_colours.h"

#include <wx/settings.h>

namespace theme_colours {

wxColour Page()
{
    return wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
}

} // namespace theme_colours
