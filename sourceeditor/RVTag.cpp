#include "RVTag.h"

#include "ArchiveClassRegistry.h"
#include "KeyedArchiver.h"
#include "KeyedUnarchiver.h"
#include "Localization.h"
#include "RecordArchiving.h"
#include "UniqueId.h"
#include "UserDefaults.h"

#include <QRegularExpression>
#include <array>
#include <atomic>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::toOptional;

namespace {

// Whether a character reference ("&amp;", "&#233;", "&#xE9;") starts at `at`.
bool referenceAt(const QString& text, qsizetype at)
{
    static const QRegularExpression reference(
        QStringLiteral("&(?:[A-Za-z][A-Za-z0-9]*|#[0-9]+|#[xX][0-9A-Fa-f]+);"));
    return reference
        .match(text, at, QRegularExpression::NormalMatch,
               QRegularExpression::AnchorAtOffsetMatchOption)
        .hasMatch();
}

// Text for a double-quoted attribute value: '"', '<' and '&' escaped. The
// selection is markup, whose "&amp;" stays as it is rather than doubling.
QString escapedAttributeText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('"'))
            escaped += QLatin1String("&quot;");
        else if (c == QLatin1Char('<'))
            escaped += QLatin1String("&lt;");
        else if (c == QLatin1Char('&') && !referenceAt(text, i))
            escaped += QLatin1String("&amp;");
        else
            escaped += c;
    }
    return escaped;
}

const std::array<RecordKey<RVTag>, 11> tagKeys{{
    {"uniqueID", StoredKind::String, InArchive,
     [](const RVTag& t) { return fromText(t.uniqueID()); },
     [](RVTag& t, const QVariant& v) { t.setUniqueIDValue(v); }},
    {"title", StoredKind::String, InArchive, [](const RVTag& t) { return fromText(t.title()); },
     [](RVTag& t, const QVariant& v) { t.setTitle(v.toString()); }},
    {"openTag", StoredKind::String, InArchive, [](const RVTag& t) { return fromText(t.openTag()); },
     [](RVTag& t, const QVariant& v) { t.setOpenTag(v.toString()); }},
    {"closeTag", StoredKind::Number, InArchive,
     [](const RVTag& t) { return fromOptional(t.storedCloseTag()); },
     [](RVTag& t, const QVariant& v) { t.setCloseTag(toOptional<bool>(v)); }},
    {"shortcut", StoredKind::String, InArchive,
     [](const RVTag& t) { return fromText(t.shortcut()); },
     [](RVTag& t, const QVariant& v) { t.setShortcut(v.toString()); }},
    {"style", StoredKind::String, InArchive, [](const RVTag& t) { return fromText(t.style()); },
     [](RVTag& t, const QVariant& v) { t.setStyle(v.toString()); }},
    {"contents", StoredKind::String, InArchive,
     [](const RVTag& t) { return fromText(t.contents()); },
     [](RVTag& t, const QVariant& v) { t.setContents(v.toString()); }},
    {"icon", StoredKind::String, InArchive, [](const RVTag& t) { return fromText(t.icon()); },
     [](RVTag& t, const QVariant& v) { t.setIcon(v.toString()); }},
    {"customOpen", StoredKind::String, InArchive,
     [](const RVTag& t) { return fromText(t.customOpen()); },
     [](RVTag& t, const QVariant& v) { t.setCustomOpen(v.toString()); }},
    {"customClose", StoredKind::String, InArchive,
     [](const RVTag& t) { return fromText(t.customClose()); },
     [](RVTag& t, const QVariant& v) { t.setCustomClose(v.toString()); }},
    {"custom", StoredKind::Number, InArchive,
     [](const RVTag& t) { return fromOptional(t.storedCustom()); },
     [](RVTag& t, const QVariant& v) { t.setCustom(toOptional<bool>(v)); }},
}};

const QString AttributesKey = QStringLiteral("attributes");

const bool registeredOnLoad = [] {
    ArchiveClassRegistry::registerClass<RVTag>(QStringLiteral("RVTag"));
    ArchiveClassRegistry::registerClass<RVAttribute>(QStringLiteral("RVAttribute"));
    return true;
}();

} // namespace

RVTag::RVTag(QObject* parent) : Genetic(parent) {}

RVTag::~RVTag() = default;

int RVTag::nextTagNumber()
{
    static std::atomic<int> made{0};
    return ++made;
}

RVTagPtr RVTag::create()
{
    auto tag = std::make_shared<RVTag>();
    tag->setUniqueID(newUniqueID());
    tag->setTitle(localized("BlogController", "Untitled %1").arg(nextTagNumber()));
    tag->m_contents = QStringLiteral("%*");
    tag->m_icon = QString(QChar(0x2756));
    return tag;
}

void RVTag::setText(QString& field, const QString& text, const char* key)
{
    field = text;
    announce(QString::fromLatin1(key));
}

void RVTag::setOpenTag(const QString& name)
{
    setText(m_openTag, name, "openTag");
}

