#pragma once

#include <QImage>
#include <QSize>

// The eight orientations a camera records (Exif and TIFF tag 274): how the
// stored pixels are turned to stand upright. 1 is upright already; 2 mirrored;
// 3 upside down; 4 mirrored upside down; 5 to 8 lie on their side (5 mirrored
// about the main diagonal, 6 to be turned a quarter clockwise, 7 mirrored
// about the other diagonal, 8 to be turned a quarter anticlockwise).
namespace ImageOrientation {

// The value itself when it lies in 1 to 8, else 1.
int normalized(int orientation);
// Whether the orientation swaps width and height (5 to 8).
bool swapsSides(int orientation);
// The upright size of a picture stored at `stored`.
QSize uprightSize(QSize stored, int orientation);
// The stored pixels turned upright. Any 32-bit format; the format is kept.
QImage upright(const QImage& stored, int orientation);

} // namespace ImageOrientation
