#include "ServerPostReader.h"

#include "Blog.h"
#include "BlogClock.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryRenderer.h"
#include "ModelLog.h"
#include "RecordKey.h"
#include "StringExtensions.h"
#include "TextDecoding.h"

#include <QDebug>
#include <QSet>

namespace {

bool has(const QVariantMap& post, const char* key)
{
    return !StoredValue::isNil(post.value(QLatin1String(key)));
}

QString stringValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? StoredValue::readableText(value.toString())
                                                : QString();
}

} // namespace

const QStringList& ServerPostReader::knownKeys()
{
    static const QStringList keys{QStringLiteral("id"),
                                  QStringLiteral("categories"),
                                  QStringLiteral("datecreated"),
                                  QStringLiteral("description"),
                                  QStringLiteral("mt_allow_comments"),
                                  QStringLiteral("mt_allow_pings"),
                                  QStringLiteral("mt_convert_breaks"),
                                  QStringLiteral("mt_excerpt"),
                                  QStringLiteral("mt_keywords"),
                                  QStringLiteral("mt_tags"),
                                  QStringLiteral("mt_text_more"),
                                  QStringLiteral("permalink"),
                                  QStringLiteral("postid"),
                                  QStringLiteral("title"),
                                  QStringLiteral("userid")};
    return keys;
}

QDateTime ServerPostReader::postDate(const QVariantMap& post, const Blog* blog)
{
    const QDateTime date = BlogClock::postInstant(post, blog);
    return date.isValid() ? date.toLocalTime() : QDateTime::currentDateTime();
}

EntryPtr ServerPostReader::entryFromPost(const QVariantMap& post, Blog* blog, bool ignoreCategories)
{
    if (post.isEmpty())
        return nullptr;
    auto entry = std::make_shared<Entry>();
    entry->commonInit();
    entry->setParentBlog(blog);
    entry->setEntryDate(postDate(post, blog));
    setOtherContent(*entry, post, ignoreCategories);

    const QString title = stringValue(post.value(QStringLiteral("title")));
    if (blog && blog->option(QStringLiteral("convertEntities")).toBool())
        entry->setTitle(title.isNull() ? QLatin1String("") : rv::convertEntities(title));
    else
        entry->setTitle(title);
    const EntryRenderer renderer(*entry);
    entry->setBody(renderer.extractTags(stringValue(post.value(QStringLiteral("description")))));
    entry->setExtended(
        renderer.extractTags(stringValue(post.value(QStringLiteral("mt_text_more")))));
    entry->setSummary(renderer.extractTags(stringValue(post.value(QStringLiteral("mt_excerpt")))));
    EntryContent(*entry).tagsFromKeywords(stringValue(post.value(QStringLiteral("mt_keywords"))));
    return entry;
}

