#include "app/shared_fonts.h"

namespace shared_fonts {

namespace {

wxFont MakeBold(int points)
{
    return wxFont(points, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD, false);
}

} // namespace

const wxFont &Bold11()
{
    static const wxFont font = MakeBold(11);
    return font;
}

const wxFont &Bold10()
{
    static const wxFont font = MakeBold(10);
    return font;
}

const wxFont &Bold9()
{
    static const wxFont font = MakeBold(9);
    return font;
}

const wxFont &Bold8()
{
    static const wxFont font = MakeBold(8);
    return font;
}

} // namespace shared_fonts
