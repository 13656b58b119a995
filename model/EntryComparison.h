// Whether an entry differs from its last saved copy.
#pragma once

class Category;
class Entry;

// Tells whether an entry differs from its last saved copy, the question a
// draft asks before it closes or saves.
class EntryComparison {
public:
    // Whether `entry` differs from `saved`. Texts are compared trimmed, the
    // keywords and the date exactly; the comment and trackback options and
    // the format only when both are set; categories by title and flags,
    // element by element; attachment keys, trackback addresses and flag bits
    // exactly, but for BeingDeleted; events and reviews by count when both
    // are set; plug-in settings when the entry has them.
    static bool differs(const Entry& entry, const Entry& saved);
};
