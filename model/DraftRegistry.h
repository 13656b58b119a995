#pragma once

#include "InstalledService.h"

#include <QList>
#include <QObject>
#include <QVariant>
#include <functional>

class Entry;

// The draft windows as the records see them. The draft controller installs itself
// and posts "draftRegistryInstalled"; until then there are no drafts and requests
// to open one are dropped.
class DraftRegistry : public InstalledService<DraftRegistry> {
public:
    virtual ~DraftRegistry();

    // Whether draft windows can be opened now.
    static bool available() { return sharedInstance() != nullptr; }

    // The open draft editing that very entry, or nullptr.
    virtual QObject* hasOpenDraft(const Entry* entry) const = 0;
    // Reloads an open draft's content from its entry.
    virtual void reloadEntry(QObject* draft) = 0;
    virtual void openDrafts(const QList<Entry*>& entries) = 0;
    // Shows a critical alert with the title and text on an open draft's window.
    virtual void handleErrorMessage(QObject* draft, const QString& title, const QString& body)
    {
        Q_UNUSED(draft)
        Q_UNUSED(title)
        Q_UNUSED(body)
    }
    virtual void openDraftForEntry(Entry* entry, const QVariant& restorePosition) = 0;
    // Saves every open draft that has unsaved changes (the timed autosave),
    // then calls `done`, at once or once the editors have answered.
    virtual void saveIfNeeded(std::function<void()> done) = 0;
};
