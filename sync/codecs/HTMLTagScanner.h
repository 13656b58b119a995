#pragma once

#include <QStringView>
#include <QVariantMap>
#include <optional>

// Finds tags in HTML or loosely written XML text without building a tree, and
// reads their attributes the way browsers do: double-quoted, single-quoted and
// unquoted values, and attributes without a value. Attribute names are
// lower-cased; character and entity references in values are decoded. Empty
// values and attributes without a value are recognised but not stored.
class HTMLTagScanner {
public:
    struct Tag {
        QVariantMap attributes;
        qsizetype start = 0; // index of "<"
        qsizetype end = 0;   // index just past ">"
    };

    // The next tag named `name` (letter case ignored, so "link" finds "<LINK")
    // starting at or after `from`, or nothing. A tag that never closes ends
    // the search.
    static std::optional<Tag> findTag(QStringView text, QStringView name, qsizetype from = 0);

    // The tag at `start` (which holds "<"), whatever its name; nothing when it
    // never closes.
    static std::optional<Tag> tagAt(QStringView text, qsizetype start);

    // The attributes of the text of one tag, with or without its "<name".
    static QVariantMap parseAttributes(QStringView tagText);

    // The text with its references decoded: numeric ones, the HTML names and
    // "&apos;". Only a reference closed by ";" counts, so that "&copy=1" in an
    // address stays as written; unknown names stay too.
    static QString decodeReferences(QStringView text);
};
