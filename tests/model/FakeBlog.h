#pragma once

#include "Entry.h"
#include "EntryOwner.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A blog as an entry sees it: options, capabilities, an entry list, a folder and a
// log of the file operations, so tests can check their order.
class FakeBlog : public QObject, public EntryOwner {
    Q_OBJECT
public:
    // Blogs given one journal log into it together, so the order across blogs shows.
    explicit FakeBlog(const QString& name = QStringLiteral("blog"), QStringList* journal = nullptr)
        : name(name), log(journal ? *journal : ownLog)
    {
    }

    QVariant inheritedOption(const QString& option) const override { return options.value(option); }
    QString defaultFormat() const override { return format; }
    BlogCapabilities capabilities() const override { return caps; }
    QString accountID() const override { return account; }

    void addEntry(const EntryPtr& entry) override
    {
        entries.append(entry);
        log.append(name + QStringLiteral(":add"));
    }
    void removeEntry(Entry* entry) override
    {
        entries.removeIf([entry](const EntryPtr& e) { return e.get() == entry; });
        log.append(name + QStringLiteral(":removeFile"));
    }
    void removeEntryKeepingFile(Entry* entry) override
    {
        entries.removeIf([entry](const EntryPtr& e) { return e.get() == entry; });
        log.append(name + QStringLiteral(":keepFile"));
    }
    QString entryFilePath(const Entry& entry) const override
    {
        return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + entry.uniqueID();
    }
    bool saveEntry(Entry*, QString* error) override
    {
        log.append(name + QStringLiteral(":save"));
        if (failSaves && error)
            *error = QStringLiteral("disk full");
        return !failSaves;
    }

    QString name;
    QVariantMap options;
    QString format;
    BlogCapabilities caps;
    QString account = QStringLiteral("acc1");
    QString folder; // empty: no folder, as a blog without an account
    QList<EntryPtr> entries;
    QStringList ownLog;
    QStringList& log;
    bool failSaves = false;
};
