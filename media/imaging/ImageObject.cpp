#include "ImageObject.h"

#include "AtomicFile.h"
#include "ColorConversion.h"
#include "ImageEncoder.h"
#include "ImageMetadata.h"
#include "ImageOrientation.h"
#include "ImageSource.h"
#include "ImageTypes.h"
#include "ImagingLog.h"
#include "Jpeg2000Codec.h"
#include "LanczosScaler.h"
#include "LuminanceSharpener.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeDatabase>
#include <cmath>
#include <optional>

namespace {

const QString Jpeg = QStringLiteral("public.jpeg");
const QString Gif = QStringLiteral("com.compuserve.gif");
const QString Png = QStringLiteral("public.png");
const QString Jpeg2000 = QStringLiteral("public.jpeg-2000");
const QString Pdf = QStringLiteral("com.adobe.pdf");
const QString Tiff = QStringLiteral("public.tiff");

// floor(length × scale), safe against a product that lands just below a whole number.
int scaledLength(int length, double scale)
{
    return int(std::floor(length * scale + 1e-7));
}

// CIUnsharpMask's and CISharpenLuminance's own defaults.
constexpr double DefaultRadius = 2.5;
constexpr double DefaultIntensity = 0.5;
constexpr double DefaultSharpness = 0.4;

} // namespace

struct ImageObject::Data {
    ImageSource source;
    QString path;
    QString error;
    ImageMetadata meta;
    QVariantMap metadata;
    int rawOrientation = 0;

    QString saveType;
    QString originalType;
    double quality = 0;
    bool interlaced = false;
    QByteArray indexedData;

    bool scales = false;
    double scale = 1;
    std::optional<double> sharpenRadius;
    std::optional<double> sharpenIntensity;
    bool luminance = false;
    double sharpness = DefaultSharpness;

    int desiredHeight = 96;
    int desiredWidth = 112;

    std::optional<QList<Profile>> profiles;
    Profile profile;
    QByteArray cube;

    std::optional<QImage> rendered;

    bool hasImage() const { return source.isOpen(); }
    int orientation() const { return ImageOrientation::normalized(rawOrientation); }
    QSize shownSize() const
    {
        return hasImage() ? ImageOrientation::uprightSize(source.size(), rawOrientation) : QSize();
    }
};

ImageObject::ImageObject(QObject* parent) : QObject(parent), d(std::make_unique<Data>()) {}

ImageObject::~ImageObject() = default;

// --- Loading

namespace {

QVariantMap propertiesOf(const ImageSource& source, const ImageMetadata& meta, int orientation)
{
    QVariantMap properties = meta.properties();
    properties.insert(QStringLiteral("PixelWidth"), source.size().width());
    properties.insert(QStringLiteral("PixelHeight"), source.size().height());
    if (orientation != 0)
        properties.insert(QStringLiteral("Orientation"), orientation);
    properties.insert(QStringLiteral("IsIndexed"), source.isIndexed());
    properties.insert(QStringLiteral("HasAlpha"), source.hasAlpha());
    properties.insert(QStringLiteral("ColorModel"), QStringLiteral("RGB"));
    const QByteArray icc = meta.iccProfile();
    if (!icc.isEmpty()) {
        const Profile profile = Profile::profileWithData(icc);
        if (profile.spaceType() == Profile::SpaceCMYK)
            properties.insert(QStringLiteral("ColorModel"), QStringLiteral("CMYK"));
        else if (profile.spaceType() == Profile::SpaceGray)
            properties.insert(QStringLiteral("ColorModel"), QStringLiteral("Gray"));
        if (!profile.description().isEmpty())
            properties.insert(QStringLiteral("ProfileName"), profile.description());
    }
    return properties;
}

} // namespace

