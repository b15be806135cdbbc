// Names for controls that show only a picture: a tooltip for the eye, and the
// same text as the accessible name that screen readers and test tools read.
#ifndef ORV_APP_CONTROL_NAMES_H
#define ORV_APP_CONTROL_NAMES_H

#include <wx/string.h>

class wxWindow;

void NameControl(wxWindow *control, const wxString &name);

#endif
