// The program's images: JPEG files under "icons/" in the working directory.
#ifndef ORV_APP_IMAGE_FILE_H
#define ORV_APP_IMAGE_FILE_H

#include <wx/bitmap.h>

// The image at `path`, or an empty bitmap when the file is missing or cannot
// be read. Nothing is logged: a missing image leaves its place empty instead
// of greeting the user with error boxes.
wxBitmap LoadImageFile(const wxString &path);

#endif
