#include "app/growing_layout.h"

#include <algorithm>
#include <wx/window.h>

void GrowingLayout::Add(wxWindow *control, Rule rule)
{
    m_parts.push_back({control, rule, wxRect()});
}

void GrowingLayout::KeepDesign(const wxSize &size)
{
    m_designSize = size;
    for (Part &part : m_parts)
        part.design = part.control->GetRect();
}

void GrowingLayout::Apply(const wxSize &size)
{
    const int dx = std::max(0, size.x - m_designSize.x);
    const int dy = std::max(0, size.y - m_designSize.y);
    for (const Part &part : m_parts) {
        wxRect place = part.design;
        switch (part.rule) {
        case Rule::Grow:
            place.width += dx;
            place.height += dy;
            break;
        case Rule::GrowDown:
            place.height += dy;
            break;
        case Rule::FollowBottom:
            place.y += dy;
            break;
        }
        part.control->SetSize(place);
    }
}

wxRect GrowingLayout::DesignRect(const wxWindow *control) const
{
    for (const Part &part : m_parts)
        if (part.control == control)
            return part.design;
    return control->GetRect();
}
