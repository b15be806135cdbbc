// Keeps the controls of a panel laid out at its design size in place while
// the panel grows: each control's rule is given where the control is made,
// and the places it has once the panel is first laid out are its design.
// A control given no rule keeps its place.
#ifndef ORV_APP_GROWING_LAYOUT_H
#define ORV_APP_GROWING_LAYOUT_H

#include <vector>
#include <wx/gdicmn.h>

class wxWindow;

class GrowingLayout {
public:
    enum class Rule {
        // Takes the extra width and height.
        Grow,
        // Takes the extra height.
        GrowDown,
        // Moves down with the bottom edge.
        FollowBottom,
    };

    void Add(wxWindow *control, Rule rule);
    // Takes `size` and the controls' present places as the design.
    void KeepDesign(const wxSize &size);
    // Places the controls for the panel's new size; below the design size,
    // they keep their design places.
    void Apply(const wxSize &size);
    // The control's place at the design size.
    wxRect DesignRect(const wxWindow *control) const;

private:
    struct Part {
        wxWindow *control;
        Rule rule;
        wxRect design;
    };
    std::vector<Part> m_parts;
    wxSize m_designSize;
};

#endif
