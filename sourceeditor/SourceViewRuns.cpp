// The attachment runs of a source view's text: finding them, writing them, following their markup.
#include "SourceViewRuns.h"

#include "Attachment.h"
#include "DesktopLinks.h"
#include "DraftEditorHost.h"
#include "Entry.h"
#include "Localization.h"
#include "Template.h"

#include <QDesktopServices>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>

namespace {

using AttachmentRuns::Run;

// The characters of a run carry the attachment's key here as well as in
// their link, so a run is told from any other link.
constexpr int AttachmentKeyProperty = QTextFormat::UserProperty + 1;

} // namespace

SourceViewRuns::SourceViewRuns(RVTextView& view) : m_view(view) {}

SourceViewRuns::~SourceViewRuns()
{
    stopObservingAll();
}

QTextCharFormat SourceViewRuns::runFormat(const QString& key) const
{
    QTextCharFormat format;
    format.setAnchor(true);
    format.setAnchorHref(key);
    format.setProperty(AttachmentKeyProperty, key);
    format.setToolTip(localized("Draft", "Click to edit attachment settings"));
    format.setUnderlineStyle(QTextCharFormat::DotLine);
    return format;
}

QList<Run> SourceViewRuns::linkRuns() const
{
    return linkRunsOfBlocks(m_view.document()->firstBlock(), m_view.document()->lastBlock());
}

QList<Run> SourceViewRuns::linkRunsOfBlocks(const QTextBlock& first, const QTextBlock& last) const
{
    QList<Run> runs;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString key = fragment.charFormat().anchorHref();
            if (key.isEmpty())
                continue;
            const qsizetype start = fragment.position();
            if (!runs.isEmpty() && runs.last().key == key &&
                (runs.last().end() == start ||
                 (start == block.position() && runs.last().end() == start - 1))) {
                runs.last().length = start + fragment.length() - runs.last().start;
                continue;
            }
            runs.append({start, fragment.length(), key});
        }
        if (block == last)
            break;
    }
    return runs;
}

std::optional<Run> SourceViewRuns::runAt(qsizetype position) const
{
    QTextBlock first = m_view.document()->findBlock(int(position));
    if (!first.isValid())
        return std::nullopt;
    QTextBlock last = first;
    // A run may go on over line ends: take in the lines it continues on.
    auto startsWithLink = [](const QTextBlock& block) {
        const auto it = block.begin();
        return !it.atEnd() && it.fragment().position() == block.position() &&
               it.fragment().charFormat().isAnchor();
    };
    auto endsWithLink = [](const QTextBlock& block) {
        QTextFragment lastFragment;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            lastFragment = it.fragment();
        return lastFragment.isValid() && lastFragment.charFormat().isAnchor() &&
               lastFragment.position() + lastFragment.length() ==
                   block.position() + block.length() - 1;
    };
    while (first.previous().isValid() && startsWithLink(first) && endsWithLink(first.previous()))
        first = first.previous();
    while (last.next().isValid() && endsWithLink(last) && startsWithLink(last.next()))
        last = last.next();
    for (const Run& run : linkRunsOfBlocks(first, last)) {
        if (run.start <= position && position < run.end())
            return run;
    }
    return std::nullopt;
}

QString SourceViewRuns::storedText(qsizetype start, qsizetype end) const
{
    const QString shown = m_view.shownText().sliced(start, end - start);
    QList<Run> links;
    for (Run run : linkRuns()) {
        const qsizetype from = std::max(run.start, start);
        const qsizetype to = std::min(run.end(), end);
        if (from >= to)
            continue;
        links.append({from - start, to - from, run.key});
    }
    return AttachmentRuns::storedForm(shown, links,
                                      [this](const QString& key) {
                                          return m_view.m_draft &&
                                                 m_view.m_draft->attachmentForKey(key);
                                      })
        .text;
}

AttachmentRuns::Shown SourceViewRuns::shownForm(const QString& stored,
                                                QList<AttachmentPtr>& attachments) const
{
    QList<AttachmentRuns::Placement> placements;
    if (DraftEditorHost* draft = m_view.draft()) {
        const Template* markupTemplate = draft->imageTemplate();
        for (const AttachmentPtr& attachment : draft->allAttachments()) {
            if (!attachment || attachment->uniqueID().isEmpty() ||
                !stored.contains(attachment->uniqueID()))
                continue;
            placements.append(
                {attachment->uniqueID(),
                 RVTextView::lineFeeds(attachment->generateMarkup(false, markupTemplate)),
                 attachment->uploadPath().isEmpty()});
            attachments.append(attachment);
        }
    }
    return AttachmentRuns::shownForm(stored, placements);
}

