// Pasting into a text field as the user's Ctrl+V does: through the
// clipboard, past the field's character filter.
#ifndef ORV_TESTS_CLIPBOARD_PASTE_H
#define ORV_TESTS_CLIPBOARD_PASTE_H

#include <wx/string.h>

class wxTextCtrl;

namespace testing_support {

// Puts `text` on the clipboard and pastes it into `field` at its insertion
// point; returns once the field has taken it (or refused it, after a second).
void PasteInto(wxTextCtrl *field, const wxString &text);

} // namespace testing_support

#endif
