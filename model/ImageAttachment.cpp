#include "ImageAttachment.h"

#include "ImageObject.h"
#include "MediaCache.h"
#include "ModelLog.h"
#include "RecordArchiving.h"
#include "StringExtensions.h"
#include "Template.h"
#include "WebPicture.h"

#include <QFileInfo>

using StoredValue::fromOptional;
using StoredValue::fromText;

namespace {

constexpr int AutomaticScaleLimit = 480;

} // namespace

ImageAttachment::ImageAttachment(QObject* parent) : MediaAttachment(parent) {}

ImageAttachment::~ImageAttachment()
{
    // The converted copy belongs to this attachment and goes with it.
    if (!m_cachedPath.isEmpty())
        MediaCache::removeOwnedFile(m_cachedPath);
}

void ImageAttachment::initWithPath(const QString& path)
{
    Attachment::initWithPath(path);
    setFileType(ImageFile);
    setThumbQuality(0.9);
    setThumbSuffix(QStringLiteral("-tm"));
    setThumbHeight(100);
}

// --- files ---

void ImageAttachment::setFilePath(const QString& path)
{
    // Pictures of another file are of no use any more.
    m_image.reset();
    dropThumbObject();
    m_unreadablePath.clear();
    if (path.isEmpty()) {
        // Only the cache copy this attachment made goes; a stored path naming
        // anything else leaves that file where it is.
        if (!filePath().isEmpty())
            MediaCache::removeOwnedFile(filePath());
        Attachment::setFilePath(QString());
        return;
    }
    const QString cache = MediaCache::folder();
    const QString suffix = QFileInfo(path).suffix();
    const QString target = cache.isEmpty() ? QString()
                                           : cache + u'/' + uniqueID() +
                                                 (suffix.isEmpty() ? QString() : u'.' + suffix);
    if (target.isEmpty() || path == target) {
        Attachment::setFilePath(path);
        return;
    }
    if (!QFileInfo(path).isFile()) {
        // Nothing to copy: keep the path, which at least says what was attached.
        qCInfo(lcModel) << "Attached picture" << path << "is missing; not copied into the cache.";
        Attachment::setFilePath(path);
        return;
    }
    QString error;
    if (!MediaCache::copyFile(path, target, &error)) {
        // Keeping the source's path keeps the picture: a path to a cache file
        // that was never written would lose the attachment at the next start.
        qCWarning(lcModel) << "Could not copy the attached picture into the cache:" << error;
        Attachment::setFilePath(path);
        return;
    }
    Attachment::setFilePath(target);
}

QString ImageAttachment::cachedPath() const
{
    if (!m_cachedPath.isEmpty() && QFileInfo::exists(m_cachedPath))
        return m_cachedPath;
    if (filePath().isEmpty())
        return m_cachedPath;
    ImageObject* picture = image();
    if (!picture)
        return {};
    applySaveSettings(*picture);
    const QString made = picture->saveWithFilename(MediaCache::newFileName(), MediaCache::folder());
    if (made.isEmpty())
        qCWarning(lcModel) << "Could not write the converted copy of" << fileName();
    if (!made.isEmpty()) {
        m_cachedPath = made;
        countQuietChange();
    }
    return made;
}

void ImageAttachment::setCachedPath(const QString& path)
{
    if (!m_cachedPath.isEmpty() && m_cachedPath != path)
        MediaCache::removeOwnedFile(m_cachedPath);
    m_cachedPath = path;
    Attachment::setCachedPath(path); // announces
}

// --- the picture ---

namespace {

const char* const saveTypes[] = {"public.jpeg", "public.png",       "com.adobe.pdf",
                                 nullptr,       "public.jpeg-2000", "com.compuserve.gif"};

} // namespace

