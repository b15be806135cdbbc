// Acting on the connection dialog and its IP control as a user would.
#ifndef ORV_TESTS_APP_DIALOG_DRIVING_H
#define ORV_TESTS_APP_DIALOG_DRIVING_H

#include <vector>
#include <wx/string.h>

class NewDialog;
class wxIPCtrl;
class wxTextCtrl;
class wxWindow;

namespace testing_support {

// Clicks the button with `id` in `window` (the click event the button sends).
void ClickButton(wxWindow *window, int id);
// Makes `field` lose the focus the way the toolkit reports it.
void LeaveField(wxTextCtrl *field);
// Gives `field` the keyboard focus for simulated typing; false if it never
// arrives.
bool FocusForTyping(wxTextCtrl *field);
// The texts of the four fields, joined with "." as they stand.
wxString FieldTexts(const wxIPCtrl &ctrl);
void SetFields(wxIPCtrl &ctrl, const wxString &first, const wxString &second, const wxString &third,
               const wxString &fourth);
// The connection dialogs that are children of `parent`, in creation order.
std::vector<NewDialog *> NewDialogsOf(wxWindow *parent);

} // namespace testing_support

#endif
