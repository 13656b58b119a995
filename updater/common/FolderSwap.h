#pragma once

#include <QString>

// Puts a new installation folder in the place of the old one by renaming, so
// that at every moment either the old or the new folder stands complete at
// the installation path: old -> backup, new -> install, check, remove the
// backup. Any failure before the backup is removed puts the old folder back.
class FolderSwap {
public:
    struct Result {
        bool installed = false;
        QString error; // why nothing was installed; empty on success
    };

    virtual ~FolderSwap() = default;

    // The three paths lie on one file system; `backupFolder` must not exist.
    Result replace(const QString& newFolder, const QString& installFolder,
                   const QString& backupFolder);

protected:
    // Renames without ever replacing an existing entry.
    virtual bool renameFolder(const QString& from, const QString& to, QString* error);
};