std::shared_ptr<ImageObject> ImageAttachment::openPicture() const
{
    if (filePath().isEmpty() || filePath() == m_unreadablePath)
        return nullptr;
    auto picture = std::make_shared<ImageObject>();
    if (!picture->setImagePath(filePath())) {
        qCWarning(lcModel) << "Cannot read the picture" << filePath() << ":"
                           << picture->errorString();
        m_unreadablePath = filePath();
        return nullptr;
    }
    return picture;
}

ImageObject* ImageAttachment::image() const
{
    if (!m_image) {
        m_image = openPicture();
        if (m_image)
            configureImage(*m_image);
    }
    return m_image.get();
}

ImageObject* ImageAttachment::thumbObject() const
{
    if (!m_thumbObject) {
        m_thumbObject = openPicture();
        if (m_thumbObject) {
            // The processor's sizes are those shown, already upright: the
            // height alone sets the scale when no width is stored.
            m_thumbObject->setScales(true, storedThumbWidth().value_or(0),
                                     storedThumbHeight().value_or(100));
        }
    }
    return m_thumbObject.get();
}

void ImageAttachment::configureImage(ImageObject& picture) const
{
    if (useScaling() && m_scaledWidth && m_scaledHeight)
        picture.setScales(true, *m_scaledWidth, *m_scaledHeight);
    else
        picture.setScales(false, 0, 0);
    if (m_sharpenRadius && m_sharpenIntensity) {
        picture.setSharpenIntensity(*m_sharpenIntensity);
        picture.setSharpenRadius(*m_sharpenRadius);
    }
}

void ImageAttachment::applySaveSettings(ImageObject& picture) const
{
    const int format = conversionFormat();
    if (format >= 0 && format < int(std::size(saveTypes)) && saveTypes[format])
        picture.setSaveType(QString::fromLatin1(saveTypes[format]));
    picture.setQuality(fromOptional(m_conversionQuality));
    picture.setInterlaced(fromOptional(m_conversionInterlaced));
}

double ImageAttachment::width() const
{
    if (const auto stored = storedWidth())
        return *stored;
    if (m_thumbObject)
        return m_thumbObject->imageWidth();
    const ImageObject* picture = image();
    return picture ? picture->imageWidth() : 0;
}

double ImageAttachment::height() const
{
    if (const auto stored = storedHeight())
        return *stored;
    const ImageObject* picture = image();
    return picture ? picture->imageHeight() : 0;
}

int ImageAttachment::conversionFormat() const
{
    if (!m_conversionFormat) {
        // The picture's own type, when it is one of those written.
        const ImageObject* picture = image();
        const QString type = picture ? picture->saveType() : QString();
        int format = Jpeg;
        for (int i = 0; i < int(std::size(saveTypes)); ++i)
            if (saveTypes[i] && type == QLatin1String(saveTypes[i]))
                format = i;
        m_conversionFormat = format;
        countQuietChange();
    }
    return *m_conversionFormat;
}

std::optional<double> ImageAttachment::sharpenRadius() const
{
    if (m_image)
        m_sharpenRadius = realFrom(m_image->sharpenRadius());
    return m_sharpenRadius;
}

std::optional<double> ImageAttachment::sharpenIntensity() const
{
    if (m_image)
        m_sharpenIntensity = realFrom(m_image->sharpenIntensity());
    return m_sharpenIntensity;
}

void ImageAttachment::setSharpenRadius(std::optional<double> radius)
{
    m_sharpenRadius = radius;
    if (m_image)
        m_image->setSharpenRadius(fromOptional(radius));
    announce(QStringLiteral("sharpenRadius"));
    resetImage();
}

void ImageAttachment::setSharpenIntensity(std::optional<double> intensity)
{
    m_sharpenIntensity = intensity;
    if (m_image)
        m_image->setSharpenIntensity(fromOptional(intensity));
    announce(QStringLiteral("sharpenIntensity"));
    resetImage();
}

bool ImageAttachment::needsConversion() const
{
    ImageObject* picture = image();
    if (!picture)
        return false;
    // Asked before the converted copy exists, the type must already be the one
    // the copy will have.
    applySaveSettings(*picture);
    return picture->utiChanged() || picture->orientation() != 1;
}

