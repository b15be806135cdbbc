// Keeps a dialog above the window it belongs to under a window manager, also
// when the dialog is shown before that window is on screen.
#ifndef ORV_APP_STAY_ABOVE_PARENT_H
#define ORV_APP_STAY_ABOVE_PARENT_H

class wxTopLevelWindow;

// Call before the dialog is shown. Its parent is the frame it was created
// for (wx marks it transient for that frame).
void StayAboveParent(wxTopLevelWindow &dialog);

#endif
