#include "EntryListMerge.h"

#include "Account.h"
#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "EntryContent.h"
#include "EntryServerMerge.h"
#include "PLUMETPluginProtocol.h"
#include "ServerPostReader.h"
#include "StringExtensions.h"
#include "UserDefaults.h"

#include <QHash>
#include <QSet>

namespace {

QString idText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'f', 0);
    default:
        return {};
    }
}

// An identifier as a key, hashed with the fast content hash: a refresh
// looks up every identifier the server lists.
struct ListedID {
    QString id;
    friend bool operator==(const ListedID&, const ListedID&) = default;
    friend size_t qHash(const ListedID& key, size_t seed)
    {
        const QByteArrayView bytes(reinterpret_cast<const char*>(key.id.utf16()),
                                   key.id.size() * qsizetype(sizeof(char16_t)));
        return size_t(rv::contentHash64(bytes)) ^ seed;
    }
};

bool preference(const QString& key)
{
    const QVariant value = UserDefaults::sharedInstance().value(key);
    return !value.isValid() || value.isNull() || UserDefaults::sharedInstance().boolean(key);
}

bool isOfKind(const Entry& entry, EntryListMerge::Kind kind)
{
    return entry.hasFlag(Entry::IsPage) == (kind == EntryListMerge::Kind::Pages);
}

// An entry a refresh may take away: the server had it, and nothing of it
// lives only here.
bool mayLeave(const Entry& entry)
{
    return !entry.foundOnServer() && !entry.hasFlag(Entry::LocalOnly) &&
           !entry.hasFlag(Entry::ChangedLocally) && !entry.beingPublished();
}

template <class T> const T& held(const QVariant& value)
{
    return *static_cast<const T*>(value.constData());
}

size_t bytesDigest(QByteArrayView bytes, size_t seed)
{
    return qHashMulti(seed, rv::contentHash64(bytes));
}

size_t textDigest(const QString& text, size_t seed)
{
    return bytesDigest(QByteArrayView(reinterpret_cast<const char*>(text.utf16()),
                                      text.size() * qsizetype(sizeof(char16_t))),
                       seed);
}

// A digest of a server copy, every key and value, with their types. The
// texts are read where the value holds them, without copies, and hashed
// with the fast content hash: a refresh digests every post it lists.
size_t digestOf(const QVariant& value, size_t seed)
{
    seed = qHashMulti(seed, value.typeId());
    switch (value.typeId()) {
    case QMetaType::QString:
        return textDigest(held<QString>(value), seed);
    case QMetaType::QByteArray:
        return bytesDigest(held<QByteArray>(value), seed);
    case QMetaType::QDateTime: {
        // Its fields as they stand: the instant of a local time would ask
        // the system's zone.
        const QDateTime& date = held<QDateTime>(value);
        seed = qHashMulti(seed, date.date().toJulianDay(), date.time().msecsSinceStartOfDay(),
                          int(date.timeSpec()));
        switch (date.timeSpec()) {
        case Qt::OffsetFromUTC:
            return qHashMulti(seed, date.offsetFromUtc());
        case Qt::TimeZone:
            return qHash(date.timeZone().id(), seed);
        default:
            return seed;
        }
    }
    case QMetaType::QVariantMap: {
        const QVariantMap& map = held<QVariantMap>(value);
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            seed = digestOf(it.value(), textDigest(it.key(), seed));
        return qHashMulti(seed, map.size());
    }
    case QMetaType::QVariantList: {
        const QVariantList& list = held<QVariantList>(value);
        for (const QVariant& item : list)
            seed = digestOf(item, seed);
        return qHashMulti(seed, list.size());
    }
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return qHashMulti(seed, value.toLongLong());
    case QMetaType::Double:
        return qHash(value.toDouble(), seed);
    default:
        return textDigest(value.toString(), seed);
    }
}

// What a merge of the copy depends on beyond the copy and the entry: the
// blog's entities setting and clock, and the preference on times. Joins the
// digest of each copy.
size_t mergeSeed(const Blog& blog)
{
    return qHashMulti(0, blog.convertEntities(), blog.timeZone(),
                      UserDefaults::sharedInstance().boolean(QStringLiteral("ignoreTime")));
}