bool ImageObject::setImagePath(const QString& path)
{
    auto fresh = std::make_unique<Data>();
    fresh->desiredHeight = d->desiredHeight;
    fresh->desiredWidth = d->desiredWidth;
    fresh->path = path;
    d = std::move(fresh);
    if (!d->source.openFile(path, MaxPixels)) {
        d->error = d->source.errorString();
        qCWarning(lcImaging).noquote() << d->error;
        return false;
    }
    d->meta = ImageMetadata::fromFile(path);
    d->rawOrientation = d->meta.orientation();
    d->metadata = propertiesOf(d->source, d->meta, d->rawOrientation);
    // Typed by what the file holds, whatever its name says.
    const QString type = ImageTypes::typeForFormat(d->source.format());
    d->saveType = type.isEmpty() ? Jpeg : type;
    if (supportedSaveTypes().contains(type))
        d->originalType = type;
    if (d->source.isIndexed()) {
        d->indexedData = d->source.bytes();
        if (d->indexedData.isEmpty()) {
            d->error = QStringLiteral("The picture \"%1\" could not be read.").arg(path);
            d->source = ImageSource();
            qCWarning(lcImaging).noquote() << d->error;
            return false;
        }
    }
    return true;
}

bool ImageObject::setImageData(const QByteArray& data)
{
    auto fresh = std::make_unique<Data>();
    fresh->desiredHeight = d->desiredHeight;
    fresh->desiredWidth = d->desiredWidth;
    d = std::move(fresh);
    if (!d->source.openData(data, MaxPixels)) {
        d->error = d->source.errorString();
        qCWarning(lcImaging).noquote() << d->error;
        return false;
    }
    d->meta = ImageMetadata::fromData(data);
    d->rawOrientation = d->meta.orientation();
    d->metadata = propertiesOf(d->source, d->meta, d->rawOrientation);
    d->saveType = Jpeg;
    return true;
}

bool ImageObject::iconForPath(const QString& path)
{
    auto fresh = std::make_unique<Data>();
    fresh->desiredHeight = d->desiredHeight;
    fresh->desiredWidth = d->desiredWidth;
    d = std::move(fresh);
    QImage icon;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(path);
        const QIcon themed =
            QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
        if (!themed.isNull())
            icon = themed.pixmap(128, 128).toImage();
    }
    if (icon.isNull()) {
        d->error = QStringLiteral("There is no icon for \"%1\".").arg(path);
        return false;
    }
    d->source.openImage(icon);
    d->metadata = propertiesOf(d->source, d->meta, 0);
    d->saveType = Tiff;
    return true;
}

bool ImageObject::hasImage() const
{
    return d->hasImage();
}

QString ImageObject::errorString() const
{
    return d->error;
}

QString ImageObject::imagePath() const
{
    return d->path;
}

// --- Types

const QStringList& ImageObject::supportedSaveTypes()
{
    static const QStringList types{Jpeg, Gif, Png, Jpeg2000, Pdf};
    return types;
}

QString ImageObject::extensionForType(const QString& type)
{
    return ImageTypes::extension(type);
}

QString ImageObject::mimeTypeForType(const QString& type)
{
    return ImageTypes::mimeType(type);
}

bool ImageObject::supportsInterlace(const QString& type)
{
    return type == Png;
}

QString ImageObject::saveType() const
{
    return d->saveType;
}

void ImageObject::setSaveType(const QString& type)
{
    if (!d->indexedData.isEmpty())
        return;
    d->saveType = type;
}

QString ImageObject::originalType() const
{
    return d->originalType;
}

bool ImageObject::utiChanged() const
{
    return d->originalType.isEmpty() || d->originalType != d->saveType;
}

double ImageObject::quality() const
{
    return d->quality;
}

void ImageObject::setQuality(const QVariant& quality)
{
    bool ok = false;
    const double value = quality.toDouble(&ok);
    d->quality = ok ? value : 0;
}

bool ImageObject::interlaced() const
{
    return d->interlaced;
}

void ImageObject::setInterlaced(const QVariant& interlaced)
{
    d->interlaced = interlaced.isValid() && interlaced.toBool();
}

QByteArray ImageObject::indexedData() const
{
    return d->indexedData;
}

QVariantMap ImageObject::metadata() const
{
    return d->metadata;
}

