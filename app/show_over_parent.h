// Shows a dialog over the frame it belongs to under a window manager: placed
// over the frame and stacked above it, also when the frame is not on screen
// yet.
#ifndef ORV_APP_SHOW_OVER_PARENT_H
#define ORV_APP_SHOW_OVER_PARENT_H

class wxTopLevelWindow;

// In place of the dialog's first Show(). Its parent is the frame it was
// created for (the toolkit marks it transient for that frame).
void ShowOverParent(wxTopLevelWindow &dialog);

#endif
