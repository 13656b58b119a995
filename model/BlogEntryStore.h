#pragma once

#include "ModelTypes.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

class Blog;

// A blog's entry files: items/<accountID>/<MD5 of the blog's uniqueID>/ holds one
// "<MD5 of the entry's uniqueID>.plumet" per entry.
//
// The store remembers a digest of the bytes each file holds (as read or as
// written), so an autosave after a server read that changed nothing writes
// nothing. Loading parses the files on worker threads into plain values and
// builds the records on the calling thread.
class BlogEntryStore {
public:
    explicit BlogEntryStore(Blog& blog);

    // The blog folder, created when missing; empty (with *error) when the
    // account folder cannot be had.
    QString folder(QString* error = nullptr) const;

    // Writes every entry that needs a save and whose file would change, in
    // list order; a failed write does not stop the others. False with the
    // first failure in *error.
    bool save(QString* error = nullptr);
    // Writes the entry now, whatever its needsSave (unless its bytes are on disk).
    bool save(Entry& entry, QString* error = nullptr);
    // Reads every "*.plumet" file; unreadable ones are skipped, left on disk and
    // listed in skippedFiles(). A folder without readable entries keeps the list.
    void load();
    QStringList skippedFiles() const { return m_skipped; }

    // Deletes the entry's file.
    bool removeFile(const Entry& entry);
    // Deletes the file of the entry that had that identifier.
    bool removeFileForID(const QString& uniqueID);

    // How many files the last save() wrote (for the autosave's log and tests).
    int lastWriteCount() const { return m_lastWriteCount; }

private:
    bool write(Entry& entry, const QString& folder, QString* error);

    Blog& m_blog;
    QHash<QString, QByteArray> m_digests; // file name -> SHA-1 of the bytes on disk
    QStringList m_skipped;
    int m_lastWriteCount = 0;
};