// The server's copy into an entry the blog has.
void mergeInto(Entry& entry, const QVariantMap& post)
{
    entry.setFoundOnServer(true);
    if (entry.beingPublished()) // its publish reads the server's copy itself
        return;
    const bool hadBuffers = !entry.pubBody().isNull();
    const bool changed = entry.hasFlag(Entry::ChangedLocally);
    EntryServerMerge(entry).compareWithXML(post);
    const bool differs = !entry.diffs().value_or(QVariantMap()).isEmpty();
    // Edits not yet published stay marked as such while the copies differ.
    if (changed && differs && !entry.hasFlag(Entry::ChangedLocally))
        entry.addFlag(Entry::ChangedLocally);
    // The buffers serve the comparison only.
    if (!hadBuffers && !differs)
        entry.setPublishTexts({}, {}, {});
}

} // namespace

EntryListMerge::Options EntryListMerge::optionsFor(const Blog& blog)
{
    Options options;
    options.keepOld = preference(QStringLiteral("keep_old_entries"));
    options.showAll = preference(QStringLiteral("show_all_entries"));
    if (const Account* account = blog.account())
        options.userID = account->userID();
    return options;
}

QString EntryListMerge::postID(const QVariantMap& post, Kind kind)
{
    const QString id = idText(post.value(QStringLiteral("postid")));
    if (!id.isEmpty() || kind == Kind::Pages)
        return id;
    const QString atomID = idText(post.value(QStringLiteral("id")));
    if (atomID.isEmpty())
        return {};
    return atomID.split(QLatin1Char('-')).constLast();
}

QList<EntryListMerge::Listed> EntryListMerge::read(const QVariantList& items,
                                                   PLUMETPluginProtocol& plugin, Kind kind)
{
    QList<Listed> listed;
    listed.reserve(items.size());
    for (const QVariant& item : items) {
        if (item.typeId() != QMetaType::QVariantMap)
            continue;
        QVariantMap post = plugin.correctEntryDictionary(item);
        QString id = postID(post, kind);
        if (id.isEmpty())
            continue;
        const size_t digest = digestOf(post, 0);
        listed.append({std::move(id), std::move(post), digest});
    }
    return listed;
}