bool RVTag::closeTag() const
{
    if (!m_closeTag)
        m_closeTag = true;
    return *m_closeTag;
}

void RVTag::setCloseTag(std::optional<bool> close)
{
    m_closeTag = close;
    announce(QStringLiteral("closeTag"));
}

void RVTag::setContents(const QString& contents)
{
    setText(m_contents, contents, "contents");
}

void RVTag::setStyle(const QString& style)
{
    setText(m_style, style, "style");
}

void RVTag::setShortcut(const QString& shortcut)
{
    setText(m_shortcut, shortcut, "shortcut");
}

void RVTag::setIcon(const QString& icon)
{
    setText(m_icon, icon, "icon");
}

bool RVTag::custom() const
{
    if (!m_custom)
        m_custom = UserDefaults::sharedInstance().integer(QStringLiteral("custom_tag_mode")) != 0;
    return *m_custom;
}

void RVTag::setCustom(std::optional<bool> custom)
{
    m_custom = custom;
    announce(QStringLiteral("custom"));
}

void RVTag::setCustomOpen(const QString& text)
{
    setText(m_customOpen, text, "customOpen");
}

void RVTag::setCustomClose(const QString& text)
{
    setText(m_customClose, text, "customClose");
}

RVAttributeList RVTag::attributes() const
{
    if (!m_attributes)
        m_attributes = RVAttributeList();
    return *m_attributes;
}

void RVTag::setAttributes(std::optional<RVAttributeList> attributes)
{
    if (m_attributes) {
        for (const RVAttributePtr& attribute : *m_attributes)
            disconnect(attribute.get(), nullptr, this, nullptr);
    }
    m_attributes = std::move(attributes);
    followAttributes();
    announce(AttributesKey);
}

// An edit of one of its attributes is a change of the tag.
void RVTag::followAttributes()
{
    if (!m_attributes)
        return;
    for (const RVAttributePtr& attribute : *m_attributes) {
        if (attribute)
            connect(attribute.get(), &ModelRecord::valueChanged, this,
                    [this] { announce(AttributesKey); });
    }
}

QString RVTag::markupString(const QString& selection, const QString& clipboard) const
{
    if (custom()) {
        QString markup = m_customOpen + m_contents + m_customClose;
        markup.replace(QLatin1String("%@"), clipboard);
        markup.replace(QLatin1String("%*"), selection);
        return markup;
    }
    // "%@" first, then "%*": a clipboard text holding "%*" gets the selection
    // too. Inside an attribute value both are escaped, so a quote in them
    // cannot end the value.
    auto fill = [&](QString text, bool attributeValue = false) {
        text.replace(QLatin1String("%@"),
                     attributeValue ? escapedAttributeText(clipboard) : clipboard);
        text.replace(QLatin1String("%*"),
                     attributeValue ? escapedAttributeText(selection) : selection);
        return text;
    };
    QString markup = QLatin1Char('<') + fill(m_openTag);
    for (const RVAttributePtr& attribute : m_attributes.value_or(RVAttributeList())) {
        if (attribute && !attribute->tagAttribute().isEmpty() && !attribute->tagValue().isEmpty())
            markup += QStringLiteral(" %1=\"%2\"")
                          .arg(fill(attribute->tagAttribute()), fill(attribute->tagValue(), true));
    }
    if (!m_style.isNull())
        markup += QStringLiteral(" style=\"%1\"").arg(fill(m_style, true));
    if (closeTag())
        markup +=
            QLatin1Char('>') + fill(m_contents) + QStringLiteral("</%1>").arg(fill(m_openTag));
    else
        markup += QStringLiteral("/>");
    return markup;
}

bool RVTag::isUsable() const
{
    if (custom())
        return !m_customOpen.isEmpty();
    // The close-tag field is set once read (YES by default); either value
    // gives an element.
    return !m_openTag.isEmpty();
}

RVTagPtr RVTag::copy() const
{
    RVTagPtr copy = create();
    for (const RecordKey<RVTag>& key : tagKeys) {
        const QVariant value = key.read(*this);
        if (value.isValid())
            key.write(*copy, value);
    }
    if (m_attributes)
        copy->setAttributes(*m_attributes);
    return copy;
}

std::span<const RecordKey<RVTag>> RVTag::storedKeys()
{
    return tagKeys;
}

QStringList RVTag::archiveClassChain() const
{
    return {QStringLiteral("RVTag"), QStringLiteral("Genetic"), QStringLiteral("NSObject")};
}

void RVTag::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<RVTag>(*this, storedKeys(), coder);
    if (m_attributes)
        coder.encodeRecords(AttributesKey, *m_attributes);
}

void RVTag::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<RVTag>(*this, storedKeys(), coder);
    if (coder.containsKey(AttributesKey))
        setAttributes(coder.decodeRecords<RVAttribute>(AttributesKey));
    if (uniqueID().isEmpty())
        setUniqueID(newUniqueID());
}
