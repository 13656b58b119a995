#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// The two forms of a post body in the source view. The stored form holds each
// attachment as its bare key (its uniqueID); the shown form holds the
// attachment's markup instead. Markup of an attachment not yet uploaded is an
// attachment run: text that carries the key as its link, so the view can find
// the attachment again; an uploaded attachment's markup is plain text.
namespace AttachmentRuns {

// A stretch of the shown text linked to `key`.
struct Run {
    qsizetype start = 0;
    qsizetype length = 0;
    QString key;
    qsizetype end() const { return start + length; }
    friend bool operator==(const Run&, const Run&) = default;
};

// One attachment of the draft, in the draft's order.
struct Placement {
    QString key;
    QString markup;
    bool asRun = true; // false once uploaded: the markup becomes plain text
};

struct Shown {
    QString text;
    QList<Run> runs;        // in text order
    QStringList placedKeys; // the attachments found in the text, in draft order
};

// The shown form of `stored`: the first occurrence of each attachment's key
// is replaced by its markup. A key is looked for only in text that no earlier
// attachment's markup took.
Shown shownForm(const QString& stored, const QList<Placement>& attachments);

struct Stored {
    QString text;
    QStringList collapsedKeys; // keys of the runs put back, in text order
};

// The stored form of `shown`: each of `links` (the text's link runs, in text
// order) whose key names an attachment is replaced by that key. Other links
// stay as their text.
Stored storedForm(const QString& shown, const QList<Run>& links,
                  const std::function<bool(const QString& key)>& isAttachment);

} // namespace AttachmentRuns