QVariantMap ImageObject::saveMetaAndOpts()
{
    // The metadata part is fixed by the source; the options follow the
    // settings of each save, so a later save with another quality or type
    // gets its own.
    QVariantMap options = d->metadata;
    const bool jpeg = d->saveType.contains(QLatin1String("jpeg"), Qt::CaseInsensitive);
    QVariantMap tiff = options.value(QStringLiteral("{TIFF}")).toMap();
    tiff.remove(QStringLiteral("Orientation"));
    if (jpeg) {
        tiff.remove(QStringLiteral("XResolution"));
        tiff.remove(QStringLiteral("YResolution"));
    }
    if (!tiff.isEmpty())
        options.insert(QStringLiteral("{TIFF}"), tiff);
    else
        options.remove(QStringLiteral("{TIFF}"));
    if (d->saveType == Png)
        options.insert(QStringLiteral("{PNG}"),
                       QVariantMap{{QStringLiteral("InterlaceType"), d->interlaced ? 1 : 0}});
    if (d->quality > 0)
        options.insert(QStringLiteral("LossyCompressionQuality"), d->quality);
    options.insert(QStringLiteral("ColorModel"), QStringLiteral("RGB"));
    options.remove(QStringLiteral("Orientation"));
    options.remove(QStringLiteral("DPIWidth"));
    options.remove(QStringLiteral("DPIHeight"));
    QVariantMap exif = options.value(QStringLiteral("{Exif}")).toMap();
    exif.remove(QStringLiteral("PixelXDimension"));
    exif.remove(QStringLiteral("PixelYDimension"));
    if (!exif.isEmpty())
        options.insert(QStringLiteral("{Exif}"), exif);
    else
        options.remove(QStringLiteral("{Exif}"));
    return options;
}

