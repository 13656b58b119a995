#pragma once

#include <QList>
#include <QObject>
#include <QVariant>

class Entry;

// The draft windows as the records see them. The draft controller installs itself;
// until then there are no drafts and requests to open one are dropped.
class DraftRegistry {
public:
    virtual ~DraftRegistry();

    // The open draft editing that very entry, or nullptr.
    virtual QObject* hasOpenDraft(const Entry* entry) const = 0;
    // Reloads an open draft's content from its entry.
    virtual void reloadEntry(QObject* draft) = 0;
    virtual void openDrafts(const QList<Entry*>& entries) = 0;
    virtual void openDraftForEntry(Entry* entry, const QVariant& restorePosition) = 0;

    // The installed registry, or nullptr.
    static DraftRegistry* shared();
    // The caller keeps ownership; nullptr uninstalls.
    static void setShared(DraftRegistry* registry);
};
