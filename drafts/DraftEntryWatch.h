// Follows the entry under a draft: its changes, its move, its leaving or going away.
#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QMetaObject>
#include <QString>

class Draft;

// The draft's watch over its entry, held through a guarded handle: the
// title rows follow the entry's title and keywords; a draft whose entry
// moves to another blog follows the entry standing there; an entry taken
// out of its blog while the draft is open closes the draft, saving changed
// text first; an entry that goes away closes it at once.
// Part of the Draft.
class DraftEntryWatch {
public:
    explicit DraftEntryWatch(Draft& draft);
    ~DraftEntryWatch();

    // Watches the draft's entry and its blog, anew.
    void watchEntry();
    void stopWatching();
    // The entry, held while it leaves its blog under the draft.
    EntryPtr keepAlive() const { return m_keepAlive; }
    // The next move of the entry carries these edits (not yet saved) over
    // into the moved entry, once it stands there as last saved; null: none.
    void carryEditsOnMove(const EntryPtr& edited) { m_carried = edited; }

private:
    void followMovedEntry(const EntryPtr& moved);
    void entryRemovedFromBlog();
    void entryLost();
    void entryChanged(const QString& key);

    Draft& m_draft;
    EntryPtr m_keepAlive; // while the entry leaves its blog under the draft
    EntryPtr m_carried;   // see carryEditsOnMove
    QList<QMetaObject::Connection> m_entryConnections;
};
