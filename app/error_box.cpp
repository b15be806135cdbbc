#include "app/error_box.h"

#include <wx/msgdlg.h>

void ShowErrorBox(const wxString &message)
{
    wxMessageBox(message, "Error", wxOK | wxICON_ERROR);
}
