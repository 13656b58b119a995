#include "Attachment.h"

#include "DisplayStrings.h"
#include "FileKinds.h"
#include "Localization.h"
#include "RecordArchiving.h"
#include "StringExtensions.h"
#include "UniqueId.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QUrl>
#include <array>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::toOptional;

namespace {

QHash<int, Attachment::Factory>& factories()
{
    static QHash<int, Attachment::Factory> registered;
    return registered;
}

Attachment::IconProvider& iconProvider()
{
    static Attachment::IconProvider provider;
    return provider;
}

QImage themeIcon(const QString& path, int height)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    const QMimeType type = cutils::mimeTypeForFile(path);
    const QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        return {};
    return icon.pixmap(height, height).toImage();
}

double nowInSeconds()
{
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}

// Server addresses go inside a double-quoted attribute: the characters that could
// end the attribute or open a tag, and spaces, are percent-escaped; an ampersand is
// written as the entity HTML reads back as one.
QString attributeAddress(const QString& address)
{
    QString escaped;
    escaped.reserve(address.size());
    for (const QChar c : address) {
        switch (c.unicode()) {
        case '&':
            escaped += QLatin1String("&amp;");
            break;
        case '"':
            escaped += QLatin1String("%22");
            break;
        case '<':
            escaped += QLatin1String("%3C");
            break;
        case '>':
            escaped += QLatin1String("%3E");
            break;
        case ' ':
            escaped += QLatin1String("%20");
            break;
        default:
            if (c.isSpace() || c.category() == QChar::Other_Control)
                escaped += QString::fromLatin1(QUrl::toPercentEncoding(QString(c)));
            else
                escaped += c;
        }
    }
    return escaped;
}

// Whether an address may become a link in a post or a preview: the web's own
// schemes, the local file of an attachment not yet uploaded, and ours. A server
// that answers "javascript:" or "data:" for an upload gets no live link.
bool isLinkable(const QString& address)
{
    const QString scheme = QUrl(address.trimmed()).scheme().toLower();
    for (const char* allowed : {"http", "https", "file", "x-blogpost", "plumet-content"})
        if (scheme == QLatin1String(allowed))
            return true;
    return false;
}

} // namespace

Attachment::Attachment(QObject* parent) : ModelRecord(parent) {}

Attachment::~Attachment() = default;

void Attachment::setFactory(FileType type, Factory factory)
{
    if (factory)
        factories().insert(type, std::move(factory));
    else
        factories().remove(type);
}

void Attachment::setIconProvider(IconProvider provider)
{
    iconProvider() = std::move(provider);
}

AttachmentPtr Attachment::attachmentWithPath(const QString& path)
{
    const FileType type = cutils::isImage(path)   ? ImageFile
                          : cutils::isMovie(path) ? MovieFile
                                                  : OtherFile;
    if (const auto factory = factories().value(type)) {
        if (AttachmentPtr media = factory(path))
            return media;
    }
    auto attachment = std::make_shared<Attachment>();
    attachment->initWithPath(path);
    // Until a media class takes over, the kind still sorts the file into the
    // library's images and movies.
    attachment->setFileType(type);
    return attachment;
}

void Attachment::initWithPath(const QString& path)
{
    uniqueID();
    setFilePath(path);
    setFileName(QFileInfo(path).fileName());
    setFileType(OtherFile);
}

QString Attachment::uniqueID() const
{
    if (m_uniqueID.isEmpty()) {
        m_uniqueID = newUniqueID();
        m_created = nowInSeconds();
    }
    return m_uniqueID;
}

void Attachment::setUniqueID(const QString& id)
{
    m_uniqueID = id;
    announce(QStringLiteral("uniqueID"));
}

double Attachment::created() const
{
    if (!m_created)
        m_created = nowInSeconds();
    return *m_created;
}

void Attachment::setCreated(std::optional<double> seconds)
{
    m_created = seconds;
    announce(QStringLiteral("created"));
}

void Attachment::setFilePath(const QString& path)
{
    m_filePath = path;
    announce(QStringLiteral("filePath"));
}

void Attachment::setCachedPath(const QString&)
{
    announce(QStringLiteral("cachedPath"));
}

void Attachment::setUploadPath(const QString& address)
{
    m_uploadPath = address;
    announce(QStringLiteral("uploadPath"));
}

void Attachment::setSource(const QString& address)
{
    m_source = address;
    announce(QStringLiteral("source"));
}

void Attachment::setAlt(const QString& text)
{
    m_alt = text;
    announce(QStringLiteral("alt"));
    setMarkup(QString());
}

QString Attachment::fileName() const
{
    if (!m_fileName.isEmpty())
        return m_fileName;
    if (!m_filePath.isEmpty())
        return QFileInfo(m_filePath).fileName();
    return localized("Draft", "Untitled");
}

