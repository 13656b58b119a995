#pragma once

// Where the mouse is, for C callers outside the Qt object world.

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RVPoint {
    double x;
    double y;
} RVPoint;

// The mouse position in the coordinates of the application's main window (the window
// with focus, else the first visible top-level window; the screen when there is none),
// stored in *location when given and returned. (0, 0) without a GUI application.
RVPoint getMouseLocation(RVPoint* location);

#ifdef __cplusplus
}
#endif
