#pragma once

#include <QImage>

// Sharpening of the brightness alone: the detail of the luma (Rec. 709) is
// raised by `sharpness` times its difference from a small Gaussian blur and
// the same amount is added to red, green and blue, so hues do not fringe.
namespace LuminanceSharpener {

// A sharpened copy of a 32-bit picture (RGB32, ARGB32, ARGB32 premultiplied);
// anything else, or a sharpness of 0, comes back unchanged.
QImage sharpened(const QImage& image, double sharpness);

} // namespace LuminanceSharpener
