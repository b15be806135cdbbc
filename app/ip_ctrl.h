// Entry for an IPv4 address: four small numeric fields separated by dots,
// drawn over a common box so that they look like one text field.
#ifndef ORV_APP_IP_CTRL_H
#define ORV_APP_IP_CTRL_H

#include <array>
#include <wx/string.h>
#include <wx/window.h>

class wxFocusEvent;
class wxKeyEvent;
class wxStaticText;
class wxTextCtrl;

// The object itself is never created as a native window: its parts are
// children of the parent given to the constructor, placed relative to the
// given position, and are destroyed with that parent. The object must not
// outlive the parent.
class wxIPCtrl : public wxWindow {
public:
    enum {
        ID_FRAME_BOX = 2000,
        ID_FIRST_DOT = 2001, // 2001 to 2003
        ID_FIRST_FIELD = 2004, // 2004 to 2007
        ID_LEFT_PAD = 2008,
        ID_RIGHT_PAD = 2009
    };
    // Shown in place of a malformed or out-of-range text.
    static constexpr const char *kFallbackValue = "223.255.255.255";

    wxIPCtrl(wxWindow *parent, const wxPoint &position, const wxString &value);

    // Fills the fields from the first dotted quad found in `text`; on none,
    // or one that breaks the address rule, shows an error box and fills in
    // the fallback. Gives the focus to the first field.
    void SetValue(const wxString &text);
    // The four fields joined with ".", leading zeros of each dropped.
    wxString GetValue() const;
    // True when the fields hold an address that may be handed on.
    bool Validate() override;

    void OnFieldKillFocus(wxFocusEvent &event);
    void OnFieldChar(wxKeyEvent &event);

    wxTextCtrl *m_frameBox = nullptr;
    std::array<wxTextCtrl *, 4> m_fields{};
    std::array<wxStaticText *, 3> m_dots{};
    wxStaticText *m_leftPad = nullptr;
    wxStaticText *m_rightPad = nullptr;

private:
    // Gives the field at `index`, if any, the focus with its text selected.
    void MoveToField(size_t index);
    // Whether a field's text holds at most 255.
    static bool FitsAField(const wxString &text);

    // Set while the 255-maximum box is up: the box itself moves the focus
    // away from the fields and must not raise a second box.
    bool m_reportingField = false;
};

#endif
