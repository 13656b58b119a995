// A blog's list of entries, with the index of their identifiers and the entries marked as found on
// the server.
#include "BlogEntryList.h"

#include "Entry.h"
#include "StringExtensions.h"

#include <QMutexLocker>
#include <algorithm>

size_t qHash(const BlogEntryList::EntryID& key, size_t seed)
{
    return size_t(rv::contentHash64(QByteArrayView(reinterpret_cast<const char*>(key.id.utf16()),
                                                   key.id.size() * qsizetype(sizeof(char16_t))))) ^
           seed;
}

QList<EntryPtr> BlogEntryList::entries() const
{
    QMutexLocker lock(&m_lock);
    return m_entries;
}

qsizetype BlogEntryList::size() const
{
    QMutexLocker lock(&m_lock);
    return m_entries.size();
}

void BlogEntryList::reset(const QList<EntryPtr>& entries)
{
    QMutexLocker lock(&m_lock);
    m_entries = entries;
    index();
    m_marked.clear();
    for (const EntryPtr& entry : entries) {
        if (entry && entry->foundOnServer())
            m_marked.insert(entry.get(), entry);
    }
}

void BlogEntryList::append(const QList<EntryPtr>& added)
{
    QMutexLocker lock(&m_lock);
    m_entries.append(added);
    for (const EntryPtr& entry : added) {
        indexAppended(entry.get());
        if (entry->foundOnServer())
            m_marked.insert(entry.get(), entry);
    }
}

void BlogEntryList::removeRows(qsizetype first, qsizetype last)
{
    QMutexLocker lock(&m_lock);
    const QList<EntryPtr> gone = m_entries.mid(first, last - first + 1);
    m_entries.remove(first, gone.size());
    // Unindexed once out of the list: an entry left that shares the
    // identifier takes its place in the index.
    for (const EntryPtr& entry : gone) {
        unindex(entry.get());
        m_marked.remove(entry.get());
    }
}

EntryPtr BlogEntryList::withID(const QString& id) const
{
    QMutexLocker lock(&m_lock);
    Entry* found = m_byID.value({id});
    if (found && !found->hasUniqueID(id)) {
        // An identifier changed where the blog did not hear of it (the entry
        // named another blog meanwhile): the index is made anew.
        index();
        found = m_byID.value({id});
    }
    return found ? found->shared_from_this() : nullptr;
}

void BlogEntryList::index() const
{
    m_byID.clear();
    m_byID.reserve(m_entries.size());
    m_duplicateIDs = false;
    for (const EntryPtr& entry : m_entries)
        indexAppended(entry.get());
}

void BlogEntryList::indexAppended(Entry* entry) const
{
    Entry*& indexed = m_byID[{entry->uniqueID()}];
    if (indexed)
        m_duplicateIDs = true; // the earlier entry keeps the identifier
    else
        indexed = entry;
}

void BlogEntryList::unindex(Entry* entry)
{
    const QString id = entry->uniqueID();
    const auto at = m_byID.constFind({id});
    if (at == m_byID.cend() || at.value() != entry)
        return;
    m_byID.erase(at);
    if (!m_duplicateIDs)
        return;
    for (const EntryPtr& other : m_entries) {
        if (other->uniqueID() == id) {
            m_byID.insert({id}, other.get());
            return;
        }
    }
}

bool BlogEntryList::holds(const Entry* entry) const
{
    if (m_byID.value({entry->uniqueID()}) == entry)
        return true;
    // Not indexed under its identifier: another entry of the list shares
    // it, or the entry is not in the list.
    return std::any_of(m_entries.cbegin(), m_entries.cend(),
                       [entry](const EntryPtr& listed) { return listed.get() == entry; });
}

QList<EntryPtr> BlogEntryList::withIDs(const QStringList& ids) const
{
    QMutexLocker lock(&m_lock);
    QList<EntryPtr> found;
    found.reserve(ids.size());
    if (!m_duplicateIDs) {
        bool stale = false;
        for (const QString& id : ids) {
            Entry* entry = m_byID.value({id});
            if (entry && !entry->hasUniqueID(id)) {
                stale = true; // see withID
                break;
            }
            found.append(entry ? entry->shared_from_this() : nullptr);
        }
        if (!stale)
            return found;
        index();
        found.clear();
    }
    // Identifiers shared: the last entry of each, as a walk finds it.
    QHash<EntryID, Entry*> last;
    last.reserve(m_entries.size());
    for (const EntryPtr& entry : m_entries)
        last.insert({entry->uniqueID()}, entry.get());
    for (const QString& id : ids) {
        Entry* entry = last.value({id});
        found.append(entry ? entry->shared_from_this() : nullptr);
    }
    return found;
}

QList<EntryPtr> BlogEntryList::foundOnServer()
{
    QMutexLocker lock(&m_lock);
    QList<EntryPtr> marked;
    marked.reserve(m_marked.size());
    for (auto it = m_marked.begin(); it != m_marked.end();) {
        EntryPtr entry = it.value().lock();
        if (entry && entry->foundOnServer() && holds(entry.get())) {
            marked.append(std::move(entry));
            ++it;
        } else {
            it = m_marked.erase(it);
        }
    }
    return marked;
}

void BlogEntryList::markedFoundOnServer(Entry& entry)
{
    std::weak_ptr<Entry> shared = entry.weak_from_this();
    if (shared.expired())
        return; // not shared, so in no list
    QMutexLocker lock(&m_lock);
    m_marked.insert(&entry, std::move(shared));
}

void BlogEntryList::identifierChanged(Entry& entry, const QString& previous)
{
    QMutexLocker lock(&m_lock);
    const auto at = m_byID.constFind({previous});
    if (at != m_byID.cend() && at.value() == &entry && !m_duplicateIDs) {
        m_byID.erase(at);
        indexAppended(&entry);
        if (!m_duplicateIDs)
            return;
    } else if (!m_duplicateIDs) {
        return; // not in the list: a copy that names this blog
    }
    // With identifiers shared, list order decides which entry each names.
    index();
}
