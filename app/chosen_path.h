// The file a confirmed file dialog names.
#ifndef ORV_APP_CHOSEN_PATH_H
#define ORV_APP_CHOSEN_PATH_H

#include <wx/string.h>

class wxFileDialog;

// The dialog's full path. The GTK chooser may fill it in only later; then the
// directory and the name, which it sets at once, are joined instead. A full
// path typed as the name keeps its own folder either way.
wxString ChosenPath(const wxFileDialog &dialog);

#endif
