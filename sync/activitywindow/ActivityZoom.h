#pragma once

#include <QRect>

// The size the Activity window zooms to: tall enough for every row and as
// wide as the widest status line needs, kept on the screen.
//
// The rectangles count y upwards from the bottom of the screen (the top edge
// of a rectangle is y + height), so that "the top edge stays" reads plainly;
// fromScreen()/toScreen() convert Qt's downward rectangles.
namespace ActivityZoom {

// `window` is the window's frame, `listHeight` the height the list has in it,
// `screen` the area the window may use.
QRect standardFrame(const QRect& window, int listHeight, int requiredHeight, int requiredWidth,
                    const QRect& screen);

// Between Qt's rectangles (y downwards) and upward ones, both relative to a
// screen whose bottom edge lies at `screenBottom` in Qt's coordinates.
QRect fromScreen(const QRect& rect, int screenBottom);
QRect toScreen(const QRect& rect, int screenBottom);

} // namespace ActivityZoom