void ServerPostReader::setOtherContent(Entry& entry, const QVariantMap& post, bool ignoreCategories)
{
    Blog* blog = dynamic_cast<Blog*>(entry.parentBlog());
    const PluginTraits traits = blog ? blog->pluginTraits() : PluginTraits();
    const bool ignore = ignoreCategories && traits.needsSeparateCategoryRequests;
    EntryContent content(entry);

    for (int bit : {Entry::LocalOnly, Entry::BeingDeleted, Entry::ChangedLocally}) {
        if (entry.hasFlag(bit))
            entry.removeFlag(bit);
    }
    entry.setFoundOnServer(true);
    entry.setNeedsSave(true);

    enum { User, PermaLink, Link, Links, Format, Tags, Categories, Pings, Comments };
    const auto values =
        valuesOf<9>(post, {u"userid", u"permalink", u"link", u"links", u"mt_convert_breaks",
                           u"mt_tags", u"categories", u"mt_allow_pings", u"mt_allow_comments"});
    const auto value = [&values](int key) { return values[key] ? *values[key] : QVariant(); };
    // A nil counts as no value.
    const auto given = [&value](int key) {
        const QVariant found = value(key);
        return StoredValue::isNil(found) ? QVariant() : found;
    };

    const QVariant user = value(User);
    if (user.typeId() == QMetaType::QString)
        entry.setAuthor(user.toString());
    else if (!StoredValue::isNil(user))
        entry.setAuthor(QString::number(user.toLongLong()));

    if (const QVariant link = given(PermaLink); link.isValid())
        entry.setPermaLink(link.toString());
    else if (const QVariant other = given(Link); other.isValid())
        entry.setPermaLink(other.toString());

    for (const QVariant& item : value(Links).toList()) {
        const QVariantMap link = item.toMap();
        if (!link.contains(QStringLiteral("rel")))
            continue;
        const QString rel = link.value(QStringLiteral("rel")).toString();
        const QString href = link.value(QStringLiteral("href")).toString();
        if (rel == QLatin1String("alternate")) {
            if (link.value(QStringLiteral("type")).toString() ==
                QLatin1String("application/atom+xml"))
                entry.setEditURI(href);
            else
                entry.setPermaLink(href);
        }
        if (rel.contains(QLatin1String("edit")))
            entry.setEditURI(href);
    }

    if (const QVariant format = given(Format); format.isValid())
        entry.setFormatValue(format);

    // The records the list is rebuilt from the post without: a category the
    // server names keeps what only the entry knew of it (its id, primary).
    const CategoryList previous = entry.categories().value_or(CategoryList());
    if (ignore)
        content.clearTags();
    else
        entry.setCategories(CategoryList());

    const QVariant tags = value(Tags);
    QStringList tagNames;
    if (tags.typeId() == QMetaType::QString && !tags.toString().isEmpty()) {
        const QString text = tags.toString();
        tagNames =
            text.split(text.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char(' '));
    } else if (tags.typeId() == QMetaType::QVariantList) {
        for (const QVariant& tag : tags.toList())
            tagNames.append(tag.toString());
    }
    // Sent XML-encoded, as category names are, and decoded as they are.
    for (QString& name : tagNames)
        name = rv::decodeXML(EntryContent::trimSpacesAndTabs(name));
    content.addTags(tagNames);

    if (const QVariant categories = ignore ? QVariant() : given(Categories); categories.isValid()) {
        QVariantList elements;
        if (categories.typeId() == QMetaType::QVariantMap) {
            for (const QString& key : categories.toMap().keys())
                elements.append(key);
        } else if (categories.typeId() == QMetaType::QString) {
            elements.append(categories);
        } else {
            elements = categories.toList();
        }
        for (const QVariant& element : elements) {
            QString name, id;
            if (element.typeId() == QMetaType::QString) {
                name = rv::decodeXML(element.toString());
            } else if (element.typeId() == QMetaType::QByteArray) {
                name = rv::decodeXML(URLUtilities::textFromData(element.toByteArray()));
            } else if (element.typeId() == QMetaType::QVariantMap) {
                const QVariantMap record = element.toMap();
                if (has(record, "description")) {
                    name = record.value(QStringLiteral("description")).toString();
                } else {
                    name = rv::decodeXML(record.value(QStringLiteral("name")).toString());
                    if (has(record, "id"))
                        id = record.value(QStringLiteral("id")).toString();
                }
            }
            if (name.isEmpty()) {
                qCWarning(lcModel).noquote() << "Could not figure out category data";
                continue;
            }
            CategoryPtr category = content.hasCategoryWithName(name);
            if (!category) {
                category = Category::withTitle(name);
                const CategoryPtr known =
                    Genetic::findRecord(previous, &Genetic::title, category->title());
                if (!id.isEmpty()) {
                    category->setUniqueID(id);
                } else if (known && known->isCategory()) {
                    category->setUniqueID(known->uniqueID());
                    category->setIsPrimary(known->isPrimary());
                }
                if (traits.treatCategoriesAsTags)
                    category->setIsCategory(false);
                else
                    category->setIsTag(false);
                content.addCategories({category});
            }
            if (traits.treatCategoriesAsTags) {
                category->setIsTag(true);
                if (blog)
                    blog->processTagWithName(category->title());
            } else {
                category->setIsCategory(true);
            }
        }
    }

    if (const QVariant pings = given(Pings); pings.isValid())
        entry.setTrackbackOption(pings);
    if (const QVariant comments = given(Comments); comments.isValid())
        entry.setCommentOption(comments);

    // Gathered rather than copied and pruned: a refresh reads every post it
    // lists. A setting the post lacks stays as the entry has it.
    static const QSet<QString> known(knownKeys().cbegin(), knownKeys().cend());
    QVariantMap unknown;
    for (auto it = post.cbegin(); it != post.cend(); ++it) {
        if (!known.contains(it.key()))
            unknown.insert(unknown.cend(), it.key(), it.value());
    }
    if (!unknown.isEmpty()) {
        QVariantMap settings = entry.pluginSettings();
        if (settings.isEmpty()) {
            settings = std::move(unknown);
        } else {
            for (auto it = unknown.cbegin(); it != unknown.cend(); ++it)
                settings.insert(it.key(), it.value());
        }
        entry.setPluginSettings(settings);
    }
}