void ImageAttachment::resetImage()
{
    if (m_image)
        configureImage(*m_image);
    setCachedPath(QString());
    setMarkup(QString());
}

QImage ImageAttachment::cellImageForSize(int size) const
{
    if (storedCell().isNull()) {
        const auto picture = openPicture();
        if (!picture)
            return Attachment::cellImageForSize(size);
        // Shown sizes are upright already: the height is the one shown.
        if (picture->imageHeight() > size)
            picture->setScales(true, 0, size);
        keepCell(picture->createImage());
    }
    return storedCell();
}

// --- from the web ---

void ImageAttachment::initWithURL(const QUrl& url, QObject* context, Loaded done)
{
    WebPicture::load(url, context, std::move(done));
}

std::shared_ptr<ImageAttachment>
ImageAttachment::fromDownload(const QUrl& url, const QByteArray& bytes, QString* error)
{
    return WebPicture::fromBytes(url, bytes, error);
}

// --- settings ---

void ImageAttachment::setManualDimensions(int width, int height)
{
    setWidth(width);
    setHeight(height);
}

void ImageAttachment::setLongdesc(const QString& text)
{
    m_longdesc = text;
    announce(QStringLiteral("longdesc"));
    setMarkup(QString());
}

void ImageAttachment::setConversionFormat(std::optional<int> format)
{
    m_conversionFormat = format;
    announce(QStringLiteral("conversionFormat"));
    announce(QStringLiteral("supportsInterlace"));
    resetImage();
}

void ImageAttachment::setConversionInterlaced(std::optional<bool> interlaced)
{
    m_conversionInterlaced = interlaced;
    announce(QStringLiteral("conversionInterlaced"));
    resetImage();
}

void ImageAttachment::setConversionQuality(std::optional<double> quality)
{
    m_conversionQuality = quality;
    announce(QStringLiteral("conversionQuality"));
    resetImage();
}

void ImageAttachment::setUseScaling(std::optional<bool> scaling)
{
    m_useScaling = scaling;
    announce(QStringLiteral("useScaling"));
    resetImage();
}

int ImageAttachment::scaledHeight() const
{
    if (!m_scaledHeight) {
        m_scaledHeight = int(height());
        countQuietChange();
    }
    return *m_scaledHeight;
}

int ImageAttachment::scaledWidth() const
{
    if (!m_scaledWidth) {
        m_scaledWidth = int(width());
        countQuietChange();
    }
    return *m_scaledWidth;
}

void ImageAttachment::setScaledHeight(std::optional<int> height)
{
    const int v = height.value_or(0);
    if (v < 1) {
        setUseScaling(false);
        return;
    }
    m_scaledHeight = v;
    announce(QStringLiteral("scaledHeight"));
    const double h = m_readingArchive ? 0 : this->height(), w = m_readingArchive ? 0 : width();
    if (h > 0 && w > 0 && !filePath().isEmpty()) {
        m_scaledWidth = int(float(v) / float(h) * float(w));
        announce(QStringLiteral("scaledWidth"));
    }
    resetImage();
}

void ImageAttachment::setScaledWidth(std::optional<int> width)
{
    const int v = width.value_or(0);
    if (v < 1) {
        setUseScaling(false);
        return;
    }
    m_scaledWidth = v;
    announce(QStringLiteral("scaledWidth"));
    const double h = m_readingArchive ? 0 : height(), w = m_readingArchive ? 0 : this->width();
    if (h > 0 && w > 0 && !filePath().isEmpty()) {
        m_scaledHeight = int(float(v) / float(w) * float(h));
        announce(QStringLiteral("scaledHeight"));
    }
    resetImage();
}

void ImageAttachment::setExposure(std::optional<double> exposure)
{
    m_exposure = exposure;
    announce(QStringLiteral("exposure"));
    resetImage();
}

