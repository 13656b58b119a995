#pragma once

#include "KeyedUnarchiver.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// The part of the library's load that runs off the main thread: the file read,
// its attachments as plain values, the expired and orphaned ones left out. The
// records themselves are built on the main thread from what this answers.
class AttachmentLibraryReader {
public:
    struct Options {
        QString path;
        bool expire = true; // "attachment_option"
        qint64 days = 5;    // "remove_attachment_days"; below 1 counts as 1
        double now = 0;     // seconds since 1970
        // Keys stored entries list: their attachments never expire.
        QSet<QString> keysInUse;
    };
    struct Result {
        QList<KeyedUnarchiver::PlainRecordRef> kept; // in archive order
        bool found = false;
        // False when the file could not be read in full and was moved aside.
        bool readable = true;
        QString report; // the sentence for the user then
        // Cache copies of expired pictures, for the main thread to delete.
        QStringList expiredCopies;
        int expired = 0;
        int orphaned = 0;
    };

    static Result read(const Options& options);

    // Seconds after which an uploaded attachment expires: max(1, days) days.
    static double expiryAge(qint64 days);
    // Whether a class name is one of the library's records.
    static bool isAttachmentClass(const QString& className);
};
