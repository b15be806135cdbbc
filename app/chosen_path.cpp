#include "app/chosen_path.h"

#include <wx/filedlg.h>
#include <wx/filename.h>

wxString ChosenPath(const wxFileDialog &dialog)
{
    const wxString path = dialog.GetPath();
    if (!path.empty())
        return path;
    return wxFileName(dialog.GetDirectory(), dialog.GetFilename()).GetFullPath();
}
