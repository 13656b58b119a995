#pragma once

#include "EntryFileWriter.h"
#include "ModelTypes.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class Blog;

// A blog's entry files: items/<accountID>/<MD5 of the blog's uniqueID>/ holds one
// "<MD5 of the entry's uniqueID>.plumet" per entry.
//
// Saving costs what changed: each entry remembers the revision of the entry
// its file holds (Entry::fileMark), so an unchanged entry is not even
// serialised; a changed one is, and is written only when its bytes differ
// from the file's (a 64-bit hash of each file's bytes is kept, as read or as
// written). The files are written by the EntryFileWriter, in order, on its own
// thread; a bulk save hands them over and returns.
//
// Loading reads and parses the files on a few worker threads and builds the
// records on the calling thread, in runs, in file name order.
//
// A file without a usable identifier, or under a name not its entry's, is
// replaced by the entry's own file at the first save and goes only once that
// is written, so it does not come back under a new identifier each launch; a
// copy of an entry's file under another name, holding the same bytes, is not
// loaded twice and goes at the first save.
class BlogEntryStore {
public:
    explicit BlogEntryStore(Blog& blog);
    ~BlogEntryStore();
    BlogEntryStore(const BlogEntryStore&) = delete;
    BlogEntryStore& operator=(const BlogEntryStore&) = delete;

    // The blog folder, created when missing; empty (with *error) when the
    // account folder cannot be had.
    QString folder(QString* error = nullptr) const;

    // Hands every entry that needs a save and whose file would change to the
    // writer, in list order; a failed entry does not stop the others. A file
    // whose write failed since the last save is written again. False with the
    // first failure in *error: of this save, or a write of an earlier one.
    bool save(QString* error = nullptr);
    // Writes the entry now, whatever its needsSave (unless its bytes are on
    // disk), and waits for its file.
    bool save(Entry& entry, QString* error = nullptr);
    // Hands the entry to the writer as save(entry) does, and returns at once:
    // a file it replaces goes once the new one is written, as ever, and a
    // failure is reported by a later save. False (with *error) only when it
    // could not be handed over.
    bool queueSave(Entry& entry, QString* error = nullptr);
    // Waits until every file this store handed to the writer is written or
    // removed; false with the first failure in *error (written again by the
    // next save).
    bool flush(QString* error = nullptr);

    // Reads every "*.plumet" file; unreadable ones are skipped, left on disk and
    // listed in skippedFiles(). A folder without readable entries keeps the list.
    void load();
    QStringList skippedFiles() const { return m_skipped; }

    // The entry has taken a new identifier: its next write, now or at a later
    // save, goes under the new name and only then removes the file it had
    // under `oldID`.
    void renameFile(Entry& entry, const QString& oldID);

    // Deletes the entry's file (after every write handed over before).
    bool removeFile(const Entry& entry);
    // Deletes the file of the entry that had that identifier.
    bool removeFileForID(const QString& uniqueID);

    // How many files the last save() wrote or handed over to be written (for
    // the autosave's log and tests).
    int lastWriteCount() const { return m_lastWriteCount; }

    // How many worker threads a load parses files on; 0 parses on the calling
    // thread alone, a negative count gives the default: one per core, at most
    // 4 (more stopped helping).
    static int loadWorkers();
    static void setLoadWorkers(int workers);

private:
    struct FileState {
        quint64 hash = 0;   // of the bytes the file holds or is about to hold
        quint64 ticket = 0; // the writer's job that writes them; 0 when read
    };

    class Presence;

    enum class Wait {
        ForFile,     // returns once the file is written
        ForReplaced, // waits only to remove a file the entry's own replaces
        Never,       // the writer removes that file once it has written the new one
    };
    // Serialises and hands over the entry unless its file holds it already.
    bool write(Entry& entry, const QString& folder, const Presence& presence, Wait wait,
               QString* error);
    // One entry, in the blog's folder, as save(entry) and queueSave do.
    bool writeOne(Entry& entry, Wait wait, QString* error);
    // A file the entry replaced without waiting is forgotten once the
    // writer has written the entry's own and the old one is gone.
    void settleReplacement(Entry& entry, const Presence& presence);
    // Waits for the job; its failure, if it failed.
    std::optional<QString> waitFor(quint64 ticket);
    // Takes the failures the writer reported: their files are written again
    // by the next save (their entries forget them). Answers the failure of
    // `ticket`, if there is one; the others are kept for the next save to
    // report.
    std::optional<QString> takeFailures(quint64 ticket = 0);
    // Removes a file through the writer and waits; false with *error.
    bool removeNow(const QString& folder, const QString& name, QString* error);

    Blog& m_blog;
    const quint64 m_serial;            // tells this store's file marks from others'
    QHash<QString, FileState> m_files; // by file name
    std::shared_ptr<EntryFileWriter::Failures> m_failures;
    QStringList m_unreported; // failures of earlier saves, for the next save to report
    QStringList m_redundant;  // copies of entry files, to go at the next save
    quint64 m_lastTicket = 0;
    QStringList m_skipped;
    int m_lastWriteCount = 0;
};
