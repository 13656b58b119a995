#include "ImageMetadata.h"

#include "ImagingLog.h"

#include <QFile>
#include <cmath>
#include <exiv2/exiv2.hpp>
#include <mutex>

namespace {

// Values longer than this (maker notes, embedded previews) are not listed.
constexpr long MaxListedValueSize = 1024;

void setUpExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The XMP toolkit must be set up once before threads use it.
        Exiv2::XmpParser::initialize();
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    });
}

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

double rational(const Exiv2::Exifdatum& datum)
{
    const Exiv2::Rational r = datum.toRational();
    return r.second ? double(r.first) / double(r.second) : 0.0;
}

} // namespace

struct ImageMetadata::Data {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    QByteArray icc;

    static std::shared_ptr<Data> read(Exiv2::Image& image);
};

ImageMetadata::ImageMetadata() = default;

std::shared_ptr<ImageMetadata::Data> ImageMetadata::Data::read(Exiv2::Image& image)
{
    image.readMetadata();
    auto data = std::make_shared<ImageMetadata::Data>();
    data->exif = image.exifData();
    data->iptc = image.iptcData();
    data->xmp = image.xmpData();
    if (image.iccProfileDefined()) {
        const Exiv2::DataBuf* icc = image.iccProfile();
        data->icc = QByteArray(reinterpret_cast<const char*>(icc->pData_), icc->size_);
    }
    return data;
}

ImageMetadata ImageMetadata::fromFile(const QString& path)
{
    setUpExiv2();
    ImageMetadata result;
    try {
        auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        if (image.get())
            result.d = Data::read(*image);
    } catch (const Exiv2::AnyError& e) {
        qCDebug(lcImaging) << "No metadata read from" << path << ":" << e.what();
    } catch (const std::exception& e) {
        qCDebug(lcImaging) << "No metadata read from" << path << ":" << e.what();
    }
    return result;
}

ImageMetadata ImageMetadata::fromData(const QByteArray& bytes)
{
    setUpExiv2();
    ImageMetadata result;
    if (bytes.isEmpty())
        return result;
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
        if (image.get())
            result.d = Data::read(*image);
    } catch (const Exiv2::AnyError& e) {
        qCDebug(lcImaging) << "No metadata read from the picture's bytes:" << e.what();
    } catch (const std::exception& e) {
        qCDebug(lcImaging) << "No metadata read from the picture's bytes:" << e.what();
    }
    return result;
}

bool ImageMetadata::isEmpty() const
{
    return !d || (d->exif.empty() && d->iptc.empty() && d->xmp.empty() && d->icc.isEmpty());
}

int ImageMetadata::orientation() const
{
    if (!d)
        return 0;
    try {
        auto it = d->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it != d->exif.end() && it->count() > 0)
            return int(it->toLong());
        auto x = d->xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
        if (x != d->xmp.end())
            return int(x->toLong());
    } catch (const std::exception&) {
    }
    return 0;
}

QByteArray ImageMetadata::iccProfile() const
{
    return d ? d->icc : QByteArray();
}

QVariantMap ImageMetadata::properties() const
{
    QVariantMap result;
    if (!d)
        return result;
    QVariantMap tiff, exif, gps, iptc, xmp;
    try {
        for (const Exiv2::Exifdatum& datum : d->exif) {
            if (datum.size() > MaxListedValueSize)
                continue;
            const QString group = text(datum.groupName());
            QVariantMap* target = group == QLatin1String("Image")     ? &tiff
                                  : group == QLatin1String("Photo")   ? &exif
                                  : group == QLatin1String("GPSInfo") ? &gps
                                                                      : nullptr;
            if (target)
                target->insert(text(datum.tagName()), text(datum.toString()));
            if (datum.key() == "Exif.Image.XResolution" && rational(datum) > 0)
                result.insert(QStringLiteral("DPIWidth"), rational(datum));
            if (datum.key() == "Exif.Image.YResolution" && rational(datum) > 0)
                result.insert(QStringLiteral("DPIHeight"), rational(datum));
        }
        for (const Exiv2::Iptcdatum& datum : d->iptc)
            if (datum.size() <= MaxListedValueSize)
                iptc.insert(text(datum.tagName()), text(datum.toString()));
        for (const Exiv2::Xmpdatum& datum : d->xmp)
            if (datum.size() <= MaxListedValueSize)
                xmp.insert(text(datum.key()), text(datum.toString()));
    } catch (const std::exception& e) {
        qCDebug(lcImaging) << "Metadata partly unreadable:" << e.what();
    }
    const auto put = [&](const char* key, const QVariantMap& map) {
        if (!map.isEmpty())
            result.insert(QString::fromLatin1(key), map);
    };
    put("{TIFF}", tiff);
    put("{Exif}", exif);
    put("{GPS}", gps);
    put("{IPTC}", iptc);
    put("{XMP}", xmp);
    return result;
}