QString ImageObject::saveWithFilename(const QString& name, const QString& folder)
{
    const auto failed = [&](QString reason) {
        while (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        qCWarning(lcImaging).noquote()
            << QStringLiteral("The picture \"%1\" could not be saved as \"%2\": %3.")
                   .arg(d->path.isEmpty() ? QStringLiteral("(bytes)") : d->path, name, reason);
        return QString();
    };
    if (!d->hasImage())
        return failed(d->error.isEmpty() ? QStringLiteral("there is no picture") : d->error);
    const QString extension = extensionForType(d->saveType);
    if (extension.isEmpty())
        return failed(QStringLiteral("the type \"%1\" cannot be written").arg(d->saveType));
    if (folder.isEmpty() || name.isEmpty())
        return failed(QStringLiteral("there is no folder or name to save to"));
    const QString path = QDir(folder).filePath(name + QLatin1Char('.') + extension);
    QString why;
    if (!d->indexedData.isEmpty()) {
        // Indexed pictures go as they are: animations and palettes survive.
        if (!AtomicFile::write(path, d->indexedData, &why))
            return failed(why);
        return path;
    }
    const QImage image = currentImage();
    if (image.isNull())
        return failed(d->error.isEmpty() ? QStringLiteral("it could not be rendered") : d->error);
    QByteArray bytes;
    if (d->saveType == Jpeg)
        bytes = ImageEncoder::jpeg(image, d->quality, &why);
    else if (d->saveType == Png)
        bytes = ImageEncoder::png(image, d->interlaced, &why);
    else if (d->saveType == Gif)
        bytes = ImageEncoder::gif(image, &why);
    else if (d->saveType == Jpeg2000)
        bytes = Jpeg2000Codec::encode(image, d->quality, &why);
    else if (d->saveType == Pdf)
        bytes = ImageEncoder::pdf(image, &why);
    else
        bytes = ImageEncoder::qtFormat(image, ImageTypes::qtFormat(d->saveType), d->quality, &why);
    if (bytes.isEmpty())
        return failed(why.isEmpty() ? QStringLiteral("it could not be encoded") : why);
    QString metaError;
    bytes = d->meta.writtenInto(bytes, ImageMetadata::removedKeys(d->saveType == Jpeg), &metaError);
    if (!metaError.isEmpty())
        qCWarning(lcImaging).noquote()
            << QStringLiteral("The picture \"%1\" was saved without its metadata: %2.")
                   .arg(path, metaError);
    if (!AtomicFile::write(path, bytes, &why))
        return failed(why);
    return path;
}

// --- Rendering

QImage ImageObject::currentImage()
{
    if (!d->hasImage())
        return {};
    if (d->rendered)
        return *d->rendered;
    const int orientation = d->orientation();
    const QSize stored = d->source.size();
    const double scale = d->scales ? d->scale : 1.0;
    const QSize shown = d->shownSize();
    const QSize fullShown(scaledLength(shown.width(), scale), scaledLength(shown.height(), scale));
    const QSize output(scaledWidth(), scaledHeight());
    if (fullShown.isEmpty() || output.isEmpty()) {
        d->error = QStringLiteral("the picture would be scaled to nothing");
        return {};
    }
    const QSize target = ImageOrientation::uprightSize(fullShown, orientation);
    // Lanczos wants at least twice the pixels it gives; a JPEG decodes that much and no more.
    const QSize atLeast = scale < 0.5 ? target * 2 : QSize();
    QString why;
    QImage image = d->source.decode(atLeast, &why);
    if (image.isNull()) {
        d->error = QStringLiteral("it could not be decoded: %1").arg(why);
        qCWarning(lcImaging).noquote()
            << QStringLiteral("The picture \"%1\" %2.").arg(d->path, d->error);
        return {};
    }
    const QByteArray embedded =
        d->meta.iccProfile().isEmpty() ? image.colorSpace().iccProfile() : d->meta.iccProfile();
    if (image.size() != target) {
        // The one scale of both sides, from whatever size the decoder gave.
        image = LanczosScaler::scaled(image, scale * stored.width() / image.width(),
                                      scale * stored.height() / image.height(), target);
        if (image.isNull()) {
            d->error = QStringLiteral("there is not enough memory to scale it");
            return {};
        }
    }
    image = ImageOrientation::upright(image, orientation);
    if (image.size() != output)
        image = image.copy(QRect(QPoint(0, 0), output));
    QString colourError;
    image = ColorConversion::toSRgb(image, embedded, &colourError);
    if (!colourError.isEmpty())
        qCInfo(lcImaging).noquote()
            << QStringLiteral("The colours of \"%1\" were kept as they are: %2.")
                   .arg(d->path, colourError);
    if (d->luminance)
        image = LuminanceSharpener::sharpened(image, d->sharpness);
    d->rendered = image;
    return image;
}

QImage ImageObject::createImage()
{
    return currentImage();
}

void ImageObject::setScales(bool on, int width, int height)
{
    d->rendered.reset();
    if (on) {
        if (width > 0)
            setDesiredWidth(width);
        if (height > 0)
            setDesiredHeight(height);
        d->scales = true;
        if (d->hasImage()) {
            const QSize shown = d->shownSize();
            d->scale = width >= 1 ? double(width) / shown.width() : double(height) / shown.height();
            setSharpens(true, 1.25, 0.25);
            setSharpenLuminance(true, 0.45);
        }
    } else {
        setSharpens(false, 0.1, 0.1);
        setSharpenLuminance(false, 0.25);
        d->scales = false;
        d->scale = 1;
    }
}

bool ImageObject::scales() const
{
    return d->scales;
}

double ImageObject::scale() const
{
    return d->scales ? d->scale : 1.0;
}

void ImageObject::setSharpens(bool on, double radius, double intensity)
{
    if (!on) {
        d->sharpenRadius.reset();
        d->sharpenIntensity.reset();
        return;
    }
    d->sharpenRadius = radius;
    d->sharpenIntensity = intensity;
}

void ImageObject::setSharpenLuminance(bool on, double sharpness)
{
    d->rendered.reset();
    d->luminance = on;
    d->sharpness = on ? sharpness : DefaultSharpness;
}

bool ImageObject::sharpensLuminance() const
{
    return d->luminance;
}

double ImageObject::sharpness() const
{
    return d->luminance ? d->sharpness : 0.0;
}

QVariant ImageObject::sharpenRadius() const
{
    return d->sharpenRadius ? QVariant(*d->sharpenRadius) : QVariant();
}

QVariant ImageObject::sharpenIntensity() const
{
    return d->sharpenIntensity ? QVariant(*d->sharpenIntensity) : QVariant();
}

void ImageObject::setSharpenRadius(const QVariant& radius)
{
    if (radius.isNull() || !radius.isValid())
        return;
    if (!d->sharpenRadius) {
        d->sharpenRadius = DefaultRadius;
        d->sharpenIntensity = DefaultIntensity;
    }
    d->sharpenRadius = radius.toDouble();
}

void ImageObject::setSharpenIntensity(const QVariant& intensity)
{
    if (intensity.isNull() || !intensity.isValid())
        return;
    if (!d->sharpenIntensity) {
        d->sharpenRadius = DefaultRadius;
        d->sharpenIntensity = DefaultIntensity;
    }
    d->sharpenIntensity = intensity.toDouble();
}

int ImageObject::desiredHeight() const
{
    return d->desiredHeight;
}

int ImageObject::desiredWidth() const
{
    return d->desiredWidth;
}

void ImageObject::setDesiredHeight(int height)
{
    d->desiredHeight = height;
    emit desiredHeightChanged(height);
}

void ImageObject::setDesiredWidth(int width)
{
    d->desiredWidth = width;
    emit desiredWidthChanged(width);
}

// --- Soft proofing

QList<Profile> ImageObject::profiles()
{
    if (!d->profiles) {
        QList<Profile> offered;
        for (const Profile& profile : Profile::arrayOfAllProfiles()) {
            const quint32 space = profile.spaceType();
            const quint32 kind = profile.classType();
            if ((space == Profile::SpaceRGB || space == Profile::SpaceCMYK ||
                 space == Profile::SpaceGray) &&
                (kind == Profile::ClassDisplay || kind == Profile::ClassOutput) &&
                !profile.description().isEmpty())
                offered << profile;
        }
        d->profiles = offered;
    }
    return *d->profiles;
}

Profile ImageObject::profile() const
{
    return d->profile;
}

void ImageObject::setProfile(const Profile& profile)
{
    if (!profile.isValid()) {
        d->profile = Profile();
        d->cube.clear();
        return;
    }
    if (d->profile.isValid() && d->profile == profile && !d->cube.isEmpty())
        return;
    d->profile = profile;
    d->cube = profile.dataForCISoftproofTextureWithGridSize(32);
}

QByteArray ImageObject::colorCube() const
{
    return d->cube;
}

// --- Geometry

int ImageObject::orientation() const
{
    return d->orientation();
}

QTransform ImageObject::imageTransform() const
{
    const qreal w = d->hasImage() ? d->source.size().width() : 0;
    const qreal h = d->hasImage() ? d->source.size().height() : 0;
    switch (d->orientation()) {
    case 2:
        return QTransform(-1, 0, 0, 1, w, 0);
    case 3:
        return QTransform(-1, 0, 0, -1, w, h);
    case 4:
        return QTransform(1, 0, 0, -1, 0, h);
    case 5:
        return QTransform(0, -1, -1, 0, h, w);
    case 6:
        return QTransform(0, -1, 1, 0, 0, w);
    case 7:
        return QTransform(0, 1, 1, 0, 0, 0);
    case 8:
        return QTransform(0, 1, -1, 0, h, 0);
    default:
        return QTransform();
    }
}

int ImageObject::imageWidth() const
{
    return d->shownSize().width() > 0 ? d->shownSize().width() : 0;
}

int ImageObject::imageHeight() const
{
    return d->shownSize().height() > 0 ? d->shownSize().height() : 0;
}

int ImageObject::scaledWidth() const
{
    if (!d->hasImage())
        return 0;
    if (!d->scales)
        return imageWidth();
    const int length = scaledLength(imageWidth(), d->scale);
    return length % 2 ? length - 1 : length;
}

int ImageObject::scaledHeight() const
{
    if (!d->hasImage())
        return 0;
    if (!d->scales)
        return imageHeight();
    const int length = scaledLength(imageHeight(), d->scale);
    return length % 2 ? length - 1 : length;
}
