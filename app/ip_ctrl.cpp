#include "app/ip_ctrl.h"

#include "app/error_box.h"
#include "app/ip_address.h"
#include "app/theme_colours.h"

#include <algorithm>
#include <wx/colour.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>
#include <wx/valtext.h>

namespace {

constexpr int kFieldMaxLength = 3;
constexpr int kPartHeight = 21;

wxStaticText *MakeLabel(wxWindow *parent, int id, const char *text, const wxPoint &at, int width)
{
    return new wxStaticText(parent, id, text, at, wxSize(width, kPartHeight), wxBORDER_NONE);
}

} // namespace

wxIPCtrl::wxIPCtrl(wxWindow *parent, const wxPoint &position, const wxString &value)
{
    const int x = position.x;
    const int y = position.y + 2;

    m_frameBox = new wxTextCtrl(parent, ID_FRAME_BOX, "", position, wxSize(170, 25), wxTE_READONLY);
    m_frameBox->Disable();

    m_leftPad = MakeLabel(parent, ID_LEFT_PAD, "  ", wxPoint(x + 2, y), 10);
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const int fieldX = x + 11 + 40 * static_cast<int>(i);
        m_fields[i] = new wxTextCtrl(parent, ID_FIRST_FIELD + static_cast<int>(i), "0", wxPoint(fieldX, y),
                                     wxSize(28, kPartHeight), wxBORDER_NONE | wxTE_CENTRE,
                                     wxTextValidator(wxFILTER_NUMERIC));
        m_fields[i]->SetMaxLength(kFieldMaxLength);
        if (i < m_dots.size())
            m_dots[i] = MakeLabel(parent, ID_FIRST_DOT + static_cast<int>(i), " . ", wxPoint(fieldX + 28, y), 12);
    }
    m_rightPad = MakeLabel(parent, ID_RIGHT_PAD, "  ", wxPoint(x + 159, y), 9);

    const wxColour page = theme_colours::Page();
    m_frameBox->SetBackgroundColour(page);
    m_leftPad->SetBackgroundColour(page);
    m_rightPad->SetBackgroundColour(page);
    for (wxTextCtrl *field : m_fields) {
        field->SetEditable(true);
        field->SetBackgroundColour(page);
    }
    for (wxStaticText *dot : m_dots)
        dot->SetBackgroundColour(page);

    SetValue(value);

    for (wxTextCtrl *field : m_fields) {
        field->Connect(wxEVT_KILL_FOCUS, wxFocusEventHandler(wxIPCtrl::OnFieldKillFocus), nullptr, this);
        field->Connect(wxEVT_CHAR, wxKeyEventHandler(wxIPCtrl::OnFieldChar), nullptr, this);
    }
}

void wxIPCtrl::SetValue(const wxString &text)
{
    // The first match of the dotted-quad expression anywhere in the text; the
    // tests hold this search to the toolkit's own extended regular expressions.
    ip_address::FieldTexts fields;
    bool accepted = false;
    if (const auto found = ip_address::FindDottedQuad(text.utf8_string())) {
        fields = *found;
        std::array<unsigned long, 4> bytes{};
        for (std::size_t i = 0; i < fields.size(); ++i)
            bytes[i] = ip_address::ReadFieldUnsigned(fields[i]);
        accepted = ip_address::FollowsAddressRule(bytes);
    }
    if (!accepted) {
        ShowErrorBox("Invalid IP = " + text);
        fields = {"223", "255", "255", "255"};
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        m_fields[i]->SetValue(wxString::FromUTF8(fields[i]));
    m_fields[0]->SetFocus();
}

wxString wxIPCtrl::GetValue() const
{
    wxString dotted;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (i > 0)
            dotted += ".";
        dotted += wxString::FromUTF8(ip_address::CanonicalField(m_fields[i]->GetValue().utf8_string()));
    }
    return dotted;
}

bool wxIPCtrl::Validate()
{
    ip_address::FieldTexts fields;
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i] = m_fields[i]->GetValue().utf8_string();
    return ip_address::FieldsFormAddress(fields);
}

// Typing moves on through the fields as in IP controls: a dot ends a field
// that holds typed digits, and so does its third digit. A dot in a field
// whose text is wholly selected (one just entered) is dropped, so that
// "127.0.0.1" typed into the first field fills all four. A field above 255
// is not left this way: leaving it says so, which is the user's to do.
void wxIPCtrl::OnFieldChar(wxKeyEvent &event)
{
    auto *field = dynamic_cast<wxTextCtrl *>(event.GetEventObject());
    const auto at = std::find(m_fields.begin(), m_fields.end(), field);
    if (at == m_fields.end()) {
        event.Skip();
        return;
    }
    const size_t index = static_cast<size_t>(at - m_fields.begin());
    const int key = event.GetKeyCode();
    long from = 0, to = 0;
    field->GetSelection(&from, &to);
    const wxString text = field->GetValue();
    if (key == '.') {
        const bool wholeSelected = from == 0 && to == field->GetLastPosition();
        if (!text.empty() && !wholeSelected && FitsAField(text))
            MoveToField(index + 1);
        return;
    }
    // A digit that fills the field at its end is put in here, so that the
    // next key already goes to the next field.
    const wxString typed = text.Left(static_cast<size_t>(from)) + wxString(static_cast<wxChar>(key));
    const bool fills = to == field->GetLastPosition() && typed.length() == kFieldMaxLength;
    if (key < '0' || key > '9' || !fills || !FitsAField(typed) || index + 1 >= m_fields.size()) {
        event.Skip();
        return;
    }
    field->WriteText(wxString(static_cast<wxChar>(key)));
    MoveToField(index + 1);
}

bool wxIPCtrl::FitsAField(const wxString &text)
{
    return ip_address::ReadFieldSigned(text.utf8_string()) <= 255;
}

void wxIPCtrl::MoveToField(size_t index)
{
    if (index >= m_fields.size())
        return;
    m_fields[index]->SetFocus();
    m_fields[index]->SelectAll();
}

void wxIPCtrl::OnFieldKillFocus(wxFocusEvent &event)
{
    auto *field = dynamic_cast<wxTextCtrl *>(event.GetEventObject());
    if (field == nullptr || m_reportingField)
        return;
    // A dialog that is hidden or going away loses its focus too; it must not
    // raise boxes or take the focus back.
    const wxWindow *top = wxGetTopLevelParent(field);
    if (top == nullptr || !top->IsShown() || top->IsBeingDeleted())
        return;
    if (FitsAField(field->GetValue()))
        return;
    m_reportingField = true;
    ShowErrorBox("Ip field can be 255 maximum");
    m_reportingField = false;
    field->SetSelection(0, kFieldMaxLength);
    field->SetFocus();
}
