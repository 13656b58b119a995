#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

// Binary and XML property lists as QVariant trees.
//
// Values map as: string <-> QString, integer <-> qint64, real <-> double,
// boolean <-> bool, date <-> QDateTime (UTC), data <-> QByteArray,
// array <-> QVariantList, dictionary <-> QVariantMap, UID <-> PlistUid.
// Reading never trusts the input: every node's type is checked, the size and
// the nesting depth are capped, and anything malformed becomes an error text.
class PropertyList {
public:
    enum class Format { Binary, Xml };

    static constexpr qsizetype DefaultMaxSize = 64 * 1024 * 1024;
    static constexpr int MaxDepth = 512;

    // Reads a binary or XML property list; an invalid QVariant means failure,
    // with the reason in *error.
    static QVariant read(const QByteArray& bytes, QString* error = nullptr,
                         qsizetype maxSize = DefaultMaxSize);

    // Serialises a value tree; an empty result means failure, with the reason
    // in *error (an unsupported type, a NUL inside a string, a date out of
    // range, nesting too deep).
    static QByteArray write(const QVariant& value, Format format, QString* error = nullptr);

    // Reads a regular file of at most maxSize bytes (links followed); anything
    // else is refused unread.
    static QVariant readFile(const QString& path, QString* error = nullptr,
                             qsizetype maxSize = DefaultMaxSize);

    // Serialises and writes atomically: on any failure the old file stays.
    static bool writeFile(const QString& path, const QVariant& value, Format format,
                          QString* error = nullptr);

    // A copy of a tree without the values no property list can hold (a number
    // that is not finite or too large, a text with NUL, a date out of range, an
    // unknown type, anything nested too deeply). Each value left out is named in
    // *leftOut by its key path, with the reason.
    static QVariant storable(const QVariant& value, QStringList* leftOut = nullptr);
};
