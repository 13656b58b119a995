// The attachment runs of a source view's text: finding them, writing them, following their markup.
#pragma once

#include "AttachmentRuns.h"
#include "ModelTypes.h"
#include "RVTextView.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QString>
#include <QTextCharFormat>
#include <optional>

class Attachment;
class QTextBlock;
class QTextCursor;

// The attachment runs of an RVTextView (see there): the characters of a run
// carry the attachment's key as their link. Stored text written into the
// view shows each of the draft's attachments it names as its run; a run's
// markup is redrawn when its attachment's markup changes, and becomes plain
// text once the attachment is uploaded. Part of the view.
class SourceViewRuns {
public:
    explicit SourceViewRuns(RVTextView& view);
    ~SourceViewRuns();

    // The format of the characters of `key`'s run.
    QTextCharFormat runFormat(const QString& key) const;
    // The link runs of the text, in order.
    QList<AttachmentRuns::Run> linkRuns() const;
    // The run holding the character at `position`.
    std::optional<AttachmentRuns::Run> runAt(qsizetype position) const;
    // The stored form of the shown text from `start` to `end`.
    QString storedText(qsizetype start, qsizetype end) const;

    // The shown form of `stored` (line feeds only) with the draft's
    // attachments; `attachments` gets the attachments it looked for.
    AttachmentRuns::Shown shownForm(const QString& stored, QList<AttachmentPtr>& attachments) const;
    // Follows the markup of those of `attachments` that `shown` placed.
    void observePlaced(const AttachmentRuns::Shown& shown, const QList<AttachmentPtr>& attachments);
    void stopObservingAll();
    // Inserts stored text at the cursor, attachments as their runs.
    void insertStored(QTextCursor& cursor, const QString& stored);

    // See RVTextView::openLink.
    void openLink(RVTextView::LinkCommand command, std::optional<qsizetype> position);

private:
    QList<AttachmentRuns::Run> linkRunsOfBlocks(const QTextBlock& first,
                                                const QTextBlock& last) const;
    void observeAttachment(const AttachmentPtr& attachment);
    void stopObserving(const QString& key);
    void attachmentMarkupChanged(Attachment* attachment);

    RVTextView& m_view;
    QHash<QString, QMetaObject::Connection> m_observed;
};
