#include "ImageExtras.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace rv {

namespace {

QImage overlaid(const QImage& image, QColor color, double alpha)
{
    if (image.isNull())
        return {};
    QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    color.setAlphaF(float(alpha));
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(result.rect(), color);
    return result;
}

int widthForHeight(const QImage& image, int height)
{
    return std::max(1, int(std::lround(double(image.width()) * height / image.height())));
}

bool canScale(const QImage& image, int height)
{
    return !image.isNull() && image.height() > 0 && height > 0;
}

} // namespace

QImage normalizeSize(const QImage& image)
{
    QImage result = image;
    result.setDevicePixelRatio(1.0);
    return result;
}

QByteArray bestRepresentation(const QImage& image)
{
    const QByteArray format = QImageWriter::supportedImageFormats().contains("tiff")
                                  ? QByteArray("TIFF")
                                  : QByteArray("PNG");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format.constData()))
        return {};
    return bytes;
}

QImage dimmedImage(const QImage& image)
{
    return overlaid(image, Qt::white, 0.33);
}

QImage tintedImage(const QImage& image)
{
    return overlaid(image, Qt::black, 0.33);
}

QImage tintedImageWithColor(const QImage& image, const QColor& color)
{
    return overlaid(image, color, 0.5);
}

QImage tintedImageWithColor(const QImage& image)
{
    const QColor highlight = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                 ? QGuiApplication::palette().color(QPalette::Highlight)
                                 : QColor(0x30, 0x8c, 0xc6);
    return tintedImageWithColor(image, highlight);
}

QImage scaledImageWithHeight(const QImage& image, int height)
{
    if (!canScale(image, height))
        return {};
    const QImage source = normalizeSize(image);
    return workOnBitmap(source, height, widthForHeight(source, height));
}

QImage workOnBitmap(const QImage& bitmap, int height, int width)
{
    if (bitmap.isNull() || bitmap.depth() == 16 || height <= 0 || width <= 0)
        return {};
    return bitmap.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage altScaledImageWithHeight(const QImage& image, int height)
{
    if (!canScale(image, height))
        return {};
    const QImage source = normalizeSize(image);
    QImage result(widthForHeight(source, height), height, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.drawImage(result.rect(), source);
    return result;
}

bool hasAlpha(const QImage& image)
{
    return image.hasAlphaChannel();
}

QImage alphaImage(const QImage& image, double threshold)
{
    if (image.isNull())
        return {};
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage mask(source.size(), QImage::Format_ARGB32);
    const double limit = threshold * 255.0 - 1.0;
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = in[x];
            const double luma =
                std::rint(0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel));
            out[x] = luma < limit ? (pixel | 0xFF000000u) : 0u;
        }
    }
    return mask;
}

Color averageColor(const QImage& image)
{
    constexpr double alpha = 0.9;
    if (image.isNull())
        return Color(0, 0, 0, alpha);
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    double red = 0, green = 0, blue = 0;
    for (int y = 0; y < source.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            red += qRed(line[x]);
            green += qGreen(line[x]);
            blue += qBlue(line[x]);
        }
    }
    const double count = double(source.width()) * source.height() * 255.0;
    return Color(red / count, green / count, blue / count, alpha);
}

} // namespace rv
