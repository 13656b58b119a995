#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Writes QVariant trees as binary property lists ("bplist00"), the form the
// system's own reader and BinaryPlistReader read. Dates are the format's 64-bit
// float of seconds from 2001, so any date a reader accepts can be stored.
class BinaryPlistWriter {
public:
    static constexpr int MaxDepth = 512;

    // The file's bytes, or empty with the reason in *error when the tree holds a
    // value no property list can hold (see plist::kindOf) or nests too deeply.
    static QByteArray write(const QVariant& value, QString* error = nullptr);
};
