#pragma once

#include "RichDomSnapshot.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// A character range of serialized HTML; `location` is NotFound when the
// selection could not be mapped (the value stored forms have always used).
struct SelectedTextRange {
    static constexpr qsizetype NotFound = 2147483647;

    qsizetype location = NotFound;
    qsizetype length = 0;

    bool isFound() const { return location != NotFound; }
    friend bool operator==(const SelectedTextRange&, const SelectedTextRange&) = default;
};

// Writes the stored HTML of a post from the rich editor's content division:
// lower-case tags, void elements closed with " />", attachment elements back
// to their bare keys, the engine's classes and the editor's own ids and
// handlers dropped, engine styling turned into strong/em, the first rgb()
// colour of a style written in hex, attribute-less div and span unwrapped,
// lone placeholder spaces of the texts back to spaces (the editor's own only:
// the post's own non-breaking spaces, which the snapshot names, stay as
// "&nbsp;") and empty paragraphs
// (none, a line break or a space in an attribute-less p) left out. Scripts,
// styles and attribute values are written as they are. The selection is
// mapped onto the output as it goes.
//
// The output is what stored bodies hold, so these rules are the format:
// change them only with the stored posts in mind. Pure: no widgets, no page.
class RichHtmlSerializer {
public:
    // What stands for an element whose id names an attachment of the draft.
    struct AttachmentText {
        QString text;           // the bare key, or a temporary one's finished markup
        bool temporary = false; // the draft drops a temporary attachment once written
    };
    // The attachment output for an id, or nothing when the id names none.
    using AttachmentLookup = std::function<std::optional<AttachmentText>(const QString& id)>;

    struct Result {
        QString html;
        SelectedTextRange selection;
        // Keys of the temporary attachments written out as markup.
        QStringList temporaryKeys;
    };

    explicit RichHtmlSerializer(AttachmentLookup attachments = {});

    Result serialize(const RichDomSnapshot& snapshot) const;
    // The same for `count` top-level nodes of the content from `first` on,
    // without a selection: a run of the post that changed.
    Result serialize(const RichDomSnapshot& snapshot, size_t first, size_t count) const;

    // The editor's placeholder space, U+00A0.
    static QChar noBRSpace() { return QChar(0x00A0); }
    // Every placeholder space with no other one beside it becomes a plain
    // space; runs of two or more stay.
    static QString removeNonConsecutiveNoBRSpaces(QString text);
    // The style attribute's clean-up: the engine's noise removed and the first
    // rgb() colour written as #RRGGBB.
    static QString cleanStyle(QString style);

private:
    AttachmentLookup m_attachments;
};
