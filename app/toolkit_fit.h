// Fitting the fixed layouts to the toolkit's real widget sizes. The windows
// place their controls at the positions and sizes of their design; where a
// control cannot show its content at that size even with the application's
// style (app/gtk_style.h), it grows to the size it needs, and what it would
// then cover moves aside by the same amount, keeping order and alignment.
// The measuring and the adjustments live here; a window applies them to its
// own controls (the UART panel in uart/terminal_panel_fit.cpp).
#ifndef ORV_APP_TOOLKIT_FIT_H
#define ORV_APP_TOOLKIT_FIT_H

#include <vector>
#include <wx/gdicmn.h>

class NewDialog;
class wxStaticText;
class wxWindow;

namespace toolkit_fit {

// The size `control` needs to show its content whole: a single-line text
// field its longest allowed text (or its value when it has no limit); a
// scrolling view (multi-line text, list, grid) the size it has; any other
// control its best size.
wxSize ContentSize(wxWindow *control);
// Grows `control` to the size its content needs, never shrinking it.
void GrowToContent(wxWindow *control);
// Grows every child of `parent` but the panels and `keep`.
void GrowChildren(wxWindow *parent, const wxWindow *keep = nullptr);
// Grows the controls of a row, left to right, and pushes each one (with all
// after it) right as far as it takes to keep the design's gap to its left
// neighbour, at least a few pixels.
void FitRow(const std::vector<wxWindow *> &row);
// A caption whose first line alone is wider than its box: each of its
// `paragraphs` may break into `lines` lines (the last one shortened as the
// label's style says), and the box grows to hold them all.
void BreakCaptionLines(wxStaticText *caption, int paragraphs, int lines);

// The connection dialog: the IP error text beside the IP control, not over
// it, and the dialog wide enough for both error texts.
void FitConnectionDialog(NewDialog &dialog);
// A column of buttons with the ids firstId to lastId (those `parent` has)
// takes one width, the widest content's; returns how much wider it became,
// for what stands beside it to move over.
int FitButtonColumn(wxWindow *parent, int firstId, int lastId);

} // namespace toolkit_fit

#endif
