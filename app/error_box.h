// The program's error box: modal, no parent, caption "Error", OK, error icon.
#ifndef ORV_APP_ERROR_BOX_H
#define ORV_APP_ERROR_BOX_H

#include <wx/string.h>

void ShowErrorBox(const wxString &message);

#endif
