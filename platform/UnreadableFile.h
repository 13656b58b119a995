#pragma once

#include <QDateTime>
#include <QString>

// A stored list that exists but cannot be read must not be replaced by an
// empty one at the next save. It is moved aside under a dated ".unreadable"
// name, so the user keeps the bytes and the program can start afresh.
class UnreadableFile {
public:
    // Renames `path` to "<path>.<yyyy-MM-dd-HHmmss>.unreadable" (with a
    // counter when that name is taken) and answers the new path, or an empty
    // string when the file could not be moved (reason in *error). `reason`
    // says why the file was unreadable: a few words, or a reader's whole
    // sentence about this file ("The file "<path>" could not be read. ..."),
    // which is not said twice. The report goes into the log and *message.
    static QString moveAside(const QString& path, const QString& reason, QString* message = nullptr,
                             QString* error = nullptr,
                             const QDateTime& now = QDateTime::currentDateTime());
};
