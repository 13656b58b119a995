#include "Template.h"

#include "AtomicFile.h"
#include "Localization.h"
#include "RecordArchiving.h"
#include "SupportFolder.h"
#include "UniqueId.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <array>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::isNil;
using StoredValue::toOptional;

namespace {

std::optional<rv::Color> toColor(const QVariant& v)
{
    if (isNil(v) || !v.canConvert<rv::Color>())
        return std::nullopt;
    return v.value<rv::Color>();
}

QString resourceText(const QString& name)
{
    QFile file(QStringLiteral(":/model/%1.html").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QString familyOf(QFontDatabase::SystemFont which, const char* fallback)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QFontDatabase::systemFont(which).family();
    return QString::fromLatin1(fallback);
}

} // namespace

Template::Template(QObject* parent) : ModelRecord(parent), m_uniqueID(newUniqueID()) {}

Template::~Template() = default;

std::span<const RecordKey<Template>> Template::storedKeys()
{
    using T = Template;
    static const std::array<RecordKey<Template>, 22> keys{{
        // The identifier is made on first read, so it is always written.
        {"uniqueID", StoredKind::String, InArchive,
         [](const T& t) { return QVariant(t.uniqueID()); },
         [](T& t, const QVariant& v) { t.setUniqueID(v.toString()); }},
        {"html", StoredKind::String, InArchive, [](const T& t) { return fromText(t.m_html); },
         [](T& t, const QVariant& v) { t.setHtml(v.toString()); }},
        {"title", StoredKind::String, InArchive, [](const T& t) { return fromText(t.m_title); },
         [](T& t, const QVariant& v) { t.setTitle(v.toString()); }},
        {"body", StoredKind::String, InArchive, [](const T& t) { return fromText(t.m_body); },
         [](T& t, const QVariant& v) { t.setBody(v.toString()); }},
        {"extended", StoredKind::String, InArchive,
         [](const T& t) { return fromText(t.m_extended); },
         [](T& t, const QVariant& v) { t.setExtended(v.toString()); }},
        {"summary", StoredKind::String, InArchive, [](const T& t) { return fromText(t.m_summary); },
         [](T& t, const QVariant& v) { t.setSummary(v.toString()); }},
        {"keywords", StoredKind::String, InArchive,
         [](const T& t) { return fromText(t.m_keywords); },
         [](T& t, const QVariant& v) { t.setKeywords(v.toString()); }},
        {"separator", StoredKind::String, InArchive,
         [](const T& t) { return fromText(t.m_separator); },
         [](T& t, const QVariant& v) { t.setSeparator(v.toString()); }},
        {"url", StoredKind::String, InArchive, [](const T& t) { return fromText(t.m_url); },
         [](T& t, const QVariant& v) { t.setUrl(v.toString()); }},
        {"location", StoredKind::Number, InArchive,
         [](const T& t) { return fromOptional(t.m_location); },
         [](T& t, const QVariant& v) { t.setLocation(toOptional<int>(v)); }},
        {"css", StoredKind::String, InArchive, [](const T& t) { return fromText(t.m_css); },
         [](T& t, const QVariant& v) { t.setCss(v.toString()); }},
        {"js", StoredKind::String, InArchive, [](const T& t) { return fromText(t.m_js); },
         [](T& t, const QVariant& v) { t.setJs(v.toString()); }},
        {"backgroundImage", StoredKind::String, InArchive,
         [](const T& t) { return fromText(t.m_backgroundImage); },
         [](T& t, const QVariant& v) { t.setBackgroundImage(v.toString()); }},
        {"backgroundColor", StoredKind::Color, InArchive,
         [](const T& t) { return fromOptional(t.m_backgroundColor); },
         [](T& t, const QVariant& v) { t.setBackgroundColor(toColor(v)); }},
        {"textColor", StoredKind::Color, InArchive,
         [](const T& t) { return fromOptional(t.m_textColor); },
         [](T& t, const QVariant& v) { t.setTextColor(toColor(v)); }},
        {"htmlColor", StoredKind::Color, InArchive,
         [](const T& t) { return fromOptional(t.m_htmlColor); },
         [](T& t, const QVariant& v) { t.setHtmlColor(toColor(v)); }},
        {"attributeColor", StoredKind::Color, InArchive,
         [](const T& t) { return fromOptional(t.m_attributeColor); },
         [](T& t, const QVariant& v) { t.setAttributeColor(toColor(v)); }},
        {"bracketColor", StoredKind::Color, InArchive,
         [](const T& t) { return fromOptional(t.m_bracketColor); },
         [](T& t, const QVariant& v) { t.setBracketColor(toColor(v)); }},
        {"fontName", StoredKind::String, InArchive,
         [](const T& t) { return fromText(t.m_fontName); },
         [](T& t, const QVariant& v) { t.setFontName(v.toString()); }},
        {"fontSize", StoredKind::Number, InArchive,
         [](const T& t) { return fromOptional(t.m_fontSize); },
         [](T& t, const QVariant& v) { t.setFontSize(toOptional<double>(v)); }},
        {"alignment", StoredKind::Number, InArchive,
         [](const T& t) { return fromOptional(t.m_alignment); },
         [](T& t, const QVariant& v) { t.setAlignment(toOptional<int>(v)); }},
        {"tileBackground", StoredKind::Number, InArchive,
         [](const T& t) { return fromOptional(t.m_tileBackground); },
         [](T& t, const QVariant& v) { t.setTileBackground(toOptional<bool>(v)); }},
    }};
    return keys;
}

QString Template::uniqueID() const
{
    if (m_uniqueID.isEmpty())
        m_uniqueID = newUniqueID();
    return m_uniqueID;
}

void Template::setUniqueID(const QString& id)
{
    m_uniqueID = id;
    announce(QStringLiteral("uniqueID"));
}

QString Template::textOrDefault(QString& field, const QString& fallback) const
{
    if (field.isNull())
        field = fallback;
    return field;
}

void Template::storeText(QString& field, const QString& text, const char* key)
{
    field = text;
    announce(QString::fromLatin1(key));
}

QString Template::html() const
{
    return textOrDefault(m_html, QLatin1String(""));
}
QString Template::body() const
{
    return textOrDefault(m_body, QLatin1String(""));
}
QString Template::extended() const
{
    return textOrDefault(m_extended, QLatin1String(""));
}
QString Template::summary() const
{
    return textOrDefault(m_summary, QLatin1String(""));
}
QString Template::keywords() const
{
    return textOrDefault(m_keywords, QLatin1String(""));
}
QString Template::title() const
{
    return textOrDefault(m_title, QLatin1String(""));
}
QString Template::separator() const
{
    return textOrDefault(m_separator, QStringLiteral(", "));
}
QString Template::url() const
{
    return textOrDefault(m_url, QLatin1String(""));
}
QString Template::css() const
{
    return textOrDefault(m_css, QLatin1String(""));
}
QString Template::js() const
{
    return textOrDefault(m_js, QLatin1String(""));
}

void Template::setHtml(const QString& text)
{
    storeText(m_html, text, "html");
}
void Template::setBody(const QString& text)
{
    storeText(m_body, text, "body");
}
void Template::setExtended(const QString& text)
{
    storeText(m_extended, text, "extended");
}
void Template::setSummary(const QString& text)
{
    storeText(m_summary, text, "summary");
}
void Template::setKeywords(const QString& text)
{
    storeText(m_keywords, text, "keywords");
}
void Template::setTitle(const QString& text)
{
    storeText(m_title, text, "title");
}
void Template::setSeparator(const QString& text)
{
    storeText(m_separator, text, "separator");
}
void Template::setUrl(const QString& text)
{
    storeText(m_url, text, "url");
}
void Template::setCss(const QString& text)
{
    storeText(m_css, text, "css");
}
void Template::setJs(const QString& text)
{
    storeText(m_js, text, "js");
}
void Template::setFontName(const QString& name)
{
    storeText(m_fontName, name, "fontName");
}

void Template::setBackgroundImage(const QString& path)
{
    storeText(m_backgroundImage, path, "backgroundImage");
}

bool Template::storeBackgroundImage(const QImage& image, QString* error)
{
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (image.isNull())
        return fail(localized("Template", "The background image is empty."));
    const QString folder = cutils::applicationSupportFolder();
    if (folder.isEmpty())
        return fail(localized("Template", "The application support folder cannot be made."));
    // A new name for every image: copies of this template share its identifier, and
    // reusing a name would change the background of every blog holding a copy.
    const QString path = QStringLiteral("%1/%2.png").arg(folder, newUniqueID());
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return fail(localized("Template", "Could not write \"%1\": %2")
                        .arg(path, localized("Template", "the image could not be encoded")));
    QString reason;
    if (!AtomicFile::write(path, png, &reason))
        return fail(reason);
    setBackgroundImage(path);
    return true;
}

void Template::setLocation(std::optional<int> location)
{
    m_location = location;
    announce(QStringLiteral("location"));
}

void Template::setBackgroundColor(std::optional<rv::Color> color)
{
    m_backgroundColor = color;
    announce(QStringLiteral("backgroundColor"));
}

void Template::setTextColor(std::optional<rv::Color> color)
{
    m_textColor = color;
    announce(QStringLiteral("textColor"));
}

void Template::setHtmlColor(std::optional<rv::Color> color)
{
    m_htmlColor = color;
    announce(QStringLiteral("htmlColor"));
}

void Template::setAttributeColor(std::optional<rv::Color> color)
{
    m_attributeColor = color;
    announce(QStringLiteral("attributeColor"));
}

void Template::setBracketColor(std::optional<rv::Color> color)
{
    m_bracketColor = color;
    announce(QStringLiteral("bracketColor"));
}

void Template::setFontSize(std::optional<double> points)
{
    m_fontSize = points;
    announce(QStringLiteral("fontSize"));
}

int Template::alignment() const
{
    if (!m_alignment)
        m_alignment = 1;
    return *m_alignment;
}

void Template::setAlignment(std::optional<int> alignment)
{
    m_alignment = alignment;
    announce(QStringLiteral("alignment"));
}

void Template::setTileBackground(std::optional<bool> tile)
{
    m_tileBackground = tile;
    announce(QStringLiteral("tileBackground"));
}

TemplatePtr Template::copy() const
{
    auto copy = std::make_shared<Template>();
    copy->setUniqueID(uniqueID());
    copy->setHtml(html());
    copy->setBody(body());
    copy->setExtended(extended());
    copy->setSummary(summary());
    copy->setKeywords(keywords());
    copy->setTitle(title());
    copy->setSeparator(separator());
    copy->setUrl(url());
    copy->setCss(css());
    copy->setJs(js());
    copy->setLocation(location());
    copy->setBackgroundImage(backgroundImage());
    copy->setBackgroundColor(backgroundColor());
    copy->setTextColor(textColor());
    copy->setHtmlColor(htmlColor());
    copy->setAttributeColor(attributeColor());
    copy->setBracketColor(bracketColor());
    copy->setFontName(fontName());
    copy->setFontSize(fontSize());
    copy->setAlignment(alignment());
    copy->setTileBackground(tileBackground());
    return copy;
}

TemplatePtr Template::defaultPreviewTemplate()
{
    auto preview = std::make_shared<Template>();
    preview->setHtml(resourceText(QStringLiteral("template_html")));
    preview->setBody(resourceText(QStringLiteral("template_body")));
    preview->setJs(QLatin1String(""));
    preview->setCss(resourceText(QStringLiteral("template_css")));
    return preview;
}

TemplatePtr Template::defaultRichTemplate()
{
    auto rich = std::make_shared<Template>();
    rich->setHtml(QLatin1String(""));
    rich->setBody(QLatin1String(""));
    rich->setJs(QLatin1String(""));
    rich->setCss(QLatin1String(""));
    rich->setBackgroundColor(rv::Color(1, 1, 1, 1));
    rich->setTextColor(rv::Color(0, 0, 0, 1));
    rich->setAlignment(1);
    rich->setFontName(familyOf(QFontDatabase::GeneralFont, "Sans Serif"));
    rich->setFontSize(12.0);
    return rich;
}

TemplatePtr Template::defaultHtmlTemplate()
{
    auto source = std::make_shared<Template>();
    source->setHtml(QLatin1String(""));
    source->setBody(QLatin1String(""));
    source->setJs(QLatin1String(""));
    source->setCss(QStringLiteral(".plumet_tag {color:$TAGCOLOR$;}\n.plumet_attr "
                                  "{color:$ATTRCOLOR$;}\n.plumetcontent {padding: 6px;}"));
    source->setBackgroundColor(rv::Color(1, 1, 1, 1));
    source->setTextColor(rv::Color(0, 0, 0, 1));
    source->setHtmlColor(rv::Color(1, 0.502, 0, 1));
    source->setAttributeColor(rv::Color(0.502, 0, 1, 1));
    source->setBracketColor(rv::Color(1, 0.03, 0.69, 1));
    source->setAlignment(0);
    source->setTileBackground(false);
    source->setFontName(familyOf(QFontDatabase::FixedFont, "Monospace"));
    source->setFontSize(9.0);
    return source;
}

QStringList Template::archiveClassChain() const
{
    return {QStringLiteral("Template"), QStringLiteral("NSObject")};
}

void Template::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<Template>(*this, storedKeys(), coder);
}

void Template::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<Template>(*this, storedKeys(), coder);
}
