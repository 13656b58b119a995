#pragma once

#include "KeyedUnarchiver.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

// Loading a stored list kept as a keyed archive ("accounts.plist",
// "attachments.plist", "presets.plist", ...), whose root object is an array.
// A missing file is a first run; a file that exists but cannot be read, or
// whose root is not a list, is moved aside and reported, so the next save
// cannot overwrite it with an empty list.
class StoredArchive {
public:
    struct Loaded {
        QVariant root; // the archive's root list; invalid when none was read
        bool found = false;
        QString report; // for the user, when the file was moved aside
        // Records left out inside the root (see KeyedUnarchiver): the caller that
        // would write back less than it read moves the file aside first.
        int droppedRecords = 0;
    };

    static Loaded load(const QString& path, QStringList* warnings = nullptr);
    // The same, with the records left unbuilt (KeyedUnarchiver::unarchivePlain),
    // for a worker thread; the caller builds them where they live.
    static Loaded loadPlain(const QString& path, QStringList* warnings = nullptr);
    // Moves a file aside that the caller could not read in full, `reason` in
    // the report (*report).
    static void moveAside(const QString& path, const QString& reason, QString* report = nullptr);

    // The records of class T in the list at `path`, as load() reads it. Since
    // the next save writes only the records read here, a file that holds
    // anything else as well is moved aside too, and said in *report; `kind`
    // names the records in the reason ("some of its records are not tags"). A
    // record left out inside one of them counts as well.
    template <class T>
    static QList<std::shared_ptr<T>> loadRecords(const QString& path, const char* kind,
                                                 QString* report = nullptr,
                                                 QStringList* warnings = nullptr)
    {
        const Loaded loaded = load(path, warnings);
        if (report)
            *report = loaded.report;
        if (!loaded.root.isValid())
            return {};
        QString error;
        QList<std::shared_ptr<T>> records;
        if (auto read = KeyedUnarchiver::recordsIn<T>(loaded.root, &error, warnings))
            records = *read;
        // A record left out at any depth (an account's damaged blog as much as a
        // damaged account) would be lost by that save.
        if (records.size() != loaded.root.toList().size())
            keepAside(path, error, kind, false, report);
        else if (loaded.droppedRecords > 0)
            keepAside(path, error, kind, true, report);
        return records;
    }

private:
    static Loaded loadAs(bool plain, const QString& path, QStringList* warnings);
    static void keepAside(const QString& path, const QString& error, const char* kind, bool inside,
                          QString* report);
};
