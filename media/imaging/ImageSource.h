#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The file (or bytes) an image processor reads: its type by content, its
// stored size from the header, and its pixels on demand. Opening checks that
// the file is complete and of a sane size without decoding the pixels (JPEG,
// PNG, GIF), or by decoding them once (other types), so that a truncated,
// empty or oversized file is refused with a reason before anyone relies on it.
class ImageSource {
public:
    ImageSource() = default;

    // False with errorString() when there is no usable picture.
    bool openFile(const QString& path, qint64 maxPixels);
    bool openData(const QByteArray& bytes, qint64 maxPixels);
    // A picture made elsewhere (an icon).
    void openImage(const QImage& image);

    bool isOpen() const { return m_open; }
    QString errorString() const { return m_error; }
    // Qt's name of the content's format ("jpeg", "png", "gif", "jp2", "tiff", …).
    QByteArray format() const { return m_format; }
    QSize size() const { return m_size; }
    bool isIndexed() const { return m_indexed; }
    bool hasAlpha() const { return m_alpha; }
    // All the bytes of the file (read again from a file source).
    QByteArray bytes() const;

    // The pixels, as RGB32 or ARGB32 premultiplied. `atLeast` (stored
    // orientation) lets a JPEG be decoded at the smallest of its reduced sizes
    // that is still at least that large; an invalid size decodes in full. The
    // size of the answer may therefore be smaller than size().
    QImage decode(QSize atLeast, QString* error) const;

private:
    bool inspect(qint64 maxPixels);
    bool fail(const QString& reason);

    QString m_path;
    QByteArray m_data; // bytes of a data source
    QImage m_decoded;  // kept when opening had to decode anyway
    QByteArray m_format;
    QSize m_size;
    bool m_open = false;
    bool m_indexed = false;
    bool m_alpha = false;
    QString m_error;
};
