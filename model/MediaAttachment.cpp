#include "MediaAttachment.h"

#include "ImageObject.h"
#include "MediaCache.h"
#include "ModelLog.h"
#include "RecordArchiving.h"

#include <QFileInfo>
#include <QUrl>
#include <climits>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::toOptional;

namespace {

constexpr int DefaultThumbSize = 100;

const QStringList& borderStyleWords()
{
    static const QStringList words{QStringLiteral("dotted"), QStringLiteral("dashed"),
                                   QStringLiteral("solid"),  QStringLiteral("double"),
                                   QStringLiteral("groove"), QStringLiteral("ridge"),
                                   QStringLiteral("inset"),  QStringLiteral("outset")};
    return words;
}

const char* const marginKeys[] = {"marginTop", "marginRight", "marginBottom", "marginLeft"};
const char* const paddingKeys[] = {"paddingTop", "paddingRight", "paddingBottom", "paddingLeft"};

// A margin or padding: a number is kept, a string becomes its integer value,
// anything else clears the field.
std::optional<int> boxValue(const QVariant& value)
{
    if (StoredValue::isNumber(value) || value.typeId() == QMetaType::QString)
        return MediaAttachment::integerFrom(value);
    return std::nullopt;
}

} // namespace

MediaAttachment::MediaAttachment(QObject* parent) : Attachment(parent) {}

MediaAttachment::~MediaAttachment()
{
    // The thumbnail file belongs to this attachment and goes with it.
    if (!m_thumbCachedPath.isEmpty())
        MediaCache::removeOwnedFile(m_thumbCachedPath);
}

int MediaAttachment::intValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > qint64(INT_MAX) + 1)
            break;
    }
    if (negative)
        value = -value;
    return int(qBound(qint64(INT_MIN), value, qint64(INT_MAX)));
}

std::optional<int> MediaAttachment::integerFrom(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return intValue(value.toString());
    if (StoredValue::isNumber(value)) {
        const double number = value.toDouble();
        if (number != number)
            return 0;
        return int(qBound(double(INT_MIN), number, double(INT_MAX)));
    }
    return std::nullopt;
}

std::optional<bool> MediaAttachment::boolFrom(const QVariant& value)
{
    const auto number = integerFrom(value);
    if (value.typeId() == QMetaType::Double)
        return value.toDouble() != 0;
    return number ? std::optional<bool>(*number != 0) : std::nullopt;
}

std::optional<double> MediaAttachment::realFrom(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString)
        return double(intValue(value.toString()));
    if (StoredValue::isNumber(value))
        return value.toDouble();
    return std::nullopt;
}

