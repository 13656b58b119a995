#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// Helpers of the image tests: the outside tools that make and check the test
// pictures (ImageMagick, exiftool, vips), and picture comparisons.
namespace plumet::test {

// The path of a tool, or empty when it is not installed. ImageMagick's
// convert is taken from /usr/bin first: that is the package's own.
QString imageTool(const QString& name);

// Runs a tool to its end; false with *output holding what it said when it
// could not start, failed, or took more than two minutes.
bool runImageTool(const QString& name, const QStringList& arguments, QString* output = nullptr,
                  const QByteArray& environment = {});

// Peak signal-to-noise ratio of two pictures' red, green and blue over the
// area both cover, in dB (99 for identical pictures).
double psnr(const QImage& a, const QImage& b);

// A picture with detail at every scale and no sharp edges to ring on: smooth
// gradients, soft rings and soft-edged discs, as a photo gives a scaler.
QImage photoLikePicture(int width, int height);

} // namespace plumet::test
