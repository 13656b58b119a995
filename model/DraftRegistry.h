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

    // --- what the entries table and the preview ask of the drafts ---
    // Closes the entry's draft without asking (its changed text saved first),
    // then calls `closed`, at once when it has no draft. False, and nothing
    // called, for an entry being published: it cannot be deleted now.
    virtual bool forceClosure(Entry* entry, std::function<void()> closed)
    {
        Q_UNUSED(entry)
        if (closed)
            closed();
        return true;
    }
    // Publishes through the open draft, as its own publish command does.
    virtual void publishDraft(QObject* draft) { Q_UNUSED(draft) }
    // The draft of the active window, else the one most recently active; null for none.
    virtual QObject* frontDraft() const { return nullptr; }
    // The entry an open draft edits; null for anything else.
    virtual Entry* entryOfDraft(QObject* draft) const
    {
        Q_UNUSED(draft)
        return nullptr;
    }
    // Writes the draft's editors into its entry, then calls `then` (once, at
    // once or when the editors have answered; never for a draft that closed).
    virtual void commitDraft(QObject* draft, std::function<void()> then)
    {
        Q_UNUSED(draft)
        if (then)
            then();
    }
};
