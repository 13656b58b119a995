#pragma once

#include "Profile.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTransform>
#include <QVariant>
#include <QVariantMap>
#include <memory>

// A headless image processor: loads one image (the first of its file), keeps its
// metadata, renders it upright, scaled (Lanczos-3, even sizes) and sharpened, in
// sRGB, and writes the result in one of the types a blog takes. The source is
// decoded only when the result is asked for, and then at the smallest size that
// still gives a sharp result, so a processor on a large photo is cheap to keep.
//
// Types are uniform type identifiers: "public.jpeg", "com.compuserve.gif",
// "public.png", "public.jpeg-2000", "com.adobe.pdf" are written.
class ImageObject : public QObject {
    Q_OBJECT

public:
    // A source larger than this (from its header) is refused, never decoded.
    static constexpr qint64 MaxPixels = 250'000'000;

    // No image; desiredHeight 96, desiredWidth 112.
    explicit ImageObject(QObject* parent = nullptr);
    ~ImageObject() override;

    // --- Loading. Each answers whether an image is there afterwards; on
    // failure errorString() says why and the processor has no image.

    // The image in the file at `path`, typed by its content (not its name).
    bool setImagePath(const QString& path);
    // An image given as bytes; the save type becomes "public.jpeg".
    bool setImageData(const QByteArray& data);
    // The desktop's icon for the file's type, rendered at 128 pixels; the save
    // type becomes "public.tiff".
    bool iconForPath(const QString& path);

    bool hasImage() const;
    // Why the last load gave no image, in words for the log; empty after success.
    QString errorString() const;
    // The path given to setImagePath(), or empty.
    QString imagePath() const;

    // --- Types.

    // The types written, in the order above; built once.
    static const QStringList& supportedSaveTypes();
    // The file-name extension of a type ("jpeg" for JPEG, "gif", "png", "jp2",
    // "pdf", "tiff"); empty for an unknown type.
    static QString extensionForType(const QString& type);
    // The MIME type of a type ("image/jpeg", …); empty for an unknown type.
    static QString mimeTypeForType(const QString& type);
    // Whether interlacing means anything for the type: only PNG.
    static bool supportsInterlace(const QString& type);

    QString saveType() const;
    // Ignored while indexedData() is set (indexed sources are written as they
    // are); an empty type clears it.
    void setSaveType(const QString& type);
    // The source's own type when it is one of supportedSaveTypes(), else empty.
    QString originalType() const;
    // True when originalType() is empty or differs from saveType().
    bool utiChanged() const;

    // Lossy compression quality, 0–1; 0 means not set (the writer's default).
    // A null or non-numeric value gives 0.
    double quality() const;
    void setQuality(const QVariant& quality);
    // PNG interlacing (Adam7). A null value gives false.
    bool interlaced() const;
    void setInterlaced(const QVariant& interlaced);

    // The source file's bytes when its pixels are indexed colour (GIF, palette
    // PNG): such files are written byte for byte, never re-encoded.
    QByteArray indexedData() const;

    // The source's properties: "PixelWidth", "PixelHeight" (as stored),
    // "Orientation" (only when the file has one), "IsIndexed", "HasAlpha",
    // "ColorModel", "ProfileName" (of an embedded profile), "DPIWidth",
    // "DPIHeight", and the sub-dictionaries "{Exif}", "{TIFF}", "{IPTC}" and
    // "{XMP}" (key → text) of the metadata found.
    QVariantMap metadata() const;
    // The metadata and options a save uses, built on the first call and kept:
    // a copy of metadata() less the orientation, resolution and pixel-size
    // entries (the written image has its own), with "{PNG}"/"InterlaceType",
    // "LossyCompressionQuality" and "ColorModel" = "RGB".
    QVariantMap saveMetaAndOpts();

    // Renders and writes the image into `folder` (the media cache) as
    // name.extension of the save type; answers the path, or empty on failure
    // (the reason logged). Indexed sources are written as their bytes. The
    // metadata go along as saveMetaAndOpts() keeps them. Atomic.
    QString saveWithFilename(const QString& name, const QString& folder);

    // --- Rendering.

    // The rendered image (upright, scaled, cropped, sharpened, sRGB); null
    // without an image.
    QImage currentImage();
    // The same picture, for showing (list rows, previews).
    QImage createImage();

    // Scaling on: width > 0 sets desiredWidth, height > 0 desiredHeight; the
    // scale is width ÷ imageWidth when width ≥ 1, else height ÷ imageHeight;
    // luminance sharpening 0.45 and the unsharp mask (1.25, 0.25) come on.
    // Off: scaling and both sharpenings go.
    void setScales(bool on, int width, int height);
    bool scales() const;
    // The scale factor in use, 1 without scaling.
    double scale() const;

    // The unsharp-mask settings (kept and reported; not applied to the picture).
    void setSharpens(bool on, double radius, double intensity);
    // Luminance-only sharpening of the scaled picture.
    void setSharpenLuminance(bool on, double sharpness);
    bool sharpensLuminance() const;
    double sharpness() const;
    // The unsharp mask's settings, null without it.
    QVariant sharpenRadius() const;
    QVariant sharpenIntensity() const;
    // A null value is ignored; otherwise the unsharp mask comes on with it.
    void setSharpenRadius(const QVariant& radius);
    void setSharpenIntensity(const QVariant& intensity);

    int desiredHeight() const;
    int desiredWidth() const;
    void setDesiredHeight(int height);
    void setDesiredWidth(int width);

    // --- Soft proofing (the cube is built and kept, not applied).

    // The RGB, CMYK and grey display and output profiles that have a
    // description; built on first use.
    QList<Profile> profiles();
    Profile profile() const;
    // A new profile builds its 32-point colour cube; an invalid one drops it.
    void setProfile(const Profile& profile);
    // The cube of the chosen profile, empty without one.
    QByteArray colorCube() const;

    // --- Geometry.

    // The file's orientation (1–8); anything else counts as 1.
    int orientation() const;
    // The affine transform (a, b, c, d, tx, ty) that turns the stored pixels
    // upright, in y-up coordinates with w, h the stored size.
    QTransform imageTransform() const;
    // The size as shown: stored width and height, swapped for orientations 5–8.
    // 0 without an image.
    int imageWidth() const;
    int imageHeight() const;
    // The rendered size: the shown size without scaling; with it
    // floor(size × scale), one less when odd. 0 without an image.
    int scaledWidth() const;
    int scaledHeight() const;

signals:
    void desiredHeightChanged(int height);
    void desiredWidthChanged(int width);

private:
    struct Data;
    std::unique_ptr<Data> d;
};
