// Scrolling a multi-line text control to a line, which the toolkit's own
// interface can only bring into view somewhere.
#ifndef ORV_APP_TEXT_VIEW_SCROLL_H
#define ORV_APP_TEXT_VIEW_SCROLL_H

class wxTextCtrl;

// Scrolls `view` so that the line holding `position` is its top line, once
// the toolkit has laid the text out that far.
void ScrollLineToTop(wxTextCtrl *view, long position);

#endif