QStringList ImageMetadata::removedKeys(bool jpeg)
{
    QStringList keys{
        // The picture is written upright and at its own size.
        "Exif.Image.Orientation", "Xmp.tiff.Orientation", "Exif.Photo.PixelXDimension",
        "Exif.Photo.PixelYDimension", "Xmp.exif.PixelXDimension", "Xmp.exif.PixelYDimension",
        "Exif.Image.ImageWidth", "Exif.Image.ImageLength", "Xmp.tiff.ImageWidth",
        "Xmp.tiff.ImageLength",
        // How the source file laid out its pixels.
        "Exif.Image.BitsPerSample", "Exif.Image.Compression",
        "Exif.Image.PhotometricInterpretation", "Exif.Image.StripOffsets",
        "Exif.Image.SamplesPerPixel", "Exif.Image.RowsPerStrip", "Exif.Image.StripByteCounts",
        "Exif.Image.PlanarConfiguration", "Exif.Image.TileWidth", "Exif.Image.TileLength",
        "Exif.Image.TileOffsets", "Exif.Image.TileByteCounts", "Exif.Image.SubIFDs",
        "Exif.Image.JPEGInterchangeFormat", "Exif.Image.JPEGInterchangeFormatLength",
        "Exif.Image.InterColorProfile", "Exif.Image.Predictor", "Exif.Image.ExtraSamples",
        "Exif.Image.SampleFormat", "Exif.Image.NewSubfileType"};
    if (jpeg)
        keys << "Exif.Image.XResolution"
             << "Exif.Image.YResolution"
             << "Exif.Image.ResolutionUnit"
             << "Xmp.tiff.XResolution"
             << "Xmp.tiff.YResolution"
             << "Xmp.tiff.ResolutionUnit";
    return keys;
}

QByteArray ImageMetadata::writtenInto(const QByteArray& encoded, const QStringList& removed,
                                      QString* error) const
{
    if (!d || (d->exif.empty() && d->iptc.empty() && d->xmp.empty()))
        return encoded;
    setUpExiv2();
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(encoded.constData()), long(encoded.size()));
        if (!image.get())
            return encoded;
        const int type = image->imageType();
        if (type != Exiv2::ImageType::jpeg && type != Exiv2::ImageType::png &&
            type != Exiv2::ImageType::jp2)
            return encoded;
        image->readMetadata();
        Exiv2::ExifData exif = d->exif;
        Exiv2::ExifThumb(exif).erase();
        Exiv2::XmpData xmp = d->xmp;
        for (const QString& key : removed) {
            const std::string k = key.toStdString();
            if (key.startsWith(QLatin1String("Exif."))) {
                auto it = exif.findKey(Exiv2::ExifKey(k));
                while (it != exif.end()) {
                    exif.erase(it);
                    it = exif.findKey(Exiv2::ExifKey(k));
                }
            } else if (key.startsWith(QLatin1String("Xmp."))) {
                auto it = xmp.findKey(Exiv2::XmpKey(k));
                if (it != xmp.end())
                    xmp.erase(it);
            }
        }
        image->setExifData(exif);
        image->setIptcData(d->iptc);
        image->setXmpData(xmp);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const long size = io.size();
        QByteArray result(size, Qt::Uninitialized);
        if (io.read(reinterpret_cast<Exiv2::byte*>(result.data()), size) != size)
            throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
        return result;
    } catch (const std::exception& e) {
        if (error)
            *error = QStringLiteral("its metadata could not be written: %1")
                         .arg(QString::fromLocal8Bit(e.what()));
        return encoded;
    }
}
