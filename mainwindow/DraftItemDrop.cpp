#include "DraftItemDrop.h"

#include "Account.h"
#include "Blog.h"
#include "Entry.h"
#include "Localization.h"
#include "PropertyList.h"

#include <QMimeData>
#include <QVariantMap>

namespace DraftItemDrop {

QByteArray payloadFor(const QList<Entry*>& entries)
{
    QVariantMap accounts;
    for (Entry* entry : entries) {
        auto* blog = dynamic_cast<Blog*>(entry->parentBlog());
        if (!blog)
            continue;
        QVariantMap blogs = accounts.value(blog->accountID()).toMap();
        QVariantList ids = blogs.value(blog->uniqueID()).toList();
        ids.append(entry->uniqueID());
        blogs.insert(blog->uniqueID(), ids);
        accounts.insert(blog->accountID(), blogs);
    }
    return PropertyList::write(accounts, PropertyList::Format::Xml);
}

QMimeData* mimeDataFor(const QList<Entry*>& entries)
{
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(mimeType), payloadFor(entries));
    return data;
}

std::optional<Items> read(const QByteArray& payload)
{
    const QVariant root = PropertyList::read(payload);
    if (root.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap accounts = root.toMap();
    if (accounts.size() != 1)
        return std::nullopt;
    const QVariant blogs = accounts.first();
    if (blogs.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    Items items{accounts.firstKey(), {}};
    const QVariantMap blogMap = blogs.toMap();
    for (auto it = blogMap.begin(); it != blogMap.end(); ++it) {
        if (it.value().typeId() != QMetaType::QVariantList)
            return std::nullopt;
        QStringList ids;
        for (const QVariant& id : it.value().toList()) {
            if (id.typeId() != QMetaType::QString)
                return std::nullopt;
            ids.append(id.toString());
        }
        items.blogs.append({it.key(), ids});
    }
    return items;
}

bool hasRoadInFlight(const Entry& entry)
{
    return entry.beingPublished() || entry.publishActivity() || entry.deleteActivity() ||
           entry.hasFlag(Entry::BeingDeleted);
}

namespace {

// Calls `visit` with each listed entry its source blog holds, the target blog excluded.
template <class Visit>
bool forEachListed(const Items& items, const Blog& target, const AccountLookup& accountForID,
                   Visit visit)
{
    Account* account = accountForID ? accountForID(items.accountID) : nullptr;
    if (!account)
        return false;
    for (const auto& [blogID, entryIDs] : items.blogs) {
        const BlogPtr source = account->blogForID(blogID);
        if (!source || source.get() == &target)
            continue;
        for (const QString& id : entryIDs) {
            if (EntryPtr entry = source->entryWithID(id))
                visit(entry);
        }
    }
    return true;
}

} // namespace

Report perform(const Items& items, Blog& target, const AccountLookup& accountForID)
{
    Report report;
    report.targetReached = forEachListed(items, target, accountForID, [&](const EntryPtr& entry) {
        if (hasRoadInFlight(*entry)) {
            report.busy.append(entry->title());
            return;
        }
        QString reason;
        if (entry->moveToBlog(&target, &reason))
            ++report.moved;
        else
            report.failed.append(QStringLiteral("%1: %2").arg(entry->title(), reason));
    });
    return report;
}

bool canMoveAny(const Items& items, const Blog& target, const AccountLookup& accountForID)
{
    bool listedAny = false;
    bool movable = false;
    const bool known = forEachListed(items, target, accountForID, [&](const EntryPtr& entry) {
        listedAny = true;
        movable = movable || !hasRoadInFlight(*entry);
    });
    // Entries dropped on their own blog stay; the drop still counts.
    return known && (movable || !listedAny);
}

QString refusalMessage(const Items& items, const Blog& target, const AccountLookup& accountForID)
{
    Report kept;
    bool movable = false;
    forEachListed(items, target, accountForID, [&](const EntryPtr& entry) {
        if (hasRoadInFlight(*entry))
            kept.busy.append(entry->title());
        else
            movable = true;
    });
    return movable ? QString() : busyMessage(kept);
}

QString busyMessage(const Report& report)
{
    if (report.busy.isEmpty())
        return {};
    return localized("AccountArrayController", "Not moved while being published or deleted: %1")
        .arg(report.busy.join(QStringLiteral(", ")));
}

QString failureMessage(const Report& report)
{
    if (report.failed.isEmpty())
        return {};
    return localized("AccountArrayController", "These entries could not be moved:\n%1")
        .arg(report.failed.join(QLatin1Char('\n')));
}

} // namespace DraftItemDrop
