// A picture attached to a post can be any file: reading it, turning it
// upright, scaling it to a thumbnail and writing it must never crash, and a
// picture it answers for has the size it says.
#include "ImageObject.h"

#include <QByteArray>
#include <QImage>
#include <QVariantMap>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ImageObject picture;
    if (!picture.setImageData(bytes)) {
        if (picture.errorString().isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    // A header may name any size up to the cap; the run decodes only small ones.
    const QVariantMap properties = picture.metadata();
    const qint64 pixels = properties.value(QStringLiteral("PixelWidth")).toLongLong() *
                          properties.value(QStringLiteral("PixelHeight")).toLongLong();
    if (pixels <= 0 || pixels > 4'000'000)
        return 0;
    picture.setScales(true, 0, 24);
    const QImage shown = picture.currentImage();
    if (!shown.isNull() && (shown.width() % 2 != 0 || shown.height() % 2 != 0) &&
        shown.width() > 1 && shown.height() > 1)
        std::abort(); // scaled pictures are cropped to even sizes
    return 0;
}
