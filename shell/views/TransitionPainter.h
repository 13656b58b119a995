#pragma once

#include <QImage>
#include <QSizeF>

class QPainter;

// Paints one frame of a view transition from the pictures of the initial and
// the final view. Dissolve, swipe, flip and cube are drawn as their geometry
// says; copy machine, flash, mod, page curl, ripple and zoom-and-dissolve,
// whose pictures depend on filters we cannot reproduce faithfully, dissolve.
namespace views {

enum TransitionStyle {
    CopyMachine = 0,
    Dissolve = 1,
    Flash = 2,
    Mod = 3,
    PageCurl = 4,
    Ripple = 5,
    Swipe = 6,
    Flip = 7,
    Cube = 8,
    ZoomDissolve = 9,
};

bool isTransitionStyle(int style);
// Whether `style` falls back to a dissolve.
bool dissolvesInstead(int style);

// Draws the frame at eased time t (0..1) into `canvas` (the host's size) at
// the painter's origin. The pictures are canvas-sized and upright.
void paintTransitionFrame(QPainter& painter, int style, double t, double direction,
                          const QImage& initial, const QImage& final, const QSizeF& canvas);

// The same frame as a picture of its own, transparent where nothing is drawn.
QImage transitionFrame(int style, double t, double direction, const QImage& initial,
                       const QImage& final, const QSize& canvas);

} // namespace views
