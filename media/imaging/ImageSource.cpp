#include "ImageSource.h"

#include "Jpeg2000Codec.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Readers may allocate this much (MB): enough for the largest picture allowed.
constexpr int AllocationLimitMB = 1100;

// A view of the bytes of a file or buffer (mapped, not read).
struct Bytes {
    const uchar* data = nullptr;
    qint64 size = 0;
};

// A JPEG is complete when its markers lead to a scan and an end-of-image marker
// follows it. Entropy-coded data never holds FF D9, so finding one after the
// first scan means the file was not cut off.
bool jpegComplete(Bytes b)
{
    qint64 pos = 2;
    while (pos + 4 <= b.size) {
        if (b.data[pos] != 0xFF)
            return false;
        const uchar marker = b.data[pos + 1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        const qint64 length = (qint64(b.data[pos + 2]) << 8) | b.data[pos + 3];
        if (length < 2)
            return false;
        if (marker == 0xDA) {
            for (qint64 i = b.size - 2; i >= pos + 2 + length; --i)
                if (b.data[i] == 0xFF && b.data[i + 1] == 0xD9)
                    return true;
            return false;
        }
        pos += 2 + length;
    }
    return false;
}

// A PNG is complete when its chunks, one after the other, reach IEND.
bool pngComplete(Bytes b)
{
    qint64 pos = 8;
    while (pos + 12 <= b.size) {
        const quint32 length = qFromBigEndian<quint32>(b.data + pos);
        if (length > 0x7FFFFFFFu)
            return false;
        if (std::memcmp(b.data + pos + 4, "IEND", 4) == 0)
            return true;
        pos += 12 + qint64(length);
    }
    return false;
}

// Skips GIF data sub-blocks; the position after the terminator, or -1.
qint64 skipSubBlocks(Bytes b, qint64 pos)
{
    while (pos < b.size) {
        const uchar length = b.data[pos];
        if (length == 0)
            return pos + 1;
        pos += 1 + length;
    }
    return -1;
}

// A GIF is complete when its blocks reach the trailer.
bool gifComplete(Bytes b)
{
    if (b.size < 13)
        return false;
    qint64 pos = 13;
    const uchar flags = b.data[10];
    if (flags & 0x80)
        pos += 3 * (qint64(1) << ((flags & 7) + 1));
    while (pos < b.size) {
        const uchar block = b.data[pos];
        if (block == 0x3B)
            return true;
        if (block == 0x21) {
            pos = skipSubBlocks(b, pos + 2);
        } else if (block == 0x2C) {
            if (pos + 10 > b.size)
                return false;
            const uchar imageFlags = b.data[pos + 9];
            pos += 10;
            if (imageFlags & 0x80)
                pos += 3 * (qint64(1) << ((imageFlags & 7) + 1));
            pos = skipSubBlocks(b, pos + 1); // after the LZW code size
        } else {
            return false;
        }
        if (pos < 0)
            return false;
    }
    return false;
}

std::unique_ptr<QImageReader> readerFor(QIODevice* device)
{
    auto reader = std::make_unique<QImageReader>(device);
    reader->setDecideFormatFromContent(true);
    reader->setAutoTransform(false);
    reader->setAllocationLimit(AllocationLimitMB);
    return reader;
}

} // namespace

bool ImageSource::fail(const QString& reason)
{
    m_open = false;
    m_error = reason;
    m_decoded = QImage();
    return false;
}

bool ImageSource::openFile(const QString& path, qint64 maxPixels)
{
    *this = ImageSource();
    m_path = path;
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("The picture \"%1\" does not exist.").arg(path));
    if (!info.isFile())
        return fail(QStringLiteral("The picture \"%1\" is not a file.").arg(path));
    if (info.size() == 0)
        return fail(QStringLiteral("The picture \"%1\" is empty.").arg(path));
    return inspect(maxPixels);
}

bool ImageSource::openData(const QByteArray& bytes, qint64 maxPixels)
{
    *this = ImageSource();
    m_data = bytes;
    if (bytes.isEmpty())
        return fail(QStringLiteral("The picture is empty."));
    return inspect(maxPixels);
}

void ImageSource::openImage(const QImage& image)
{
    *this = ImageSource();
    if (image.isNull()) {
        fail(QStringLiteral("There is no picture."));
        return;
    }
    m_decoded = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    m_format = "tiff";
    m_size = image.size();
    m_alpha = image.hasAlphaChannel();
    m_open = true;
}

