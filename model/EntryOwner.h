#pragma once

#include "ModelTypes.h"

#include <QString>
#include <QVariant>

// What the blog-system plug-in of the owning account answers about the server.
struct BlogCapabilities {
    bool supportsComments = false;
    bool supportsTrackback = false;
    bool hasDraft = false;
    bool hasSummaryField = false;
    bool hasExtendedField = false;
    bool supportsPages = false;
    int supportedProtocol = -1; // 0 XML-RPC, 1 Atom, -1 unknown
};

// The blog an entry belongs to, as far as the entry asks anything of it. The blog
// record implements it; tests use a fake.
class EntryOwner {
public:
    virtual ~EntryOwner() = default;

    // The blog's own value of an option an entry inherits: "commentOption",
    // "trackbackOption", "pingOption", "notifyOption", "smartOption",
    // "publishOption": what the blog's getter answers, its own defaults included.
    // Invalid when the blog has none.
    virtual QVariant inheritedOption(const QString& name) const = 0;
    virtual QString defaultFormat() const = 0;
    virtual BlogCapabilities capabilities() const = 0;
    // The owning account's identifier.
    virtual QString accountID() const = 0;

    // Appends an entry to the blog's list (announced as "entries").
    virtual void addEntry(const EntryPtr& entry) = 0;
    // Removes the entry's file and the entry itself from the blog's list.
    virtual void removeEntry(Entry* entry) = 0;
    // Removes the entry from the blog's list and leaves its file where it is.
    virtual void removeEntryKeepingFile(Entry* entry) = 0;
    // The path of the entry's file; empty when the blog has no folder. Blogs of one
    // identifier in one account share a folder, so two blogs may name one file.
    virtual QString entryFilePath(const Entry& entry) const = 0;
    // Writes the entry's file now; false with a sentence in *error when it failed.
    virtual bool saveEntry(Entry* entry, QString* error) = 0;
    // The entry's identifier changed from `previous` (the entry may be in the
    // blog's list, or a copy that only names the blog).
    virtual void entryIDChanged(Entry& entry, const QString& previous)
    {
        Q_UNUSED(entry);
        Q_UNUSED(previous);
    }
    // The entry now carries the found-on-server mark (the entry may be in the
    // blog's list, about to join it, or a copy that only names the blog).
    virtual void entryFoundOnServer(Entry& entry) { Q_UNUSED(entry); }
};
