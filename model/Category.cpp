#include "Category.h"

#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RecordArchiving.h"
#include "StringExtensions.h"

#include <array>

using StoredValue::fromOptional;
using StoredValue::fromText;
using StoredValue::toOptional;

namespace {

QString describe(const QString& text)
{
    return text.isNull() ? QStringLiteral("(null)") : text;
}

QString describe(const std::optional<bool>& value)
{
    return value ? QString::number(int(*value)) : QStringLiteral("(null)");
}

const std::array<RecordKey<Category>, 7> categoryKeys{{
    {"uniqueID", StoredKind::String, InBoth,
     [](const Category& c) { return fromText(c.uniqueID()); },
     [](Category& c, const QVariant& v) { c.setUniqueIDValue(v); }},
    {"title", StoredKind::String, InBoth, [](const Category& c) { return fromText(c.title()); },
     [](Category& c, const QVariant& v) { c.setTitle(v.toString()); }},
    {"displayName", StoredKind::String, InDictionary,
     [](const Category& c) { return fromText(c.displayName()); },
     [](Category& c, const QVariant& v) { c.setDisplayName(v.toString()); }},
    {"isChecked", StoredKind::Number, InBoth,
     [](const Category& c) { return fromOptional(c.storedIsChecked()); },
     [](Category& c, const QVariant& v) { c.setIsChecked(toOptional<bool>(v)); }},
    {"isPrimary", StoredKind::Number, InBoth,
     [](const Category& c) { return fromOptional(c.storedIsPrimary()); },
     [](Category& c, const QVariant& v) { c.setIsPrimary(toOptional<bool>(v)); }},
    {"isTag", StoredKind::Number, InBoth,
     [](const Category& c) { return fromOptional(c.storedIsTag()); },
     [](Category& c, const QVariant& v) { c.setIsTag(toOptional<bool>(v)); }},
    {"isCategory", StoredKind::Number, InBoth,
     [](const Category& c) { return fromOptional(c.storedIsCategory()); },
     [](Category& c, const QVariant& v) { c.setIsCategory(toOptional<bool>(v)); }},
}};

} // namespace

Category::Category(QObject* parent)
    : Genetic(parent), m_isChecked(false), m_isPrimary(false), m_isTag(true), m_isCategory(false)
{
}

Category::~Category() = default;

std::span<const RecordKey<Category>> Category::storedKeys()
{
    return categoryKeys;
}

bool Category::isChecked() const
{
    if (!m_isChecked) {
        m_isChecked = false;
        countQuietChange();
    }
    return *m_isChecked;
}

bool Category::isPrimary() const
{
    if (!m_isPrimary) {
        m_isPrimary = false;
        countQuietChange();
    }
    return *m_isPrimary;
}

bool Category::isTag() const
{
    if (!m_isTag) {
        m_isTag = true;
        countQuietChange();
    }
    return *m_isTag;
}

bool Category::isCategory() const
{
    if (!m_isCategory) {
        m_isCategory = false;
        countQuietChange();
    }
    return *m_isCategory;
}

void Category::setIsChecked(std::optional<bool> value)
{
    m_isChecked = value;
    announce(QStringLiteral("isChecked"));
}

void Category::setIsPrimary(std::optional<bool> value)
{
    m_isPrimary = value;
    announce(QStringLiteral("isPrimary"));
}

void Category::setIsTag(std::optional<bool> value)
{
    m_isTag = value;
    announce(QStringLiteral("isTag"));
}

void Category::setIsCategory(std::optional<bool> value)
{
    m_isCategory = value;
    announce(QStringLiteral("isCategory"));
}

void Category::setTitle(const QString& title)
{
    const QString stored = title.isEmpty() ? untitled() : title;
    QVariantMap rename;
    if (!title.isNull() && !this->title().isNull() && !m_notified) {
        rename.insert(QStringLiteral("new"), stored);
        rename.insert(QStringLiteral("old"), this->title());
    }
    storeTitle(stored, rv::trimHTML(stored));
    if (!rename.isEmpty())
        NotificationCenter::sharedInstance().post(
            QString::fromLatin1(ModelNotifications::didRenameCategory), this, rename);
    m_notified = false;
}

void Category::followRename(const QVariantMap& rename)
{
    const QVariant newTitle = rename.value(QStringLiteral("new"));
    const QVariant oldTitle = rename.value(QStringLiteral("old"));
    if (!newTitle.isValid() || !oldTitle.isValid())
        return;
    if (!title().isNull() && title() == oldTitle.toString()) {
        m_notified = true;
        setTitle(newTitle.toString());
    }
}

QVariantMap Category::dictionary() const
{
    QVariantMap result;
    for (const auto& key : categoryKeys) {
        if (!(key.forms & InDictionary))
            continue;
        const QVariant value = key.read(*this);
        if (value.isValid())
            result.insert(QString::fromLatin1(key.name), value);
    }
    return result;
}

CategoryPtr Category::fromDictionary(const QVariantMap& dictionary)
{
    // The key names made once: entry files hold categories by the thousand.
    static const auto names = [] {
        std::array<QString, categoryKeys.size()> made;
        for (size_t i = 0; i < categoryKeys.size(); ++i)
            made[i] = QString::fromLatin1(categoryKeys[i].name);
        return made;
    }();
    auto category = std::make_shared<Category>();
    // Table order, so a stored display name is not overwritten by the title's.
    for (size_t i = 0; i < categoryKeys.size(); ++i) {
        const auto found = dictionary.constFind(names[i]);
        if (found != dictionary.cend() && !StoredValue::isNil(found.value()))
            categoryKeys[i].write(*category, found.value());
    }
    return category;
}

CategoryPtr Category::withTitle(const QString& title)
{
    auto category = std::make_shared<Category>();
    category->setTitle(title);
    return category;
}

CategoryPtr Category::copy() const
{
    auto copy = std::make_shared<Category>();
    copy->setUniqueID(uniqueID());
    copy->setTitle(title());
    copy->setDisplayName(displayName());
    copy->setIsChecked(isChecked());
    copy->setIsPrimary(isPrimary());
    copy->setIsTag(isTag());
    copy->setIsCategory(isCategory());
    return copy;
}

QString Category::description() const
{
    return QStringLiteral("id: %1\ntitle: %2\nchecked: %3\nprimary: %4\ntag: %5\ncategory: %6\n")
        .arg(describe(uniqueID()), describe(title()), describe(m_isChecked), describe(m_isPrimary),
             describe(m_isTag), describe(m_isCategory));
}

QStringList Category::archiveClassChain() const
{
    return {QStringLiteral("Category"), QStringLiteral("Genetic"), QStringLiteral("NSObject")};
}

void Category::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<Category>(*this, storedKeys(), coder);
}

void Category::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<Category>(*this, storedKeys(), coder);
    setFoundOnServer(false);
}
