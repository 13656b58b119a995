#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Entry;

// The order of the entries list: a list of keys, each ascending or not,
// kept in the user default "entryListSorters" as a property list.
namespace EntrySorting {

inline constexpr auto defaultsKey = "entryListSorters";

struct Descriptor {
    QString key; // "entryDate", "title", "uniqueID"
    bool ascending = true;
    friend bool operator==(const Descriptor&, const Descriptor&) = default;
};

// Newest first, then by title (case-insensitive), then by identifier, descending.
QList<Descriptor> defaults();

// The stored descriptors; the defaults when there are none or they do not read.
QList<Descriptor> restore(const QByteArray& stored);
// Empty for an empty list.
QByteArray archive(const QList<Descriptor>& descriptors);

// Whether `a` comes before `b`.
bool lessThan(const Entry& a, const Entry& b, const QList<Descriptor>& descriptors);

} // namespace EntrySorting
