#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

// The metadata of an image file (Exif, IPTC, XMP and its colour profile) over
// exiv2: read from the source, and written into a newly encoded file less the
// entries that described the source's pixels rather than the picture.
class ImageMetadata {
public:
    // No metadata.
    ImageMetadata();

    // What the file or bytes carry; empty for a type exiv2 does not read or
    // for damaged metadata (the picture may still be fine).
    static ImageMetadata fromFile(const QString& path);
    static ImageMetadata fromData(const QByteArray& bytes);

    bool isEmpty() const;
    // The Exif (or else XMP) orientation as stored, 0 when there is none.
    int orientation() const;
    // The embedded ICC colour profile, empty when there is none.
    QByteArray iccProfile() const;
    // "DPIWidth", "DPIHeight" when known, and "{TIFF}", "{Exif}", "{GPS}",
    // "{IPTC}", "{XMP}": tag name → value as text (long binary values left out).
    QVariantMap properties() const;

    // The exiv2 keys of the entries that are left out of every written file:
    // orientation, pixel size and the source's layout (strips, tiles,
    // compression), and for JPEG the resolution too. The Exif thumbnail is
    // always left out as well.
    static QStringList removedKeys(bool jpeg);

    // `encoded` (a JPEG, PNG or JPEG 2000 file) with these metadata written
    // into it, less `removed`; its colour profile is its own. Other types, or
    // no metadata, give the bytes unchanged; a failure does too, with *error.
    QByteArray writtenInto(const QByteArray& encoded, const QStringList& removed,
                           QString* error = nullptr) const;

private:
    struct Data;
    std::shared_ptr<const Data> d;
};