QByteArray ImageSource::bytes() const
{
    if (m_path.isEmpty())
        return m_data;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool ImageSource::inspect(qint64 maxPixels)
{
    const QString name = m_path.isEmpty() ? QStringLiteral("The picture")
                                          : QStringLiteral("The picture \"%1\"").arg(m_path);
    QFile file(m_path);
    QBuffer buffer(&m_data);
    QIODevice* device = &buffer;
    if (!m_path.isEmpty()) {
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("%1 could not be read: %2.").arg(name, file.errorString()));
        device = &file;
    } else {
        buffer.open(QIODevice::ReadOnly);
    }
    Bytes view;
    if (!m_path.isEmpty()) {
        view.data = file.map(0, file.size());
        view.size = file.size();
        if (!view.data)
            return fail(QStringLiteral("%1 could not be read: %2.").arg(name, file.errorString()));
    } else {
        view.data = reinterpret_cast<const uchar*>(m_data.constData());
        view.size = m_data.size();
    }
    const QByteArray head(reinterpret_cast<const char*>(view.data),
                          int(std::min<qint64>(view.size, 64)));

    const auto checkSize = [&](QSize size) {
        if (!size.isValid() || size.isEmpty())
            return fail(QStringLiteral("%1 has no readable size; it may be damaged.").arg(name));
        if (qint64(size.width()) * size.height() > maxPixels)
            return fail(QStringLiteral("%1 is %2 × %3 pixels, more than the %4 megapixels a "
                                       "picture may have; it was not opened.")
                            .arg(name)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(maxPixels / 1000000));
        m_size = size;
        return true;
    };

    if (Jpeg2000Codec::isJpeg2000(head)) {
        m_format = "jp2";
        const QByteArray all = bytes();
        QString why;
        if (!checkSize(Jpeg2000Codec::size(all, &why)))
            return false;
        m_decoded = Jpeg2000Codec::decode(all, &why);
        if (m_decoded.isNull())
            return fail(QStringLiteral("%1 could not be decoded: %2.").arg(name, why));
        if (m_decoded.hasAlphaChannel())
            m_decoded.convertTo(QImage::Format_ARGB32_Premultiplied);
        m_alpha = m_decoded.hasAlphaChannel();
        m_open = true;
        return true;
    }

    auto reader = readerFor(device);
    m_format = reader->format();
    if (m_format.isEmpty())
        return fail(QStringLiteral("%1 is of no picture type that can be read.").arg(name));
    if (!checkSize(reader->size()))
        return false;
    const QImage::Format pixelFormat = reader->imageFormat();
    // GIF holds nothing but palettes, whatever the reader makes of them.
    m_indexed = m_format == "gif" || pixelFormat == QImage::Format_Indexed8 ||
                pixelFormat == QImage::Format_Mono || pixelFormat == QImage::Format_MonoLSB;
    m_alpha = pixelFormat != QImage::Format_Invalid &&
              QImage::toPixelFormat(pixelFormat).alphaUsage() == QPixelFormat::UsesAlpha;

    bool complete = true;
    if (m_format == "jpeg")
        complete = jpegComplete(view);
    else if (m_format == "png")
        complete = pngComplete(view);
    else if (m_format == "gif")
        complete = gifComplete(view);
    else {
        // No cheap test of completeness: decode now, and keep the pixels.
        QImage image = reader->read();
        if (image.isNull())
            return fail(
                QStringLiteral("%1 could not be decoded: %2.").arg(name, reader->errorString()));
        m_alpha = image.hasAlphaChannel();
        m_decoded = image.convertToFormat(m_alpha ? QImage::Format_ARGB32_Premultiplied
                                                  : QImage::Format_RGB32);
    }
    if (!complete)
        return fail(QStringLiteral("%1 is cut short or damaged.").arg(name));
    m_open = true;
    return true;
}

QImage ImageSource::decode(QSize atLeast, QString* error) const
{
    if (!m_open) {
        if (error)
            *error = m_error;
        return {};
    }
    if (!m_decoded.isNull())
        return m_decoded;
    QFile file(m_path);
    QByteArray data = m_data;
    QBuffer buffer(&data);
    QIODevice* device = &buffer;
    if (!m_path.isEmpty()) {
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = file.errorString();
            return {};
        }
        device = &file;
    } else {
        buffer.open(QIODevice::ReadOnly);
    }
    auto reader = readerFor(device);
    if (m_format == "jpeg" && atLeast.isValid() && !atLeast.isEmpty()) {
        // The decoder shrinks by n/8 in its transform: the smallest n that
        // still gives at least the size asked for. Asking for the size rounded
        // down keeps Qt's choice of scale at that n.
        int n = 1;
        while (n < 8 && (std::floor(m_size.width() * n / 8.0) < atLeast.width() ||
                         std::floor(m_size.height() * n / 8.0) < atLeast.height()))
            ++n;
        if (n < 8)
            reader->setScaledSize(QSize(int(std::floor(m_size.width() * n / 8.0)),
                                        int(std::floor(m_size.height() * n / 8.0))));
    }
    QImage image = reader->read();
    if (image.isNull()) {
        if (error)
            *error = reader->errorString();
        return {};
    }
    const bool alpha = image.hasAlphaChannel();
    image.convertTo(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return image;
}
