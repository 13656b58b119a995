// Builds a source view's right-click menu.
#include "SourceViewMenu.h"

#include "DraftEditorHost.h"
#include "Localization.h"
#include "RVTextView.h"
#include "SourceViewSpelling.h"

#include <QMenu>

namespace {

using AttachmentRuns::Run;

const char RVTextViewTable[] = "RVTextView";

} // namespace

SourceViewMenu::SourceViewMenu(RVTextView& view) : m_view(view) {}

QMenu* SourceViewMenu::menuAt(const QPoint& position)
{
    if (!m_view.m_draft)
        return m_view.createStandardContextMenu(position);
    auto* menu = new QMenu(localized(RVTextViewTable, "Contextual Menu"));

    const QTextCursor clicked = m_view.cursorForPosition(position);
    const QTextCursor current = m_view.textCursor();
    if (clicked.position() < current.selectionStart() ||
        clicked.position() > current.selectionEnd())
        m_view.setTextCursor(clicked);

    const QString key = m_view.anchorAt(position);
    std::optional<qsizetype> runPosition;
    if (!key.isEmpty()) {
        for (qsizetype at : {qsizetype(clicked.position()), qsizetype(clicked.position()) - 1}) {
            if (const std::optional<Run> run = at >= 0 ? m_view.runAt(at) : std::nullopt;
                run && run->key == key) {
                runPosition = run->start;
                break;
            }
        }
    }
    if (runPosition) {
        const qsizetype at = *runPosition;
        menu->addAction(localized(RVTextViewTable, "Open Link"), &m_view,
                        [this, at] { m_view.openLink(RVTextView::LinkCommand::Open, at); });
        menu->addAction(localized(RVTextViewTable, "Edit Link") + QChar(0x2026), &m_view,
                        [this, at] { m_view.openLink(RVTextView::LinkCommand::Edit, at); })
            ->setEnabled(m_view.m_draft && m_view.m_draft->canDisplayAttachmentSheet());
        menu->addAction(localized(RVTextViewTable, "Remove Link"), &m_view,
                        [this, at] { m_view.openLink(RVTextView::LinkCommand::Remove, at); });
        menu->addSeparator();
    }

    QTextCursor wordCursor;
    const QString word = m_view.m_spelling->wordAt(position, &wordCursor);
    if (const std::optional<QStringList> guesses = m_view.m_spelling->guessesFor(word)) {
        for (const QString& guess : *guesses) {
            menu->addAction(guess, &m_view, [wordCursor, guess]() mutable {
                wordCursor.insertText(guess, QTextCharFormat());
            });
        }
        if (guesses->isEmpty())
            menu->addAction(localized(RVTextViewTable, "No Guesses Found"))->setEnabled(false);
        menu->addSeparator();
    }

    QMenu* standard = m_view.createStandardContextMenu(position);
    standard->setParent(menu, standard->windowFlags());
    for (QAction* action : standard->actions())
        menu->addAction(action);

    menu->addSeparator();
    const bool insertions = m_view.m_draft && m_view.m_draft->canInsertWithClipboard();
    menu->addAction(localized(RVTextViewTable, "URL with Clipboard"), &m_view,
                    [this] {
                        if (m_view.m_draft)
                            m_view.m_draft->insertURLWithClipboard();
                    })
        ->setEnabled(insertions);
    menu->addAction(localized(RVTextViewTable, "Image with Clipboard"), &m_view,
                    [this] {
                        if (m_view.m_draft)
                            m_view.m_draft->insertImageWithClipboard();
                    })
        ->setEnabled(insertions);
    return menu;
}
