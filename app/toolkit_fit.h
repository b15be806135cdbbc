// Fitting the fixed layouts to the toolkit's real widget sizes. The windows
// place their controls at the positions and sizes of their design; where a
// control cannot show its content at that size even with the application's
// style (app/gtk_style.h), it grows to the size it needs, and what it would
// then cover moves aside by the same amount, keeping order and alignment.
// Every such adjustment lives here, computed from measured sizes.
#ifndef ORV_APP_TOOLKIT_FIT_H
#define ORV_APP_TOOLKIT_FIT_H

#include <wx/gdicmn.h>

class ModbusTerminalPanel;
class NewDialog;
class TerminalPanel;
class wxWindow;

namespace toolkit_fit {

// The size `control` needs to show its content whole: a single-line text
// field its longest allowed text (or its value when it has no limit); a
// scrolling view (multi-line text, list, grid) the size it has; any other
// control its best size.
wxSize ContentSize(wxWindow *control);

// The connection dialog: the IP error text beside the IP control, not over
// it, and the dialog wide enough for both error texts.
void FitConnectionDialog(NewDialog &dialog);
// The UART panel: the receive column's header, the media group and the
// periodic-send rows.
void FitTerminalPanel(TerminalPanel &panel);
// The Modbus panel: one width for the whole column of function buttons, and
// the place of the forms beside it (ModbusTerminalPanel::m_formLeft).
void FitModbusPanel(ModbusTerminalPanel &panel);

} // namespace toolkit_fit

#endif
