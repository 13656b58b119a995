// How a blog's list of categories and tags changes: the server's lists merged, tags added and
// removed, renames followed.
#include "BlogCategories.h"

#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "NotificationCenter.h"
#include "StringExtensions.h"
#include "TextDecoding.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

// A category the server lists that the blog did not know: not a tag.
CategoryPtr newServerCategory(const QString& name)
{
    CategoryPtr category = Category::withTitle(name);
    category->setIsTag(false);
    return category;
}

// The record is a category the server has just listed; a non-null `id`
// becomes its identifier. Only what differs is set, so a merge that changes
// nothing announces nothing.
void markListed(Category& category, const QString& id)
{
    if (!category.foundOnServer())
        category.setFoundOnServer(true);
    if (!category.isCategory())
        category.setIsCategory(true);
    if (!id.isNull() && category.uniqueID() != id)
        category.setUniqueID(id);
}

} // namespace

CategoryPtr BlogCategories::processCategoryWithName(Blog& blog, const QString& name,
                                                    const QString& id)
{
    CategoryPtr category = blog.hasCategoryWithName(name);
    if (!category) {
        category = newServerCategory(name);
        blog.addCategory(category);
    }
    markListed(*category, id);
    return category;
}

void BlogCategories::addTags(Blog& blog, const CategoryList& tags)
{
    CategoryList list = blog.categories();
    for (const auto& tag : tags) {
        if (!tag)
            continue;
        CategoryPtr copy = tag->copy();
        copy->setIsChecked(false);
        list.append(copy);
    }
    sort(list);
    blog.setCategories(list);
}

void BlogCategories::removeTags(Blog& blog, const CategoryList& tags)
{
    CategoryList list = blog.categories();
    for (const auto& tag : tags) {
        const CategoryPtr known =
            tag ? Genetic::findRecord(list, &Genetic::title, tag->title()) : nullptr;
        if (!known)
            continue;
        if (known->isCategory())
            known->setIsTag(false);
        else
            list.removeOne(known);
    }
    blog.setCategories(list);
}

namespace {

// One category as a server lists it: its name, XML-decoded, and its
// identifier when it came with one.
struct ListedCategory {
    QString name;
    QString id;
};

std::optional<ListedCategory> listedCategory(const QVariant& element)
{
    auto text = [](const QVariant& value) {
        return value.typeId() == QMetaType::QByteArray
                   ? URLUtilities::textFromData(value.toByteArray())
                   : value.toString();
    };
    ListedCategory listed;
    switch (element.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        listed.name = text(element);
        break;
    case QMetaType::QVariantMap: {
        const QVariantMap record = element.toMap();
        const QVariant name = record.value(QStringLiteral("categoryname"));
        if (name.isValid() && !name.isNull()) {
            const QVariant id = record.value(QStringLiteral("categoryid"));
            if (!id.isValid() || id.isNull())
                return std::nullopt; // a named category without its identifier
            listed.name = text(name);
            listed.id = id.toString();
        } else {
            listed.name = text(record.value(QStringLiteral("description")));
        }
        break;
    }
    default:
        return std::nullopt;
    }
    if (listed.name.isEmpty())
        return std::nullopt;
    listed.name = rv::decodeXML(listed.name);
    return listed;
}

QVariantList listedElements(const QVariant& answer)
{
    switch (answer.typeId()) {
    case QMetaType::QVariantList:
        return answer.toList();
    case QMetaType::QVariantMap: {
        QVariantList names;
        for (const QString& key : answer.toMap().keys())
            names.append(key);
        return names;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return {answer};
    default:
        return {};
    }
}

} // namespace

void BlogCategories::processCategories(Blog& blog, const QVariant& answer)
{
    CategoryList list = blog.categories();
    // By title, the first record of a title winning as in hasCategoryWithName,
    // and by decoded title for records stored before names were decoded: a
    // blog with thousands of categories is not searched once per category.
    QHash<QString, CategoryPtr> byTitle;
    QHash<QString, CategoryPtr> byDecodedTitle;
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        byTitle.insert((*it)->title(), *it);
        const QString decoded = rv::decodeXML((*it)->title());
        if (decoded != (*it)->title())
            byDecodedTitle.insert(decoded, *it);
    }
    QList<ListedCategory> answered;
    QSet<QString> answeredNames;
    for (const QVariant& element : listedElements(answer)) {
        if (std::optional<ListedCategory> category = listedCategory(element)) {
            answeredNames.insert(category->name);
            answered.append(std::move(*category));
        }
    }
    // By the server's identifier: a category renamed on the server keeps
    // its record, so that posts holding it send the new name.
    QHash<QString, CategoryPtr> byID;
    for (const CategoryPtr& record : std::as_const(list))
        if (record->isCategory() && !record->uniqueID().isEmpty())
            byID.insert(record->uniqueID(), record);
    QSet<const Category*> listed;
    for (const ListedCategory& category : std::as_const(answered)) {
        CategoryPtr record = byTitle.value(category.name);
        CategoryPtr renamed = category.id.isEmpty() ? nullptr : byID.value(category.id);
        // Only a record whose old name the server no longer lists is renamed.
        if (renamed && (listed.contains(renamed.get()) || answeredNames.contains(renamed->title())))
            renamed = nullptr;
        if (!record) {
            if (CategoryPtr encoded = byDecodedTitle.take(category.name)) {
                // Stored encoded: the record takes the plain name, in the
                // entries that chose it too.
                if (byTitle.value(encoded->title()) == encoded)
                    byTitle.remove(encoded->title());
                rename(blog, encoded->title(), category.name);
                record = encoded;
            } else if (renamed) {
                if (byTitle.value(renamed->title()) == renamed)
                    byTitle.remove(renamed->title());
                rename(blog, renamed->title(), category.name);
                record = renamed;
            } else {
                record = newServerCategory(category.name);
                list.append(record);
            }
            byTitle.insert(category.name, record);
        }
        markListed(*record, category.id);
        listed.insert(record.get());
    }
    // What the server no longer lists. A record that leaves the list keeps
    // its flags: an entry may hold the same record among its chosen ones.
    list.removeIf([&listed](const CategoryPtr& c) {
        if (listed.contains(c.get()) || !c->isCategory())
            return false;
        if (!c->isTag())
            return true;
        c->setIsCategory(false);
        c->setFoundOnServer(false);
        return false;
    });
    sort(list);
    blog.setCategories(list);
}

