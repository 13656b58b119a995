#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reading a stored file whose size we do not control. Only a regular file (links
// followed) is read, and never more than the cap: a link to /dev/zero, a FIFO or a
// huge file in the support folder is refused before any memory is spent on it.
class RegularFile {
public:
    // The whole file, or nothing with a sentence in *error when it is missing, not a
    // regular file, larger than `cap` bytes or unreadable.
    static std::optional<QByteArray> read(const QString& path, qint64 cap,
                                          QString* error = nullptr);
};
