// A blog's list of entries, with the index of their identifiers and the entries marked as found on
// the server.
#pragma once

#include "ModelTypes.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <memory>

// The list behind Blog::entries(). Lookups come by the thousand in a refresh,
// so the first entry of the list with each identifier is indexed, kept with
// the list; and the entries that carry the found-on-server mark are kept
// aside, so that a refresh clears the marks of what the server no longer
// lists without a walk through the whole list. Every member may be called
// from any thread; the blog announces the changes.
class BlogEntryList {
public:
    QList<EntryPtr> entries() const;
    qsizetype size() const;

    // A new list, indexed anew.
    void reset(const QList<EntryPtr>& entries);
    void append(const QList<EntryPtr>& added);
    // Takes rows first..last (inclusive) out of the list.
    void removeRows(qsizetype first, qsizetype last);

    // The first entry of the list with that identifier, or null.
    EntryPtr withID(const QString& id) const;
    // The entry with each identifier, null where there is none; where several
    // share one, the last of the list.
    QList<EntryPtr> withIDs(const QStringList& ids) const;
    // The entries of the list that carry the mark, in no particular order.
    QList<EntryPtr> foundOnServer();

    // The entry took the mark (it may be in the list, or a copy that names the blog).
    void markedFoundOnServer(Entry& entry);
    // The entry's identifier changed from `previous`.
    void identifierChanged(Entry& entry, const QString& previous);

private:
    // An identifier as a key of the index, hashed for speed.
    struct EntryID {
        QString id;
        friend bool operator==(const EntryID&, const EntryID&) = default;
    };
    friend size_t qHash(const EntryID& key, size_t seed);

    // Called with m_lock held.
    void index() const;
    void indexAppended(Entry* entry) const;
    void unindex(Entry* entry);
    bool holds(const Entry* entry) const;

    mutable QMutex m_lock;
    QList<EntryPtr> m_entries;
    // The index is made anew where an identifier changed unheard of (the
    // entry named another blog meanwhile), by a lookup too.
    mutable QHash<EntryID, Entry*> m_byID;
    mutable bool m_duplicateIDs = false; // some identifier is in the list more than once
    // Every entry of the list that carries the found-on-server mark, and
    // perhaps some that lost it or left the list since (entries marked
    // before they joined, copies that name the blog).
    QHash<const Entry*, std::weak_ptr<Entry>> m_marked;
};
