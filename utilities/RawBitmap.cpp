#include "RawBitmap.h"

#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <memory>

namespace {

QImage::Format packedFormat(const QImage& image)
{
    if (image.hasAlphaChannel())
        return QImage::Format_RGBA8888;
    if (image.isGrayscale())
        return QImage::Format_Grayscale8;
    return QImage::Format_RGB888;
}

} // namespace

int getBitmap(const char* path, RVBitmap* bitmap)
{
    if (!bitmap)
        return 0;
    *bitmap = RVBitmap{};
    QImageReader reader(path ? QString::fromUtf8(path) : QString());
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        std::puts("cannot read from file");
        std::fflush(stdout);
        return 0;
    }
    auto owner = std::make_unique<QImage>(image.convertToFormat(packedFormat(image)));
    bitmap->pixelsWide = owner->width();
    bitmap->pixelsHigh = owner->height();
    bitmap->bitsPerPixel = owner->depth();
    bitmap->bitsPerSample = 8;
    bitmap->bytesPerRow = int32_t(owner->bytesPerLine());
    bitmap->pixels = owner->bits();
    bitmap->hasAlpha = owner->hasAlphaChannel() ? 1 : 0;
    bitmap->owner = owner.release();
    return 1;
}

void releaseBitmap(RVBitmap* bitmap)
{
    if (!bitmap || !bitmap->owner)
        return;
    delete static_cast<QImage*>(bitmap->owner);
    *bitmap = RVBitmap{};
}
