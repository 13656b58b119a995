#pragma once

#include <QByteArray>
#include <QString>

// The one way files are written: the bytes go to a temporary file beside the
// target, which replaces the target only once everything is on disk. A full
// disk or a killed process leaves the previous file as it was.
class AtomicFile {
public:
    // Writes `bytes` to `path`; the folder must exist. On failure returns
    // false with a sentence in *error and leaves any existing file untouched.
    static bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr);
};
