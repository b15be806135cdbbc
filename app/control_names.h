// Names for controls that show only a picture: a tooltip for the eye, and the
// same text as the accessible name that screen readers and test tools read.
#ifndef ORV_APP_CONTROL_NAMES_H
#define ORV_APP_CONTROL_NAMES_H

#include <wx/string.h>

class wxWindow;

void NameControl(wxWindow *control, const wxString &name);

// The picture buttons of the top row that both terminal panels have.
constexpr const char *kModifyButtonName = "Change connection parameters";
constexpr const char *kConnectButtonName = "Connect";
constexpr const char *kDisconnectButtonName = "Disconnect";

#endif
