#pragma once

#include "ModelTypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantMap>
#include <optional>

// An entry's file: its entry dictionary as a binary property list named by the MD5
// of the entry's identifier, and the ways back from a dictionary to an entry.
class EntryFile {
public:
    static constexpr auto extension = ".plumet";
    // No entry file is larger; a larger one is refused unread.
    static constexpr qint64 MaxSize = 64 * 1024 * 1024;

    // "<MD5 of uniqueID>.plumet"
    static QString fileName(const QString& uniqueID);
    static QString fileName(const Entry& entry);

    // The bytes the entry's file holds; empty with *error on a serialiser failure.
    static QByteArray fileBytes(const Entry& entry, QString* error = nullptr);
    // Writes the file atomically into `folder` (which must exist). needsSave stays.
    static bool saveAtPath(const Entry& entry, const QString& folder, QString* error = nullptr);

    // Parses a file's bytes into its dictionary. Plain values only, so any thread
    // may call it; nullopt with *error when the bytes are not an entry file.
    static std::optional<QVariantMap> readDictionary(const QByteArray& bytes,
                                                     QString* error = nullptr);
    // Does on any thread what entryFromFileDictionary would do to the values:
    // texts lose their control characters and the stored date is read.
    static void prepareFileDictionary(QVariantMap& dictionary);
    // An entry from a file dictionary: only the entry's stored keys, each of its own
    // kind, are taken; other keys and values of the wrong kind are left out. An
    // empty or blank identifier is none: the entry keeps a fresh one.
    // Unused attachment keys are dropped; needsSave is set only when that happened.
    // `prepared`: prepareFileDictionary has made its texts readable already.
    static EntryPtr entryFromFileDictionary(const QVariantMap& dictionary, bool prepared = false);
    // Reads and parses the file; null (logged) when it cannot be read.
    static EntryPtr entryFromFile(const QString& path);

    // An entry from a dictionary of in-memory values (dates as dates, pings as
    // Ping records); null for an empty dictionary.
    static EntryPtr entryFromDictionary(const QVariantMap& dictionary);

    // "body", "extended", "summary", "title", "created"; nullopt when the three
    // texts are empty.
    static std::optional<QVariantMap> revisionDictionary(const Entry& entry);

    // A date written as "yyyy-MM-dd HH:mm:ss ±hhmm", or any text the date reader
    // understands; invalid when unreadable.
    static QDateTime parseStoredDate(const QString& text);
    static QString storedDateText(const QDateTime& date);
};