QString MediaAttachment::attributeAddress(const QString& address)
{
    QString escaped;
    escaped.reserve(address.size());
    for (const QChar c : address) {
        switch (c.unicode()) {
        case '"':
            escaped += QLatin1String("%22");
            break;
        case '<':
            escaped += QLatin1String("%3C");
            break;
        case '>':
            escaped += QLatin1String("%3E");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString MediaAttachment::fileURL(const QString& path)
{
    if (path.isEmpty())
        return {};
    return QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
}

// --- thumbnail ---

int MediaAttachment::thumbHeight() const
{
    if (!m_thumbHeight) {
        m_thumbHeight = DefaultThumbSize;
        countQuietChange();
    }
    return *m_thumbHeight;
}

int MediaAttachment::thumbWidth() const
{
    if (!m_thumbWidth) {
        m_thumbWidth = DefaultThumbSize;
        countQuietChange();
    }
    return *m_thumbWidth;
}

void MediaAttachment::setThumbHeight(std::optional<int> height)
{
    const int v = height.value_or(0);
    if (v < 1) {
        setThumbCreate(false); // resets the thumbnail
        return;
    }
    m_thumbHeight = v;
    announce(QStringLiteral("thumbHeight"));
    const double h = m_readingArchive ? 0 : this->height(), w = m_readingArchive ? 0 : width();
    if (h > 0 && w > 0 && !filePath().isEmpty()) {
        m_thumbWidth = int(float(v) / float(h) * float(w));
        announce(QStringLiteral("thumbWidth"));
    }
    resetThumb();
}

void MediaAttachment::setThumbWidth(std::optional<int> width)
{
    const int v = width.value_or(0);
    if (v < 1) {
        setThumbCreate(false); // resets the thumbnail
        return;
    }
    m_thumbWidth = v;
    announce(QStringLiteral("thumbWidth"));
    const double h = m_readingArchive ? 0 : height(), w = m_readingArchive ? 0 : this->width();
    if (h > 0 && w > 0 && !filePath().isEmpty()) {
        m_thumbHeight = int(float(v) / float(w) * float(h));
        announce(QStringLiteral("thumbHeight"));
    }
    resetThumb();
}

void MediaAttachment::setThumbCreate(std::optional<bool> create)
{
    m_thumbCreate = create;
    announce(QStringLiteral("thumbCreate"));
    resetThumb();
}

void MediaAttachment::setThumbQuality(std::optional<double> quality)
{
    m_thumbQuality = quality;
    announce(QStringLiteral("thumbQuality"));
    resetThumb();
}

void MediaAttachment::setThumbPrefix(const QString& prefix)
{
    m_thumbPrefix = prefix;
    announce(QStringLiteral("thumbPrefix"));
    setMarkup(QString());
}

void MediaAttachment::setThumbSuffix(const QString& suffix)
{
    m_thumbSuffix = suffix;
    announce(QStringLiteral("thumbSuffix"));
    setMarkup(QString());
}

void MediaAttachment::setThumbDestination(const QString& folder)
{
    m_thumbDestination = folder;
    announce(QStringLiteral("thumbDestination"));
}

void MediaAttachment::setThumbPath(const QString& address)
{
    m_thumbPath = address;
    announce(QStringLiteral("thumbPath"));
    setMarkup(QString());
}

QString MediaAttachment::thumbCachedPath() const
{
    if (!m_thumbCachedPath.isEmpty() && QFileInfo::exists(m_thumbCachedPath))
        return m_thumbCachedPath;
    const QString made = makeThumbnailFile();
    if (!made.isEmpty()) {
        m_thumbCachedPath = made;
        countQuietChange();
    }
    return made;
}

void MediaAttachment::setThumbCachedPath(const QString& path)
{
    if (!m_thumbCachedPath.isEmpty() && m_thumbCachedPath != path)
        MediaCache::removeOwnedFile(m_thumbCachedPath);
    m_thumbCachedPath = path;
    announce(QStringLiteral("thumbCachedPath"));
}

ImageObject* MediaAttachment::thumbObject() const
{
    return m_thumbObject.get();
}

QString MediaAttachment::makeThumbnailFile() const
{
    // A processor made afresh, so the file shows the settings as they are now.
    dropThumbObject();
    ImageObject* thumbnail = thumbObject();
    if (!thumbnail)
        return {};
    thumbnail->setSaveType(QStringLiteral("public.jpeg"));
    thumbnail->setQuality(fromOptional(m_thumbQuality));
    const QString path =
        thumbnail->saveWithFilename(MediaCache::newFileName() + u't', MediaCache::folder());
    if (path.isEmpty())
        qCWarning(lcModel) << "Could not write the thumbnail of" << fileName();
    return path;
}

void MediaAttachment::dropThumbObject() const
{
    m_thumbObject.reset();
}

void MediaAttachment::resetThumb()
{
    dropThumbObject();
    setThumb(QImage());
    setThumbCachedPath(QString());
    setMarkup(QString());
}

// --- box style ---

void MediaAttachment::setFloatOption(std::optional<int> option)
{
    m_floatOption = option;
    announce(QStringLiteral("floatOption"));
    setMarkup(QString());
}

void MediaAttachment::setClassName(const QString& name)
{
    m_className = name;
    announce(QStringLiteral("className"));
    setMarkup(QString());
}

void MediaAttachment::setMargin(Side side, std::optional<int> pixels)
{
    m_margins[side] = pixels;
    announce(QString::fromLatin1(marginKeys[side]));
    setMarkup(QString());
}

void MediaAttachment::setPadding(Side side, std::optional<int> pixels)
{
    m_paddings[side] = pixels;
    announce(QString::fromLatin1(paddingKeys[side]));
    setMarkup(QString());
}

void MediaAttachment::setBorder(std::optional<int> pixels)
{
    m_border = pixels;
    announce(QStringLiteral("border"));
    setMarkup(QString());
}

void MediaAttachment::setBorderType(std::optional<int> type)
{
    m_borderType = type;
    announce(QStringLiteral("borderType"));
    setMarkup(QString());
}

void MediaAttachment::setBorderColor(std::optional<rv::Color> color)
{
    m_borderColor = color;
    announce(QStringLiteral("borderColor"));
    setMarkup(QString());
}

void MediaAttachment::setWidth(std::optional<double> width)
{
    m_width = width;
    announce(QStringLiteral("width"));
}

void MediaAttachment::setHeight(std::optional<double> height)
{
    m_height = height;
    announce(QStringLiteral("height"));
}

QString MediaAttachment::borderStyleWord(std::optional<int> type)
{
    const int index = type.value_or(0);
    // A type no list word stands for draws the first style rather than none.
    return borderStyleWords().value(index, borderStyleWords().first());
}

QString MediaAttachment::styleMarkup() const
{
    QString style;
    if (m_floatOption.value_or(0) > 0)
        style +=
            *m_floatOption == 1 ? QLatin1String("float:left; ") : QLatin1String("float:right; ");
    static const char* const marginForms[] = {"margin-top:%1px; ", "margin-right:%1px; ",
                                              "margin-bottom:%1px; ", "margin-left:%1px; "};
    static const char* const paddingForms[] = {"padding-top:%1px; ", "padding-right:%1px; ",
                                               "padding-bottom:%1px; ", "padding-left:%1px; "};
    for (int side = 0; side < 4; ++side)
        if (m_margins[side])
            style += QString::fromLatin1(marginForms[side]).arg(*m_margins[side]);
    for (int side = 0; side < 4; ++side)
        if (m_paddings[side])
            style += QString::fromLatin1(paddingForms[side]).arg(*m_paddings[side]);
    if (m_border && *m_border >= 1) {
        const int pixels = *m_border >= 13 ? 1 : *m_border;
        style += QStringLiteral("border:%1px %2 %3; ")
                     .arg(pixels)
                     .arg(rv::CSSColorSpec(m_borderColor.value_or(rv::Color(0, 0, 0))))
                     .arg(borderStyleWord(m_borderType));
    }
    return style;
}

QString MediaAttachment::usableStyle() const
{
    if (!m_className.isEmpty())
        return {};
    const QString style = styleMarkup().trimmed();
    return style.size() >= 2 ? style : QString();
}

// --- presets and copies ---

void MediaAttachment::applyPreset(const MediaAttachment& preset)
{
    setDestination(preset.destination());
    if (!filePath().isEmpty()) {
        setThumbHeight(preset.m_thumbHeight);
        setThumbWidth(preset.m_thumbWidth);
        setThumbCreate(preset.m_thumbCreate);
        setThumbQuality(preset.m_thumbQuality);
        setThumbPrefix(preset.m_thumbPrefix);
        setThumbSuffix(preset.m_thumbSuffix);
        setThumbDestination(preset.m_thumbDestination);
    }
    setFloatOption(preset.m_floatOption);
    setClassName(preset.m_className);
    for (int side = 0; side < 4; ++side) {
        setMargin(Side(side), preset.m_margins[side]);
        setPadding(Side(side), preset.m_paddings[side]);
    }
    setBorder(preset.m_border);
    setBorderType(preset.m_borderType);
    setBorderColor(preset.m_borderColor);
}

void MediaAttachment::createPreset(const MediaAttachment& attachment)
{
    // A preset takes the values as they stand, announcing nothing.
    setDestination(attachment.destination());
    m_thumbHeight = attachment.m_thumbHeight;
    m_thumbWidth = attachment.m_thumbWidth;
    m_thumbCreate = attachment.m_thumbCreate;
    m_thumbQuality = attachment.m_thumbQuality;
    m_thumbPrefix = attachment.m_thumbPrefix;
    m_thumbSuffix = attachment.m_thumbSuffix;
    m_thumbDestination = attachment.m_thumbDestination;
    m_floatOption = attachment.m_floatOption;
    m_className = attachment.m_className;
    m_margins = attachment.m_margins;
    m_paddings = attachment.m_paddings;
    m_border = attachment.m_border;
    m_borderType = attachment.m_borderType;
    m_borderColor = attachment.m_borderColor;
}

void MediaAttachment::fillCopy(Attachment& copy) const
{
    Attachment::fillCopy(copy);
    auto* media = dynamic_cast<MediaAttachment*>(&copy);
    if (!media)
        return;
    // The size first, so the thumbnail setters see it as the original did.
    media->setWidth(m_width);
    media->setHeight(m_height);
    media->m_thumbHeight = m_thumbHeight;
    media->m_thumbWidth = m_thumbWidth;
    media->announce(QStringLiteral("thumbHeight"));
    media->announce(QStringLiteral("thumbWidth"));
    media->setThumbCreate(m_thumbCreate);
    media->setThumbQuality(m_thumbQuality);
    media->setThumbPrefix(m_thumbPrefix);
    media->setThumbSuffix(m_thumbSuffix);
    media->setThumbDestination(m_thumbDestination);
    media->setThumbPath(m_thumbPath);
    media->setThumbCachedPath(m_thumbCachedPath);
    media->setFloatOption(m_floatOption);
    media->setClassName(m_className);
    for (int side = 0; side < 4; ++side) {
        media->setMargin(Side(side), m_margins[side]);
        media->setPadding(Side(side), m_paddings[side]);
    }
    media->setBorder(m_border);
    media->setBorderType(m_borderType);
    media->setBorderColor(m_borderColor);
}

QString MediaAttachment::serverName(const QString& sentFile, bool companion) const
{
    const QString base = baseFileName();
    return serverFileName(companion ? m_thumbPrefix + base + m_thumbSuffix : base, sentFile);
}

QString MediaAttachment::companionServerName(UploadVia via) const
{
    const QString name = serverName(companionFile(), true);
    if (name.compare(serverName(mainUploadFile(via), false), Qt::CaseInsensitive) != 0)
        return name;
    const QFileInfo parts(name);
    const QString mark =
        companion() == Companion::Poster ? QStringLiteral("-poster") : QStringLiteral("-thumb");
    return parts.suffix().isEmpty() ? name + mark
                                    : parts.completeBaseName() + mark + u'.' + parts.suffix();
}

void MediaAttachment::noteUploadStart()
{
    Attachment::noteUploadStart();
    m_hasThumb = !m_thumbPath.isEmpty();
}

// --- upload passes ---

MediaAttachment::Companion MediaAttachment::companion() const
{
    return thumbCreate() ? Companion::Thumbnail : Companion::None;
}

QString MediaAttachment::companionFile() const
{
    return companion() == Companion::Thumbnail ? thumbCachedPath() : QString();
}

bool MediaAttachment::storeCompanionAddress(Companion kind, const QString& address)
{
    if (kind != Companion::Thumbnail)
        return false;
    setThumbPath(address);
    return true;
}

bool MediaAttachment::uploadComplete() const
{
    return !uploadPath().isEmpty() && (companion() == Companion::None || hasCompanionAddress());
}

QString MediaAttachment::uploadFilePath(UploadVia via) const
{
    if (via == UploadVia::Blog && hasMain())
        return companionFile();
    return mainUploadFile(via);
}

QString MediaAttachment::uploadFileName(UploadVia via) const
{
    if (via == UploadVia::Blog && hasMain())
        return companionServerName(via);
    return serverName(mainUploadFile(via), false);
}

QString MediaAttachment::uploadFolder() const
{
    return hasMain() ? m_thumbDestination : destination();
}

std::optional<Attachment::UploaderCompanion> MediaAttachment::uploaderCompanion() const
{
    const Companion kind = companion();
    if (kind == Companion::None)
        return std::nullopt;
    const QString file = companionFile();
    const bool poster = kind == Companion::Poster;
    return UploaderCompanion{poster ? QStringLiteral("posterbits") : QStringLiteral("thumbbits"),
                             poster ? QStringLiteral("postername") : QStringLiteral("thumbname"),
                             file, companionServerName(UploadVia::Uploader)};
}

QVariantMap MediaAttachment::uploaderFields() const
{
    if (companion() != Companion::Thumbnail)
        return {};
    return {{QStringLiteral("thumbheight"), thumbHeight()},
            {QStringLiteral("thumbwidth"), thumbWidth()}};
}

bool MediaAttachment::processUpload(const QVariantMap& answer)
{
    const QString url = answer.value(QStringLiteral("url")).toString();
    if (url.isEmpty())
        return false;
    const QString poster = answer.value(QStringLiteral("posterurl")).toString();
    const QString thumb = answer.value(QStringLiteral("thumburl")).toString();
    if ((!poster.isEmpty() && storeCompanionAddress(Companion::Poster, poster)) ||
        (!thumb.isEmpty() && storeCompanionAddress(Companion::Thumbnail, thumb)))
        setUploadPath(url);
    else if (hasMain() && companion() != Companion::None)
        storeCompanionAddress(companion(), url);
    else
        setUploadPath(url);
    setMarkup(QString());
    return true;
}

void MediaAttachment::clearUploadAddresses()
{
    Attachment::clearUploadAddresses();
    setThumbPath(QString());
}

// --- stored form ---

std::span<const RecordKey<MediaAttachment>> MediaAttachment::mediaKeys()
{
    using M = MediaAttachment;
    // In the order they are written.
    static const std::array<RecordKey<MediaAttachment>, 23> keys{{
        {"thumbHeight", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_thumbHeight); },
         [](M& a, const QVariant& v) { a.setThumbHeight(integerFrom(v)); }},
        {"thumbWidth", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_thumbWidth); },
         [](M& a, const QVariant& v) { a.setThumbWidth(integerFrom(v)); }},
        {"thumbCreate", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_thumbCreate); },
         [](M& a, const QVariant& v) { a.setThumbCreate(boolFrom(v)); }},
        {"thumbQuality", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_thumbQuality); },
         [](M& a, const QVariant& v) { a.setThumbQuality(realFrom(v)); }},
        {"thumbPrefix", StoredKind::String, InArchive,
         [](const M& a) { return fromText(a.m_thumbPrefix); },
         [](M& a, const QVariant& v) { a.setThumbPrefix(v.toString()); }},
        {"thumbSuffix", StoredKind::String, InArchive,
         [](const M& a) { return fromText(a.m_thumbSuffix); },
         [](M& a, const QVariant& v) { a.setThumbSuffix(v.toString()); }},
        {"thumbDestination", StoredKind::String, InArchive,
         [](const M& a) { return fromText(a.m_thumbDestination); },
         [](M& a, const QVariant& v) { a.setThumbDestination(v.toString()); }},
        {"thumbPath", StoredKind::String, InArchive,
         [](const M& a) { return fromText(a.m_thumbPath); },
         [](M& a, const QVariant& v) { a.setThumbPath(v.toString()); }},
        // The size is taken as stored, without the setters' side effects.
        {"width", StoredKind::Number, InArchive, [](const M& a) { return fromOptional(a.m_width); },
         [](M& a, const QVariant& v) { a.m_width = toOptional<double>(v); }},
        {"height", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_height); },
         [](M& a, const QVariant& v) { a.m_height = toOptional<double>(v); }},
        {"floatOption", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_floatOption); },
         [](M& a, const QVariant& v) { a.setFloatOption(integerFrom(v)); }},
        {"className", StoredKind::String, InArchive,
         [](const M& a) { return fromText(a.m_className); },
         [](M& a, const QVariant& v) { a.setClassName(v.toString()); }},
        {"marginTop", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_margins[Top]); },
         [](M& a, const QVariant& v) { a.setMargin(Top, boxValue(v)); }},
        {"marginRight", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_margins[Right]); },
         [](M& a, const QVariant& v) { a.setMargin(Right, boxValue(v)); }},
        {"marginBottom", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_margins[Bottom]); },
         [](M& a, const QVariant& v) { a.setMargin(Bottom, boxValue(v)); }},
        {"marginLeft", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_margins[Left]); },
         [](M& a, const QVariant& v) { a.setMargin(Left, boxValue(v)); }},
        {"paddingTop", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_paddings[Top]); },
         [](M& a, const QVariant& v) { a.setPadding(Top, boxValue(v)); }},
        {"paddingRight", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_paddings[Right]); },
         [](M& a, const QVariant& v) { a.setPadding(Right, boxValue(v)); }},
        {"paddingBottom", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_paddings[Bottom]); },
         [](M& a, const QVariant& v) { a.setPadding(Bottom, boxValue(v)); }},
        {"paddingLeft", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_paddings[Left]); },
         [](M& a, const QVariant& v) { a.setPadding(Left, boxValue(v)); }},
        {"border", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_border); },
         [](M& a, const QVariant& v) { a.setBorder(integerFrom(v)); }},
        {"borderType", StoredKind::Number, InArchive,
         [](const M& a) { return fromOptional(a.m_borderType); },
         [](M& a, const QVariant& v) { a.setBorderType(integerFrom(v)); }},
        {"borderColor", StoredKind::Color, InArchive,
         [](const M& a) { return fromOptional(a.m_borderColor); },
         [](M& a, const QVariant& v) { a.setBorderColor(toOptional<rv::Color>(v)); }},
    }};
    return keys;
}

