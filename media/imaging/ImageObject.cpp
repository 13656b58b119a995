#include "ImageObject.h"

struct ImageObject::Data {
    int desiredHeight = 96;
    int desiredWidth = 112;
};

ImageObject::ImageObject(QObject* parent) : QObject(parent), d(std::make_unique<Data>()) {}
ImageObject::~ImageObject() = default;

bool ImageObject::setImagePath(const QString&)
{
    return false;
}
bool ImageObject::setImageData(const QByteArray&)
{
    return false;
}
bool ImageObject::iconForPath(const QString&)
{
    return false;
}
bool ImageObject::hasImage() const
{
    return false;
}
QString ImageObject::errorString() const
{
    return {};
}
QString ImageObject::imagePath() const
{
    return {};
}
const QStringList& ImageObject::supportedSaveTypes()
{
    static const QStringList types{"public.jpeg", "com.compuserve.gif", "public.png",
                                   "public.jpeg-2000", "com.adobe.pdf"};
    return types;
}
QString ImageObject::extensionForType(const QString&)
{
    return {};
}
QString ImageObject::mimeTypeForType(const QString&)
{
    return {};
}
bool ImageObject::supportsInterlace(const QString& type)
{
    return type == "public.png";
}
QString ImageObject::saveType() const
{
    return {};
}
void ImageObject::setSaveType(const QString&) {}
QString ImageObject::originalType() const
{
    return {};
}
bool ImageObject::utiChanged() const
{
    return true;
}
double ImageObject::quality() const
{
    return 0;
}
void ImageObject::setQuality(const QVariant&) {}
bool ImageObject::interlaced() const
{
    return false;
}
void ImageObject::setInterlaced(const QVariant&) {}
QByteArray ImageObject::indexedData() const
{
    return {};
}
QVariantMap ImageObject::metadata() const
{
    return {};
}
QVariantMap ImageObject::saveMetaAndOpts()
{
    return {};
}
QString ImageObject::saveWithFilename(const QString&, const QString&)
{
    return {};
}
QImage ImageObject::currentImage()
{
    return {};
}
QImage ImageObject::createImage()
{
    return {};
}
void ImageObject::setScales(bool, int, int) {}
bool ImageObject::scales() const
{
    return false;
}
double ImageObject::scale() const
{
    return 1;
}
void ImageObject::setSharpens(bool, double, double) {}
void ImageObject::setSharpenLuminance(bool, double) {}
bool ImageObject::sharpensLuminance() const
{
    return false;
}
double ImageObject::sharpness() const
{
    return 0;
}
QVariant ImageObject::sharpenRadius() const
{
    return {};
}
QVariant ImageObject::sharpenIntensity() const
{
    return {};
}
void ImageObject::setSharpenRadius(const QVariant&) {}
void ImageObject::setSharpenIntensity(const QVariant&) {}
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
QList<Profile> ImageObject::profiles()
{
    return {};
}
Profile ImageObject::profile() const
{
    return {};
}
void ImageObject::setProfile(const Profile&) {}
QByteArray ImageObject::colorCube() const
{
    return {};
}
int ImageObject::orientation() const
{
    return 1;
}
QTransform ImageObject::imageTransform() const
{
    return {};
}
int ImageObject::imageWidth() const
{
    return 0;
}
int ImageObject::imageHeight() const
{
    return 0;
}
int ImageObject::scaledWidth() const
{
    return 0;
}
int ImageObject::scaledHeight() const
{
    return 0;
}
