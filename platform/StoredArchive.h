#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

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
    };

    static Loaded load(const QString& path, QStringList* warnings = nullptr);
};