QList<EntryPtr> EntryListMerge::merge(Blog& blog, const QList<Listed>& listed, Kind kind,
                                      const Options& options)
{
    // Only a refresh that may take entries away needs the whole list.
    const QList<EntryPtr> before = options.keepOld ? QList<EntryPtr>() : blog.entries();
    // The entries listed, through the blog's index, and those of this kind
    // the server no longer lists losing their mark: nothing here walks the
    // whole blog, which may hold thousands of entries the list never names.
    QStringList ids;
    ids.reserve(listed.size());
    for (const Listed& item : listed)
        ids.append(item.id);
    const QList<EntryPtr> known = blog.entriesWithIDs(ids);
    QSet<const Entry*> knownEntries;
    knownEntries.reserve(known.size());
    for (const EntryPtr& entry : known) {
        if (entry)
            knownEntries.insert(entry.get());
    }
    std::optional<QSet<ListedID>> listedIDs; // made for the first entry not among those found
    for (const EntryPtr& entry : blog.entriesFoundOnServer()) {
        if (!isOfKind(*entry, kind) || knownEntries.contains(entry.get()))
            continue;
        if (!listedIDs) {
            listedIDs.emplace();
            listedIDs->reserve(ids.size());
            for (const QString& id : std::as_const(ids))
                listedIDs->insert({id});
        }
        // Another entry of a shared identifier is listed all the same.
        if (!listedIDs->contains({entry->uniqueID()}))
            entry->setFoundOnServer(false);
    }
    // Listed entries nothing touched since a refresh merged them without differences.
    QSet<const Entry*> untouched;
    untouched.reserve(knownEntries.size());
    for (const Entry* entry : std::as_const(knownEntries)) {
        const auto& merged = entry->mergedCopy();
        if (merged && merged->changes == entry->changeCount())
            untouched.insert(entry);
    }
    const size_t seed = mergeSeed(blog);
    if (kind == Kind::Posts && listed.isEmpty())
        blog.setHasZeroEntries(true);

    QList<EntryPtr> found;
    QList<EntryPtr> added;
    QHash<ListedID, EntryPtr> addedByID; // a second item of a new id merges into its entry
    found.reserve(listed.size());
    for (qsizetype i = 0; i < listed.size(); ++i) {
        const Listed& item = listed.at(i);
        EntryPtr existing = known.at(i);
        if (!existing && !addedByID.isEmpty())
            existing = addedByID.value({item.id});
        if (existing) {
            const size_t digest = qHashMulti(seed, item.digest);
            // The same copy again into an entry nothing changed: the merge
            // would find what it found last time.
            if (untouched.contains(existing.get()) && existing->mergedCopy()->digest == digest) {
                if (!existing->foundOnServer())
                    existing->setFoundOnServer(true);
            } else {
                mergeInto(*existing, item.post);
            }
            // Attachments change the texts sent without the entry knowing;
            // entries with them are always compared.
            const bool settled = existing->diffs().value_or(QVariantMap()).isEmpty() &&
                                 !existing->hasFlag(Entry::ChangedLocally) &&
                                 !existing->beingPublished() &&
                                 existing->attachments().value_or(QStringList()).isEmpty();
            existing->setMergedCopy(
                settled ? std::optional<Entry::MergedCopy>({digest, existing->changeCount()})
                        : std::nullopt);
            untouched.remove(existing.get()); // a second item of the same id is merged
            found.append(existing);
            continue;
        }
        const EntryPtr entry = ServerPostReader::entryFromPost(item.post, &blog, true);
        if (!entry)
            continue;
        const QString author = entry->author();
        if (!options.showAll && !author.isEmpty() && !options.userID.isEmpty() &&
            author != options.userID)
            continue;
        entry->setUniqueID(item.id);
        if (kind == Kind::Pages)
            entry->setFlag(Entry::IsPage);
        addedByID.insert({item.id}, entry);
        added.append(entry);
        found.append(entry);
    }
    blog.addEntries(added);

    if (!options.keepOld) {
        QList<EntryPtr> leaving;
        for (const EntryPtr& entry : before) {
            if (isOfKind(*entry, kind) && mayLeave(*entry))
                leaving.append(entry);
        }
        blog.removeEntries(leaving);
    }
    return found;
}

void EntryListMerge::mergeEntryCategories(Entry& entry, const QVariantList& items)
{
    struct Listed {
        CategoryPtr record;
        QString id;
        QString title;
        bool primary = false;
    };
    EntryContent content(entry);
    QList<Listed> listed;
    for (const QVariant& item : items) {
        const QVariantMap category = item.toMap();
        const QString id = idText(category.value(QStringLiteral("categoryid")));
        const QVariant name = category.value(QStringLiteral("categoryname"));
        if (id.isEmpty() || !name.isValid() || name.isNull())
            continue;
        CategoryPtr record = content.hasCategoryWithID(id);
        if (!record) {
            record = Category::withTitle(QString());
            record->setIsTag(false);
        }
        const QVariant primary = category.value(QStringLiteral("isprimary"));
        listed.append(
            {record, id, rv::decodeXML(name.toString()), primary.isValid() && primary.toBool()});
    }
    content.clearCategories();
    const CategoryList kept = entry.categories().value_or(CategoryList());
    CategoryList added;
    for (const Listed& category : std::as_const(listed)) {
        category.record->setUniqueID(category.id);
        category.record->setTitle(category.title);
        category.record->setIsCategory(true);
        if (category.primary)
            category.record->setIsPrimary(true);
        if (!kept.contains(category.record) && !added.contains(category.record))
            added.append(category.record);
    }
    content.addCategories(added);
    entry.setNeedsSave(true);
}
