#include "app/image_file.h"

#include <wx/filefn.h>
#include <wx/log.h>

wxBitmap LoadImageFile(const wxString &path)
{
    if (!wxFileExists(path))
        return wxBitmap();
    const wxLogNull quiet;
    return wxBitmap(path, wxBITMAP_TYPE_JPEG);
}
