#pragma once

#include "Color.h"

#include <QByteArray>
#include <QColor>
#include <QImage>

// Toolbar and list images: dimmed, tinted, scaled and masked forms. Every function
// returns a new image and leaves its argument alone.
namespace rv {

// The image at one pixel per point (device pixel ratio 1).
QImage normalizeSize(const QImage& image);
// The encoded image: TIFF when a TIFF writer is installed, PNG otherwise.
QByteArray bestRepresentation(const QImage& image);

// The disabled look: white at alpha 0.33 laid over the image's own pixels only.
QImage dimmedImage(const QImage& image);
// The pressed look: black at alpha 0.33 laid over the image's own pixels only.
QImage tintedImage(const QImage& image);
// The selected look: the colour at alpha 0.5 laid over the image's own pixels only.
QImage tintedImageWithColor(const QImage& image, const QColor& color);
// Same with the desktop's selection (highlight) colour.
QImage tintedImageWithColor(const QImage& image);

// The image scaled to the height, its aspect kept; a null image when there is
// nothing to scale or the height is not positive.
QImage scaledImageWithHeight(const QImage& image, int height);
// Same, drawn with antialiasing and smooth interpolation onto a transparent canvas.
QImage altScaledImageWithHeight(const QImage& image, int height);
// The bitmap's pixels redrawn smoothly at the given size (aspect not kept). A null image
// for a 16-bit-per-pixel bitmap, a null bitmap or a size that is not positive.
QImage workOnBitmap(const QImage& bitmap, int height, int width);

bool hasAlpha(const QImage& image);
// A mask of the same size: a pixel whose luma rint(0.299 r + 0.587 g + 0.114 b)
// (bytes) is below threshold * 255 - 1 keeps its colour, opaque; every other pixel
// becomes transparent black. threshold runs from 0 to 1.
QImage alphaImage(const QImage& image, double threshold);
// The mean red, green and blue over all pixels, with alpha 0.9.
Color averageColor(const QImage& image);

} // namespace rv
