#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// JPEG 2000 over OpenJPEG: the JP2 file form and bare code streams are read,
// the JP2 form is written. Qt has no handler of its own for either.
namespace Jpeg2000Codec {

// Whether the bytes begin like a JP2 file or a JPEG 2000 code stream.
bool isJpeg2000(const QByteArray& head);

// The picture's size from its header alone; invalid when unreadable.
QSize size(const QByteArray& bytes, QString* error = nullptr);

// The decoded picture (RGB32, or ARGB32 with a fourth component); null with
// *error set when it cannot be decoded.
QImage decode(const QByteArray& bytes, QString* error = nullptr);

// A JP2 file of `image`. `quality` 0–1: 0 or 1 is lossless, below 1 lossy at a
// compression ratio that grows as the quality falls. Empty on failure.
QByteArray encode(const QImage& image, double quality, QString* error = nullptr);

} // namespace Jpeg2000Codec
