// Size of the main frame for a given display, inside the window manager's
// decorations (menu bar, panels and status bar together): a display exactly
// 600 pixels high would hide the bottom of an 800 x 600 frame behind the
// desktop's panels, so there the frame is 30 pixels lower and starts
// maximised.
#ifndef ORV_APP_FRAME_GEOMETRY_H
#define ORV_APP_FRAME_GEOMETRY_H

struct FrameGeometry {
    int width;
    int height;
    bool maximized;
};

FrameGeometry FrameGeometryFor(int displayHeight);

#endif
