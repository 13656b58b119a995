// The stored forms of an entry: the table of its archived and file keys, and its dictionary.
#pragma once

#include "RecordKey.h"

#include <QVariantMap>
#include <span>

class Entry;

// The 25 keys an entry keeps in its archive and its file, in their order,
// each read from and written to the stored field (never a lazy default);
// and the entry dictionary made from them.
class EntryStoredForm {
public:
    static std::span<const RecordKey<Entry>> keys();
    // The stored fields read directly; dates as text, pings as addresses.
    static QVariantMap dictionary(const Entry& entry);
};
