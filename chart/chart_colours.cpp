#include "chart/chart_colours.h"

#include <algorithm>
#include <cmath>
#include <wx/settings.h>

namespace {

// Blue, orange, green, red, purple, gold, cyan, magenta, olive, indigo.
constexpr double kHues[] = {215, 28, 130, 355, 275, 52, 180, 320, 90, 250};
constexpr size_t kColours = sizeof kHues / sizeof kHues[0];
constexpr double kLeastContrast = 3.0;

double Linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const wxColour &colour)
{
    return 0.2126 * Linear(colour.Red() / 255.0) + 0.7152 * Linear(colour.Green() / 255.0) +
           0.0722 * Linear(colour.Blue() / 255.0);
}

wxColour FromHsl(double hue, double saturation, double lightness)
{
    const double chroma = (1 - std::fabs(2 * lightness - 1)) * saturation;
    const double sector = std::fmod(hue / 60.0, 6.0);
    const double second = chroma * (1 - std::fabs(std::fmod(sector, 2.0) - 1));
    double red = 0, green = 0, blue = 0;
    switch (static_cast<int>(sector)) {
    case 0: red = chroma; green = second; break;
    case 1: red = second; green = chroma; break;
    case 2: green = chroma; blue = second; break;
    case 3: green = second; blue = chroma; break;
    case 4: red = second; blue = chroma; break;
    default: red = chroma; blue = second; break;
    }
    const double base = lightness - chroma / 2;
    const auto channel = [base](double part) {
        return static_cast<unsigned char>(std::lround(std::clamp(part + base, 0.0, 1.0) * 255));
    };
    return wxColour(channel(red), channel(green), channel(blue));
}

wxColour Mix(const wxColour &a, const wxColour &b, double shareOfB)
{
    const auto channel = [shareOfB](int x, int y) {
        return static_cast<unsigned char>(std::lround(x + (y - x) * shareOfB));
    };
    return wxColour(channel(a.Red(), b.Red()), channel(a.Green(), b.Green()), channel(a.Blue(), b.Blue()));
}

} // namespace

double ContrastRatio(const wxColour &a, const wxColour &b)
{
    const double first = Luminance(a);
    const double second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

wxColour ChartColours::Series(size_t index) const
{
    const double hue = kHues[index % kColours];
    // Darker on a light background, lighter on a dark one, until it stands out.
    const bool dark = Luminance(background) < 0.5;
    double lightness = dark ? 0.6 : 0.42;
    wxColour colour = FromHsl(hue, 0.85, lightness);
    for (int step = 0; step < 20 && ContrastRatio(colour, background) < kLeastContrast; ++step) {
        lightness = std::clamp(lightness + (dark ? 0.03 : -0.03), 0.0, 1.0);
        colour = FromHsl(hue, 0.85, lightness);
    }
    return colour;
}

wxPenStyle SeriesLineStyle(size_t index)
{
    static const wxPenStyle kStyles[] = {wxPENSTYLE_SOLID, wxPENSTYLE_LONG_DASH, wxPENSTYLE_DOT};
    return kStyles[index / kColours % 3];
}

ChartColours ChartColoursOn(const wxColour &background, const wxColour &text)
{
    return {background, text, Mix(background, text, 0.15), Mix(background, text, 0.45)};
}

ChartColours SystemChartColours()
{
    return ChartColoursOn(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW),
                          wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
}