bool MediaAttachment::setStoredValue(QStringView key, const QVariant& value)
{
    if (::setStoredValue(mediaKeys(), *this, key, value))
        return true;
    return ::setStoredValue(storedKeys(), static_cast<Attachment&>(*this), key, value);
}

QStringList MediaAttachment::archiveClassChain() const
{
    return {archiveClassName(), QStringLiteral("MediaAttachment"), QStringLiteral("Attachment"),
            QStringLiteral("NSObject")};
}

void MediaAttachment::encodeWithCoder(KeyedArchiver& coder) const
{
    Attachment::encodeWithCoder(coder);
    RecordArchiving::encode<MediaAttachment>(*this, mediaKeys(), coder);
}

void MediaAttachment::initWithCoder(KeyedUnarchiver& coder)
{
    const bool reading = m_readingArchive;
    m_readingArchive = true;
    Attachment::initWithCoder(coder);
    // Read in another order than written: the size first, so the thumbnail
    // size setters keep its ratio, and the switch before the sizes, so a stored
    // size of 0 turns it off again.
    static const char* const readOrder[] = {
        "width",        "height",      "thumbCreate",  "thumbHeight",      "thumbWidth",
        "thumbQuality", "thumbPrefix", "thumbSuffix",  "thumbDestination", "thumbPath",
        "floatOption",  "className",   "marginTop",    "marginRight",      "marginBottom",
        "marginLeft",   "paddingTop",  "paddingRight", "paddingBottom",    "paddingLeft",
        "border",       "borderType",  "borderColor"};
    const auto keys = mediaKeys();
    for (const char* name : readOrder) {
        const QString keyName = QString::fromLatin1(name);
        const auto* key = findRecordKey(keys, QStringView(keyName));
        if (!key || !coder.containsKey(keyName))
            continue;
        const QVariant value = RecordArchiving::decodeValue(coder, keyName, key->kind);
        if (value.isValid())
            key->write(*this, value);
    }
    m_readingArchive = reading;
}