void Attachment::setFileName(const QString& name)
{
    m_fileName = name.isNull() ? QString() : QString(name).remove(QLatin1Char('/'));
    announce(QStringLiteral("fileName"));
    setMarkup(QString());
}

QString Attachment::fileKind() const
{
    if (m_fileKind.isEmpty() && !m_filePath.isEmpty())
        m_fileKind = cutils::mimeTypeForFile(m_filePath).comment();
    return m_fileKind;
}

void Attachment::setFileKind(const QString& kind)
{
    m_fileKind = kind;
    announce(QStringLiteral("fileKind"));
}

void Attachment::setFileType(std::optional<int> type)
{
    m_fileType = type;
    announce(QStringLiteral("fileType"));
}

QString Attachment::fileSize() const
{
    if (m_fileSize.isEmpty() && !m_filePath.isEmpty()) {
        const QFileInfo info(m_filePath); // follows a symbolic link
        if (info.exists())
            m_fileSize = cutils::stringForFileSize(quint64(info.size()));
    }
    return m_fileSize;
}

void Attachment::setFileSize(const QString& size)
{
    m_fileSize = size;
    announce(QStringLiteral("fileSize"));
}

void Attachment::setDestination(const QString& folder)
{
    m_destination = folder;
    announce(QStringLiteral("destination"));
}

void Attachment::setAccountID(const QString& id)
{
    m_accountID = id;
    announce(QStringLiteral("accountID"));
}

void Attachment::setBlogID(const QString& id)
{
    m_blogID = id;
    announce(QStringLiteral("blogID"));
}

QVariantMap Attachment::uploaderSettings() const
{
    if (!m_uploaderSettings)
        m_uploaderSettings = QVariantMap();
    return *m_uploaderSettings;
}

void Attachment::setUploaderSettings(std::optional<QVariantMap> settings)
{
    m_uploaderSettings = std::move(settings);
    announce(QStringLiteral("uploaderSettings"));
}

QImage Attachment::iconImage(int height) const
{
    if (m_filePath.isEmpty())
        return {};
    return iconProvider() ? iconProvider()(m_filePath, height) : themeIcon(m_filePath, height);
}

QImage Attachment::cell() const
{
    return cellImageForSize(76);
}

QImage Attachment::cellImageForSize(int) const
{
    if (m_cell.isNull())
        m_cell = iconImage(76);
    return m_cell;
}

void Attachment::setCell(const QImage& image)
{
    m_cell = image;
    announce(QStringLiteral("cell"));
}

QImage Attachment::thumb() const
{
    if (m_thumb.isNull())
        m_thumb = iconImage(96);
    return m_thumb;
}

void Attachment::setThumb(const QImage& image)
{
    m_thumb = image;
    announce(QStringLiteral("thumb"));
}

QString Attachment::internetType() const
{
    return internetTypeOfFile(m_filePath);
}

QString Attachment::internetTypeOfFile(const QString& path)
{
    if (path.isEmpty())
        return QStringLiteral("text/plain");
    const QMimeType type = cutils::mimeTypeForFile(path);
    if (!type.isValid() || type.isDefault())
        return QStringLiteral("text/plain");
    return type.name();
}

QString Attachment::generateMarkup(bool forEditor, const Template*) const
{
    const QString address = !m_source.isEmpty() ? m_source
                            : !m_uploadPath.isEmpty()
                                ? m_uploadPath
                                : QUrl::fromLocalFile(cachedPath()).toString();
    QString markup = QStringLiteral("<a");
    if (isLinkable(address))
        markup += QStringLiteral(" href=\"%1\"").arg(attributeAddress(address));
    if (forEditor)
        markup += QStringLiteral(" id=\"%1\"").arg(rv::encodeXML(uniqueID()));
    const QString name = rv::encodeXML(fileName());
    markup += QStringLiteral(" title=\"%1\"").arg(name);
    markup += QStringLiteral(">%1</a>").arg(m_alt.isEmpty() ? name : rv::encodeXML(m_alt));
    return markup;
}

void Attachment::setMarkup(const QString&)
{
    announce(QStringLiteral("markup"));
}

void Attachment::setUploadCaller(QObject* caller)
{
    m_uploadCaller = caller;
    announce(QStringLiteral("isUploading"));
}

bool Attachment::processUpload(const QVariantMap& answer)
{
    const QString url = answer.value(QStringLiteral("url")).toString();
    if (url.isEmpty())
        return false;
    setUploadPath(url);
    const QVariant source = answer.value(QStringLiteral("source"));
    if (source.isValid() && !source.isNull())
        setSource(source.toString());
    return true;
}

