#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Encoders of rendered pictures into the bytes of a file, one per type a blog
// takes. They only encode: the metadata are added afterwards and the file is
// written by the caller.
namespace ImageEncoder {

// JPEG at `quality` 0–1 (0: the encoder's default).
QByteArray jpeg(const QImage& image, double quality, QString* error = nullptr);
// PNG, Adam7-interlaced when asked (Qt's writer cannot interlace), tagged sRGB.
QByteArray png(const QImage& image, bool interlaced, QString* error = nullptr);
// A GIF of one frame: the colours reduced to a palette of at most 256,
// dithered; pixels less than half opaque become the transparent colour.
QByteArray gif(const QImage& image, QString* error = nullptr);
// A PDF of one page the size of the picture (one pixel to the point).
QByteArray pdf(const QImage& image, QString* error = nullptr);
// Any other format Qt writes ("tiff", "bmp", …).
QByteArray qtFormat(const QImage& image, const QByteArray& format, double quality,
                    QString* error = nullptr);

} // namespace ImageEncoder