void ImageAttachment::setSaturation(std::optional<double> saturation)
{
    m_saturation = saturation;
    announce(QStringLiteral("saturation"));
    resetImage();
}

void ImageAttachment::adaptToSize()
{
    const int w = int(width()), h = int(height());
    if (w > AutomaticScaleLimit && w >= h) {
        setUseScaling(true);
        setScaledWidth(AutomaticScaleLimit);
    } else if (h > AutomaticScaleLimit && h > w) {
        setUseScaling(true);
        setScaledHeight(AutomaticScaleLimit);
    }
    resetImage();
}

QString ImageAttachment::internetTypeForFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    if (extension.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("image/png");
    if (extension.compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("image/gif");
    if (extension.startsWith(QLatin1String("tif")))
        return QStringLiteral("image/tiff");
    if (extension.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("application/pdf");
    return QStringLiteral("image/jpeg");
}

QString ImageAttachment::internetType() const
{
    const QString converted = cachedPath();
    return converted.isEmpty() ? QStringLiteral("image/jpeg") : internetTypeForFile(converted);
}

QString ImageAttachment::mainUploadFile(UploadVia via) const
{
    // A source the processor cannot read goes nowhere: the road reports that
    // there is nothing to send (the reason is in the log) rather than put
    // damaged bytes on the blog. A converted copy made earlier still goes.
    if (!filePath().isEmpty() && !image())
        return cachedPath();
    if (via == UploadVia::Uploader || filePath().isEmpty() || useScaling() || needsConversion())
        return cachedPath();
    return filePath();
}

QVariantMap ImageAttachment::uploaderFields() const
{
    QVariantMap fields = MediaAttachment::uploaderFields();
    if (useScaling()) {
        fields.insert(QStringLiteral("height"), scaledHeight());
        fields.insert(QStringLiteral("width"), scaledWidth());
    }
    return fields;
}

// --- markup ---

QString ImageAttachment::thumbnailAddress() const
{
    if (!thumbCreate())
        return {};
    if (!thumbPath().isEmpty())
        return attributeAddress(thumbPath());
    if (!filePath().isEmpty() && QFileInfo::exists(filePath())) {
        // A thumbnail that cannot be made leaves the plain picture for now.
        return fileURL(thumbCachedPath());
    }
    const_cast<ImageAttachment*>(this)->setThumbCreate(false);
    return {};
}

QString ImageAttachment::publishedLink(const Template& linkTemplate,
                                       const QString& mainAddress) const
{
    QString attributes = linkTemplate.html();
    const bool scaled = useScaling();
    attributes.replace(QLatin1String("$url$"), mainAddress);
    attributes.replace(QLatin1String("$width$"),
                       QString::number(scaled ? scaledWidth() : qint64(width())));
    attributes.replace(QLatin1String("$height$"),
                       QString::number(scaled ? scaledHeight() : qint64(height())));
    const QString title = !alt().isEmpty()        ? rv::encodeXML(alt())
                          : !fileName().isEmpty() ? rv::encodeXML(fileName())
                                                  : QString();
    attributes.replace(QLatin1String("$title$"), title);
    return QStringLiteral("<a href=%1>").arg(attributes);
}

QString ImageAttachment::generateMarkup(bool forEditor, const Template* linkTemplate) const
{
    const QString mainAddress =
        !uploadPath().isEmpty() ? attributeAddress(uploadPath()) : fileURL(cachedPath());
    const QString thumbAddress = thumbnailAddress();
    const bool withThumb = !thumbAddress.isEmpty();
    const bool scaled = useScaling();
    const int pictureWidth = scaled ? scaledWidth() : int(width());
    const int pictureHeight = scaled ? scaledHeight() : int(height());
    const QString style = usableStyle();
    QString markup;

    if (forEditor) {
        // Addresses are joined, never put through arg(): their "%3E" would
        // take the place of a later argument.
        markup += QLatin1String("<img src=\"") + (withThumb ? thumbAddress : mainAddress) +
                  QStringLiteral("\" width=\"%1\" height=\"%2\"")
                      .arg(withThumb ? thumbWidth() : pictureWidth)
                      .arg(withThumb ? thumbHeight() : pictureHeight);
        markup += QStringLiteral(" id=\"%1\"").arg(uniqueID());
        if (!alt().isEmpty())
            markup += QStringLiteral(" alt=\"%1\"").arg(rv::encodeXML(alt()));
        if (!className().isEmpty())
            markup += QStringLiteral(" class=\"%1\"").arg(className());
        else if (!style.isEmpty())
            markup += QStringLiteral(" style=\"%1\"").arg(style);
        markup += QLatin1String(" />");
        return markup;
    }

    if (withThumb) {
        if (linkTemplate && !linkTemplate->html().isEmpty())
            markup += publishedLink(*linkTemplate, mainAddress);
        else
            markup += QStringLiteral("<a href=\"%1\">").arg(mainAddress);
    }
    markup += QStringLiteral("<img src=\"%1\"").arg(withThumb ? thumbAddress : mainAddress);
    // Read as a flag: size attributes unless the template says no.
    const bool writeSize =
        !linkTemplate || !linkTemplate->fontSize() || *linkTemplate->fontSize() != 0;
    if (writeSize)
        markup += QStringLiteral(" width=\"%1\" height=\"%2\"")
                      .arg(withThumb ? thumbWidth() : pictureWidth)
                      .arg(withThumb ? thumbHeight() : pictureHeight);
    const QString altText = rv::encodeXML(!alt().isEmpty() ? alt() : fileName());
    markup += QStringLiteral(" alt=\"%1\"").arg(altText);
    if (linkTemplate && linkTemplate->location().value_or(0) != 0) {
        const QString title = !alt().isEmpty() ? alt() : fileName();
        if (!title.isEmpty())
            markup += QStringLiteral(" title=\"%1\"").arg(rv::encodeXML(title));
    }
    if (linkTemplate && !linkTemplate->keywords().isEmpty())
        markup += QStringLiteral(" rel=\"%1\"").arg(linkTemplate->keywords());
    if (!className().isEmpty())
        markup += QStringLiteral(" class=\"%1\"").arg(className());
    else if (!style.isEmpty())
        markup += QStringLiteral(" style=\"%1\"").arg(style);
    markup += QLatin1String(" />");
    if (withThumb)
        markup += QLatin1String("</a>");
    return markup;
}

// --- presets and copies ---

void ImageAttachment::applyPreset(const MediaAttachment& preset)
{
    MediaAttachment::applyPreset(preset);
    const auto* image = dynamic_cast<const ImageAttachment*>(&preset);
    if (!image)
        return;
    setLongdesc(image->m_longdesc);
    if (filePath().isEmpty())
        return;
    setConversionInterlaced(image->m_conversionInterlaced);
    setConversionQuality(image->m_conversionQuality);
    setUseScaling(image->m_useScaling);
    setScaledHeight(image->m_scaledHeight);
    setScaledWidth(image->m_scaledWidth);
    setSharpenRadius(image->m_sharpenRadius);
    setSharpenIntensity(image->m_sharpenIntensity);
    setExposure(image->m_exposure);
    setSaturation(image->m_saturation);
}

void ImageAttachment::createPreset(const MediaAttachment& attachment)
{
    MediaAttachment::createPreset(attachment);
    const auto* image = dynamic_cast<const ImageAttachment*>(&attachment);
    if (!image)
        return;
    m_longdesc = image->m_longdesc;
    m_conversionInterlaced = image->m_conversionInterlaced;
    m_conversionQuality = image->m_conversionQuality;
    m_useScaling = image->m_useScaling;
    m_scaledHeight = image->m_scaledHeight;
    m_scaledWidth = image->m_scaledWidth;
    m_sharpenRadius = image->m_sharpenRadius;
    m_sharpenIntensity = image->m_sharpenIntensity;
    m_exposure = image->m_exposure;
    m_saturation = image->m_saturation;
}

AttachmentPtr ImageAttachment::makeEmpty() const
{
    return std::make_shared<ImageAttachment>();
}

void ImageAttachment::fillCopy(Attachment& copy) const
{
    MediaAttachment::fillCopy(copy);
    auto* image = dynamic_cast<ImageAttachment*>(&copy);
    if (!image)
        return;
    image->setLongdesc(m_longdesc);
    image->setConversionFormat(m_conversionFormat);
    image->setConversionInterlaced(m_conversionInterlaced);
    image->setConversionQuality(m_conversionQuality);
    image->setUseScaling(m_useScaling);
    // Taken as they are: the ratio rule has already been applied to them.
    image->m_scaledHeight = m_scaledHeight;
    image->m_scaledWidth = m_scaledWidth;
    image->setSharpenRadius(m_sharpenRadius);
    image->setSharpenIntensity(m_sharpenIntensity);
    image->setExposure(m_exposure);
    image->setSaturation(m_saturation);
}

// --- stored form ---

std::span<const RecordKey<ImageAttachment>> ImageAttachment::imageKeys()
{
    using I = ImageAttachment;
    static const std::array<RecordKey<ImageAttachment>, 11> keys{{
        {"longdesc", StoredKind::String, InArchive,
         [](const I& a) { return fromText(a.m_longdesc); },
         [](I& a, const QVariant& v) { a.setLongdesc(v.toString()); }},
        {"conversionFormat", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_conversionFormat); },
         [](I& a, const QVariant& v) { a.setConversionFormat(integerFrom(v)); }},
        {"conversionInterlaced", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_conversionInterlaced); },
         [](I& a, const QVariant& v) { a.setConversionInterlaced(boolFrom(v)); }},
        {"conversionQuality", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_conversionQuality); },
         [](I& a, const QVariant& v) { a.setConversionQuality(realFrom(v)); }},
        {"useScaling", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_useScaling); },
         [](I& a, const QVariant& v) { a.setUseScaling(boolFrom(v)); }},
        {"scaledHeight", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_scaledHeight); },
         [](I& a, const QVariant& v) { a.setScaledHeight(integerFrom(v)); }},
        {"scaledWidth", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_scaledWidth); },
         [](I& a, const QVariant& v) { a.setScaledWidth(integerFrom(v)); }},
        {"sharpenRadius", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_sharpenRadius); },
         [](I& a, const QVariant& v) { a.setSharpenRadius(realFrom(v)); }},
        {"sharpenIntensity", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_sharpenIntensity); },
         [](I& a, const QVariant& v) { a.setSharpenIntensity(realFrom(v)); }},
        {"exposure", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_exposure); },
         [](I& a, const QVariant& v) { a.setExposure(realFrom(v)); }},
        {"saturation", StoredKind::Number, InArchive,
         [](const I& a) { return fromOptional(a.m_saturation); },
         [](I& a, const QVariant& v) { a.setSaturation(realFrom(v)); }},
    }};
    return keys;
}

bool ImageAttachment::setStoredValue(QStringView key, const QVariant& value)
{
    return ::setStoredValue(imageKeys(), *this, key, value) ||
           MediaAttachment::setStoredValue(key, value);
}

void ImageAttachment::encodeWithCoder(KeyedArchiver& coder) const
{
    MediaAttachment::encodeWithCoder(coder);
    RecordArchiving::encode<ImageAttachment>(*this, imageKeys(), coder);
}

void ImageAttachment::initWithCoder(KeyedUnarchiver& coder)
{
    const bool reading = m_readingArchive;
    m_readingArchive = true;
    MediaAttachment::initWithCoder(coder);
    RecordArchiving::decode<ImageAttachment>(*this, imageKeys(), coder);
    m_readingArchive = reading;
}