void Attachment::clearUploadAddresses()
{
    setUploadPath(QString());
}

QString Attachment::uploadFilePath(UploadVia) const
{
    return cachedPath();
}

QString Attachment::uploadFileName(UploadVia) const
{
    return fileName();
}

QString Attachment::uploadInternetType(UploadVia via) const
{
    const QString path = uploadFilePath(via);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    return internetTypeOfFile(path);
}

QString Attachment::serverFileName(const QString& baseName, const QString& sentPath)
{
    QString extension = QFileInfo(sentPath).suffix();
    if (extension.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0)
        extension = QStringLiteral("jpg");
    return extension.isEmpty() ? baseName : baseName + QLatin1Char('.') + extension;
}

QString Attachment::baseFileName() const
{
    const QString name = fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

AttachmentPtr Attachment::makeEmpty() const
{
    return std::make_shared<Attachment>();
}

void Attachment::fillCopy(Attachment& copy) const
{
    copy.setAlt(alt());
    copy.setUniqueID(uniqueID());
    copy.setCreated(created());
    copy.setFilePath(filePath());
    copy.setUploadPath(uploadPath());
    copy.setSource(source());
    copy.setFileName(m_fileName);
    copy.setFileKind(fileKind());
    copy.setFileType(fileType());
    copy.setFileSize(fileSize());
    copy.setDestination(destination());
    copy.setAccountID(accountID());
    copy.setBlogID(blogID());
    copy.setCell(m_cell);
    copy.setUploaderSettings(uploaderSettings());
}

AttachmentPtr Attachment::copy() const
{
    AttachmentPtr copy = makeEmpty();
    fillCopy(*copy);
    return copy;
}

std::span<const RecordKey<Attachment>> Attachment::storedKeys()
{
    using A = Attachment;
    static const std::array<RecordKey<Attachment>, 13> keys{{
        // Identifier and creation time are made on first read and always written.
        {"created", StoredKind::Number, InArchive, [](const A& a) { return QVariant(a.created()); },
         [](A& a, const QVariant& v) { a.setCreated(toOptional<double>(v)); }},
        {"uniqueID", StoredKind::String, InArchive,
         [](const A& a) { return QVariant(a.uniqueID()); },
         [](A& a, const QVariant& v) { a.setUniqueID(v.toString()); }},
        {"alt", StoredKind::String, InArchive, [](const A& a) { return fromText(a.m_alt); },
         [](A& a, const QVariant& v) { a.setAlt(v.toString()); }},
        {"filePath", StoredKind::String, InArchive,
         [](const A& a) { return fromText(a.m_filePath); },
         [](A& a, const QVariant& v) { a.setFilePath(v.toString()); }},
        {"uploadPath", StoredKind::String, InArchive,
         [](const A& a) { return fromText(a.m_uploadPath); },
         [](A& a, const QVariant& v) { a.setUploadPath(v.toString()); }},
        {"source", StoredKind::String, InArchive, [](const A& a) { return fromText(a.m_source); },
         [](A& a, const QVariant& v) { a.setSource(v.toString()); }},
        {"fileName", StoredKind::String, InArchive,
         [](const A& a) { return fromText(a.m_fileName); },
         [](A& a, const QVariant& v) { a.setFileName(v.toString()); }},
        {"fileType", StoredKind::Number, InArchive,
         [](const A& a) { return fromOptional(a.m_fileType); },
         [](A& a, const QVariant& v) { a.setFileType(toOptional<int>(v)); }},
        {"destination", StoredKind::String, InArchive,
         [](const A& a) { return fromText(a.m_destination); },
         [](A& a, const QVariant& v) { a.setDestination(v.toString()); }},
        {"accountID", StoredKind::String, InArchive,
         [](const A& a) { return fromText(a.m_accountID); },
         [](A& a, const QVariant& v) { a.setAccountID(v.toString()); }},
        {"blogID", StoredKind::String, InArchive, [](const A& a) { return fromText(a.m_blogID); },
         [](A& a, const QVariant& v) { a.setBlogID(v.toString()); }},
        {"cell", StoredKind::Image, InArchive,
         [](const A& a) { return a.m_cell.isNull() ? QVariant() : QVariant(a.m_cell); },
         [](A& a, const QVariant& v) { a.setCell(v.value<QImage>()); }},
        {"uploaderSettings", StoredKind::Dictionary, InArchive,
         [](const A& a) { return fromOptional(a.m_uploaderSettings); },
         [](A& a, const QVariant& v) { a.setUploaderSettings(toOptional<QVariantMap>(v)); }},
    }};
    return keys;
}

void Attachment::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<Attachment>(*this, storedKeys(), coder);
}

void Attachment::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<Attachment>(*this, storedKeys(), coder);
}
