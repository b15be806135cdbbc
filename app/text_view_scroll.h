// What the toolkit's own interface to a multi-line text control lacks:
// scrolling a line to the top, and hearing of the user dragging its scroll
// bar.
#ifndef ORV_APP_TEXT_VIEW_SCROLL_H
#define ORV_APP_TEXT_VIEW_SCROLL_H

#include <functional>

class wxTextCtrl;

// Scrolls `view` so that the line holding `position` is its top line, once
// the toolkit has laid the text out that far.
void ScrollLineToTop(wxTextCtrl *view, long position);

// Calls `changed` with true when the user takes hold of the view's vertical
// scroll bar with the mouse and with false when they let it go, for as long
// as the view lives.
void WatchScrollBarGrab(wxTextCtrl *view, std::function<void(bool held)> changed);

#endif