void BlogCategories::processTagsWithNames(Blog& blog, const QStringList& names)
{
    // By title, the first record of each title winning as in hasCategoryWithName:
    // a post naming thousands of tags must not search the list once per tag.
    QHash<QString, CategoryPtr> byTitle;
    if (blog.m_categories) {
        for (auto it = blog.m_categories->crbegin(); it != blog.m_categories->crend(); ++it)
            byTitle.insert((*it)->title(), *it);
    }
    CategoryList added;
    for (const QString& name : names) {
        if (name.isEmpty())
            continue;
        CategoryPtr& tag = byTitle[name];
        if (!tag) {
            tag = Category::withTitle(name);
            tag->setIsCategory(false);
            added.append(tag);
        }
        tag->setIsTag(true);
    }
    append(blog, added);
}

void BlogCategories::append(Blog& blog, const CategoryList& categories)
{
    if (categories.isEmpty())
        return;
    if (!blog.m_categories)
        blog.m_categories = CategoryList();
    blog.m_categories->append(categories);
    sort(*blog.m_categories);
    blog.announce(QStringLiteral("categories"));
}

void BlogCategories::sort(CategoryList& list)
{
    std::stable_sort(list.begin(), list.end(), [](const CategoryPtr& a, const CategoryPtr& b) {
        return Genetic::titleLessThan(*a, *b);
    });
}

void BlogCategories::rename(Blog& blog, const QString& oldTitle, const QString& newTitle)
{
    if (oldTitle.isEmpty() || newTitle.isEmpty() || oldTitle == newTitle)
        return;
    // followRename renames quietly: no notice goes out to the rest of the model.
    const QVariantMap rename{{QStringLiteral("old"), oldTitle}, {QStringLiteral("new"), newTitle}};
    auto renameIn = [&rename](const CategoryList& list) {
        for (const auto& category : list)
            category->followRename(rename);
    };
    renameIn(blog.categories());
    for (const auto& entry : blog.entries()) {
        if (const auto list = entry->categories()) {
            renameIn(*list);
            entry->setNeedsSave(true);
        }
    }
    blog.announce(QStringLiteral("categories"));
}

bool BlogCategories::owns(const Blog& blog, const Category* category)
{
    auto holds = [category](const CategoryList& list) {
        return std::any_of(list.begin(), list.end(),
                           [category](const auto& c) { return c.get() == category; });
    };
    if (holds(blog.categories()))
        return true;
    const auto all = blog.entries();
    return std::any_of(all.begin(), all.end(), [&holds](const EntryPtr& entry) {
        const auto list = entry->categories();
        return list && holds(*list);
    });
}

void BlogCategories::followRename(Blog& blog, const Notification& notification)
{
    const auto* renamed = qobject_cast<const Category*>(notification.object.data());
    const QVariant oldTitle = notification.userInfo.value(QStringLiteral("old"));
    const QVariant newTitle = notification.userInfo.value(QStringLiteral("new"));
    if (!renamed || !oldTitle.isValid() || !newTitle.isValid() || !owns(blog, renamed))
        return;
    rename(blog, oldTitle.toString(), newTitle.toString());
}
