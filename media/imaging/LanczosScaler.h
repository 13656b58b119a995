#pragma once

#include <QImage>
#include <QSize>

// Separable Lanczos-3 resampling of 32-bit pictures (RGB32, ARGB32 and their
// premultiplied form; premultiplied is what keeps edges of transparent areas
// clean). The work is spread over the global thread pool by rows.
namespace LanczosScaler {

// Resamples `source` so that its full extent maps onto `scaleX` × `scaleY`
// times its size, and answers the top-left `outputSize` pixels of that (the
// edges are clamped, as if the border pixels went on). `source` must be one of
// the formats above; the answer has the same format. A null or empty input or
// output gives a null image.
QImage scaled(const QImage& source, double scaleX, double scaleY, QSize outputSize);

} // namespace LanczosScaler
