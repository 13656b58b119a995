// Copies of an entry: a draft's saved state and its restore, and the move of an entry into another
// blog.
#pragma once

#include "ModelTypes.h"

class Entry;
class EntryOwner;
class QString;

// The copies Entry::copy, Entry::restoreFromCopy and Entry::moveToBlog make.
// Categories and pings are mutable records: a copy takes its own, so a flag
// set in one list is not silently set in the other; the other lists share
// their elements.
class EntryCopying {
public:
    // Every stored field of `source` onto `target` through its setters;
    // `materialise` reads the lazy defaults first (a copy), else the stored
    // values go as they are (a restore).
    static void copyFields(Entry& target, const Entry& source, bool materialise);
    static EntryPtr copy(const Entry& entry);
    static void restore(Entry& entry, const Entry& saved);
    static EntryPtr moveToBlog(Entry& entry, EntryOwner* target, QString* error);
};
