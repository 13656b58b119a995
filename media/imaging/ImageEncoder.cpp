#include "ImageEncoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <gif_lib.h>
#include <libimagequant.h>
#include <memory>
#include <png.h>
#include <vector>

namespace {

QByteArray failed(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return {};
}

void pngWrite(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void pngFlush(png_structp) {}

void pngError(png_structp png, png_const_charp message)
{
    auto* reason = static_cast<QString*>(png_get_error_ptr(png));
    if (reason)
        *reason = QString::fromLatin1(message);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

int gifWrite(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

QString gifReason(int code)
{
    const char* text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

struct LiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

} // namespace

QByteArray ImageEncoder::jpeg(const QImage& image, double quality, QString* error)
{
    return qtFormat(image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image,
                    "jpeg", quality, error);
}

QByteArray ImageEncoder::qtFormat(const QImage& image, const QByteArray& format, double quality,
                                  QString* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (quality > 0)
        writer.setQuality(std::clamp(int(std::lround(quality * 100)), 0, 100));
    if (!writer.write(image))
        return failed(error, writer.errorString());
    return bytes;
}

QByteArray ImageEncoder::png(const QImage& source, bool interlaced, QString* error)
{
    if (source.isNull())
        return failed(error, QStringLiteral("there is no picture"));
    const bool alpha = source.hasAlphaChannel();
    const QImage image =
        source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    QByteArray bytes;
    QString reason;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &reason, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return failed(error, QStringLiteral("the PNG encoder could not be set up"));
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        rows[size_t(y)] = const_cast<png_bytep>(image.constScanLine(y));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return failed(error, reason.isEmpty() ? QStringLiteral("the PNG encoder failed") : reason);
    }
    png_set_write_fn(png, &bytes, pngWrite, pngFlush);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    png_set_rows(png, info, rows.data());
    // The whole picture in memory: libpng writes the seven passes itself.
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

QByteArray ImageEncoder::gif(const QImage& source, QString* error)
{
    if (source.isNull())
        return failed(error, QStringLiteral("there is no picture"));
    const QImage image = source.convertToFormat(QImage::Format_RGBA8888);
    const int w = image.width();
    const int h = image.height();

    std::unique_ptr<liq_attr, LiqDeleter> attributes(liq_attr_create());
    if (!attributes)
        return failed(error, QStringLiteral("the colour quantiser could not be set up"));
    std::vector<const unsigned char*> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        rows[size_t(y)] = image.constScanLine(y);
    std::unique_ptr<liq_image, LiqDeleter> input(liq_image_create_rgba_rows(
        attributes.get(), reinterpret_cast<void**>(const_cast<unsigned char**>(rows.data())), w, h,
        0));
    liq_result* quantized = nullptr;
    if (!input || liq_image_quantize(input.get(), attributes.get(), &quantized) != LIQ_OK ||
        !quantized)
        return failed(error, QStringLiteral("the colours could not be reduced to a palette"));
    std::unique_ptr<liq_result, LiqDeleter> result(quantized);
    liq_set_dithering_level(result.get(), 1.0f);
    std::vector<unsigned char> indices(size_t(w) * size_t(h));
    if (liq_write_remapped_image(result.get(), input.get(), indices.data(), indices.size()) !=
        LIQ_OK)
        return failed(error, QStringLiteral("the colours could not be reduced to a palette"));
    const liq_palette* palette = liq_get_palette(result.get());

    // GIF palettes come in powers of two.
    int mapSize = 2;
    while (mapSize < int(palette->count))
        mapSize *= 2;
    std::vector<GifColorType> colours(size_t(mapSize), GifColorType{0, 0, 0});
    int transparent = -1;
    for (unsigned i = 0; i < palette->count; ++i) {
        colours[i] =
            GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
        if (palette->entries[i].a < 128 && transparent < 0)
            transparent = int(i);
    }
    if (transparent >= 0)
        for (unsigned i = 0; i < palette->count; ++i)
            if (palette->entries[i].a < 128)
                std::replace(indices.begin(), indices.end(), static_cast<unsigned char>(i),
                             static_cast<unsigned char>(transparent));

    QByteArray bytes;
    int code = 0;
    GifFileType* gif = EGifOpen(&bytes, gifWrite, &code);
    if (!gif)
        return failed(error, gifReason(code));
    const auto close = [&](const QString& reason) {
        int closeCode = 0;
        EGifCloseFile(gif, &closeCode);
        return failed(error, reason);
    };
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(mapSize, colours.data());
    if (!map)
        return close(QStringLiteral("there is not enough memory for it"));
    const bool described = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    if (!described)
        return close(gifReason(gif->Error));
    if (transparent >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = 0;
        control.TransparentColor = transparent;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) != GIF_OK)
            return close(gifReason(gif->Error));
    }
    if (EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) != GIF_OK)
        return close(gifReason(gif->Error));
    for (int y = 0; y < h; ++y)
        if (EGifPutLine(gif, indices.data() + size_t(y) * size_t(w), w) != GIF_OK)
            return close(gifReason(gif->Error));
    if (EGifCloseFile(gif, &code) != GIF_OK)
        return failed(error, gifReason(code));
    return bytes;
}

QByteArray ImageEncoder::pdf(const QImage& image, QString* error)
{
    if (image.isNull())
        return failed(error, QStringLiteral("there is no picture"));
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setPageSize(
            QPageSize(image.size(), QPageSize::Point, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer))
            return failed(error, QStringLiteral("the PDF could not be started"));
        painter.drawImage(QRect(QPoint(0, 0), image.size()), image);
        if (!painter.end())
            return failed(error, QStringLiteral("the PDF could not be finished"));
    }
    if (!bytes.startsWith("%PDF"))
        return failed(error, QStringLiteral("the PDF writer wrote nothing"));
    return bytes;
}
