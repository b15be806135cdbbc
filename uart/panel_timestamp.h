// The timestamp of the lines the UART panel writes and of the link's state:
// the current time in the machine's local time zone, daylight saving
// included, as the C library's date and time representation ("%c").
#ifndef ORV_UART_PANEL_TIMESTAMP_H
#define ORV_UART_PANEL_TIMESTAMP_H

#include <wx/string.h>

wxString PanelTimestamp();

#endif
