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
    // values go as they are (a restore). Without `identity` the target keeps
    // its identifier, addresses and flag.
    static void copyFields(Entry& target, const Entry& source, bool materialise,
                           bool identity = true);
    static EntryPtr copy(const Entry& entry);
    static void restore(Entry& entry, const Entry& saved);
    // The moved entry's categories take the target blog's records of their
    // titles (the identifiers and kinds its server knows); one the target
    // lacks keeps its title and loses its identifier, which named something
    // else there. Into another account the format goes by its title to the
    // new account's format of that title, else to none.
    static EntryPtr moveToBlog(Entry& entry, EntryOwner* target, QString* error);
    // What a draft edits of `edited` (texts, date, categories, format,
    // options, panel settings) onto `moved`, which keeps its identifier,
    // addresses, flag and blog; categories and format mapped as by
    // moveToBlog from `edited`'s blog. A draft that moved its post as last
    // saved keeps the unsaved edits this way.
    static void carryEdits(Entry& moved, const Entry& edited);
    // moveToBlog's mapping of the categories and the format of `entry`, now
    // in `target`, from `source`.
    static void mapOntoBlog(Entry& entry, const EntryOwner* source, const EntryOwner* target);
};