void SourceViewRuns::observePlaced(const AttachmentRuns::Shown& shown,
                                   const QList<AttachmentPtr>& attachments)
{
    for (const AttachmentPtr& attachment : attachments) {
        if (shown.placedKeys.contains(attachment->uniqueID()))
            observeAttachment(attachment);
    }
}

void SourceViewRuns::stopObservingAll()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_observed))
        QObject::disconnect(connection);
    m_observed.clear();
}

void SourceViewRuns::insertStored(QTextCursor& cursor, const QString& stored)
{
    QList<AttachmentPtr> attachments;
    const QString text = RVTextView::lineFeeds(stored);
    const AttachmentRuns::Shown shown = shownForm(text, attachments);
    qsizetype copied = 0;
    for (const Run& run : shown.runs) {
        cursor.insertText(shown.text.sliced(copied, run.start - copied), QTextCharFormat());
        cursor.insertText(shown.text.sliced(run.start, run.length), runFormat(run.key));
        copied = run.end();
    }
    cursor.insertText(shown.text.sliced(copied), QTextCharFormat());
    observePlaced(shown, attachments);
}

void SourceViewRuns::openLink(RVTextView::LinkCommand command, std::optional<qsizetype> position)
{
    const qsizetype at = position.value_or(m_view.textCursor().selectionStart());
    if (!m_view.m_draft || at >= m_view.document()->characterCount() - 1)
        return;
    const std::optional<Run> run = runAt(at);
    if (!run)
        return;
    switch (command) {
    case RVTextView::LinkCommand::Open: {
        const AttachmentPtr attachment = m_view.m_draft->attachmentForKey(run->key);
        if (!attachment)
            return;
        if (!attachment->uploadPath().isEmpty()) {
            // The address a server returned: it may name any scheme.
            DesktopLinks::open(QUrl(attachment->uploadPath()), &m_view);
        } else {
            const QString path = attachment->cachedPath().isEmpty() ? attachment->filePath()
                                                                    : attachment->cachedPath();
            QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        }
        break;
    }
    case RVTextView::LinkCommand::Edit:
        m_view.m_draft->displayAttachmentSheet(run->key);
        break;
    case RVTextView::LinkCommand::Remove: {
        QTextCursor cursor(m_view.document());
        cursor.setPosition(int(run->start));
        cursor.setPosition(int(run->end()), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        break;
    }
    }
}

void SourceViewRuns::observeAttachment(const AttachmentPtr& attachment)
{
    const QString key = attachment->uniqueID();
    if (m_observed.contains(key))
        return;
    Attachment* observed = attachment.get();
    m_observed.insert(key, QObject::connect(observed, &ModelRecord::valueChanged, &m_view,
                                            [this, observed](const QString& changed) {
                                                if (changed == QLatin1String("markup"))
                                                    attachmentMarkupChanged(observed);
                                            }));
}

void SourceViewRuns::stopObserving(const QString& key)
{
    const auto found = m_observed.find(key);
    if (found == m_observed.end())
        return;
    QObject::disconnect(*found);
    m_observed.erase(found);
}

void SourceViewRuns::attachmentMarkupChanged(Attachment* attachment)
{
    if (!m_view.m_draft)
        return;
    if (Entry* entry = m_view.m_draft->entryBeingEdited(); entry && entry->editMode() == 0)
        return;
    const QString key = attachment->uniqueID();
    QList<Run> runs;
    for (const Run& run : linkRuns()) {
        if (run.key == key)
            runs.append(run);
    }
    if (runs.isEmpty()) {
        stopObserving(key);
        return;
    }
    const QString markup =
        RVTextView::lineFeeds(attachment->generateMarkup(false, m_view.m_draft->imageTemplate()));
    const bool settled = attachment->uploadComplete();
    ++m_view.m_quiet;
    // The new markup shows the same attachment: no step of the user's to undo,
    // and the old steps would no longer fit the text.
    m_view.document()->setUndoRedoEnabled(false);
    QTextCursor cursor(m_view.document());
    cursor.beginEditBlock();
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        cursor.setPosition(int(run->start));
        cursor.setPosition(int(run->end()), QTextCursor::KeepAnchor);
        cursor.insertText(markup, settled ? QTextCharFormat() : runFormat(key));
    }
    cursor.endEditBlock();
    m_view.document()->setUndoRedoEnabled(true);
    --m_view.m_quiet;
    if (settled)
        stopObserving(key);
    m_view.plainTypingAtCaret();
}
