#include "app/frame_geometry.h"

FrameGeometry FrameGeometryFor(int displayHeight)
{
    if (displayHeight == 600)
        return {800, 570, true};
    return {800, 600, false};
}
