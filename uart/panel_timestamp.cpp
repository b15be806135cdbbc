#include "uart/panel_timestamp.h"

#include <wx/datetime.h>

wxString PanelTimestamp()
{
    return wxDateTime::UNow().Format("%c", wxDateTime::TimeZone(wxDateTime::Local));
}
