// A draft's editing commands: lower pane, summary, style, reloading and reverting.
#include "DraftEditing.h"

#include "Blog.h"
#include "Draft.h"
#include "DraftActions.h"
#include "DraftBlogMenu.h"
#include "DraftCategories.h"
#include "DraftEditor.h"
#include "DraftEditors.h"
#include "DraftFields.h"
#include "DraftPaneStack.h"
#include "DraftRevisions.h"
#include "DraftSaving.h"
#include "DraftWindowLayout.h"
#include "Entry.h"
#include "EntryContent.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"

#include <QPointer>
#include <QTimer>

using namespace DraftFields;

DraftEditing::DraftEditing(Draft& draft) : m_draft(draft) {}

DraftEditing::~DraftEditing() = default;

DraftEditors& DraftEditing::editors() const
{
    return *m_draft.m_editors;
}

DraftWindowLayout& DraftEditing::layout() const
{
    return *m_draft.m_layout;
}

void DraftEditing::toggleExtraEdit(int tag)
{
    m_draft.commit(
        QStringLiteral("lower pane"), [this, tag](const EditorCommitter::Result& result) {
            const EntryPtr edited = m_draft.entry();
            if (!edited)
                return;
            // The text the lower pane showed goes into the entry.
            const QString outgoing = subFieldKey(m_draft.m_subTag);
            if (!outgoing.isEmpty() && result.texts.contains(outgoing))
                setEntryField(*edited, outgoing, result.texts.value(outgoing));
            m_draft.m_subTag = tag;
            if (Blog* owning = m_draft.blog())
                owning->setOption(QStringLiteral("extraEditTab"), tag);
            layout().paneStack()->selectTag(tag);
            layout().showTabs();
            const QString incoming = subFieldKey(tag);
            if (incoming.isEmpty())
                return;
            const QString text = entryField(*edited, incoming);
            if (m_draft.m_mode == Draft::SourceMode) {
                editors().setEditorContent(editors().slot(Draft::SourceMode, true), text);
            } else {
                const QString rendered = editors().renderForRichEdit(text);
                if (!rendered.isNull())
                    editors().setEditorContent(editors().slot(Draft::RichMode, true), rendered);
            }
        });
}

void DraftEditing::createSummary()
{
    m_draft.commit(QStringLiteral("summary"), [this](const EditorCommitter::Result& result) {
        const EntryPtr edited = m_draft.entry();
        if (!edited)
            return;
        if (result.texts.contains(bodyKey))
            edited->setBody(result.texts.value(bodyKey));
        if (m_draft.m_subTag == Draft::ExtendedTag && result.texts.contains(extendedKey))
            edited->setExtended(result.texts.value(extendedKey));
        const std::optional<QString> excerpt = EntryContent(*edited).createExcerpt();
        if (!excerpt)
            return;
        m_draft.m_subTag = Draft::SummaryTag;
        if (Blog* owning = m_draft.blog())
            owning->setOption(QStringLiteral("extraEditTab"), Draft::SummaryTag);
        layout().paneStack()->selectTag(Draft::SummaryTag);
        layout().showTabs();
        if (layout().paneStack()->isCollapsed())
            layout().paneStack()->closureAction();
        if (m_draft.m_mode == Draft::SourceMode)
            editors().setEditorContent(editors().slot(Draft::SourceMode, true), *excerpt);
        else
            editors().setEditorContent(editors().slot(Draft::RichMode, true),
                                       editors().renderQuietly(*excerpt));
        if (m_draft.window())
            m_draft.window()->setWindowModified(true);
    });
}

void DraftEditing::refreshSource()
{
    m_draft.commit(QStringLiteral("style"), [this](const EditorCommitter::Result& result) {
        const EntryPtr edited = m_draft.entry();
        if (!edited)
            return;
        const int code = m_draft.paneCode();
        if (m_draft.m_mode == Draft::SourceMode) {
            for (EditorSlot* slot : {&editors().slot(Draft::SourceMode, false),
                                     &editors().slot(Draft::SourceMode, true)}) {
                if (slot == &editors().slot(Draft::SourceMode, true) && code <= 0)
                    continue;
                if (auto* view = dynamic_cast<RVTextView*>(slot->editor))
                    view->setDefaults(true);
            }
            return;
        }
        const QString field = subFieldKey(m_draft.m_subTag);
        const bool hasSub = code > 0 && !field.isEmpty();
        auto current = [&](const QString& name) {
            return m_draft.canUseRichEditor() && result.texts.contains(name)
                       ? result.texts.value(name)
                       : entryField(*edited, name);
        };
        QList<DraftEditors::RenderJob> jobs{
            {current(bodyKey), sheetText("Invalid HTML in main body!")}};
        if (hasSub)
            jobs.append({current(field), field == extendedKey
                                             ? sheetText("Invalid HTML in extended body!")
                                             : sheetText("Invalid HTML in summary!")});
        editors().renderAll(jobs, [this, hasSub](std::optional<QStringList> rendered) {
            if (!rendered)
                return;
            editors().setEditorContent(editors().slot(Draft::RichMode, false), rendered->value(0));
            if (hasSub)
                editors().setEditorContent(editors().slot(Draft::RichMode, true),
                                           rendered->value(1));
        });
    });
}

void DraftEditing::reloadEntry()
{
    m_draft.commit(QStringLiteral("reload"), [this](const EditorCommitter::Result& result) {
        const EntryPtr edited = m_draft.entry();
        if (!edited)
            return;
        // Text the user typed wins over a change made to the entry elsewhere;
        // an editor left untouched since it was filled takes the entry's text.
        for (const EditorCommitter::Reader& reader : editors().commitReaders()) {
            if (reader.slot->changedByUser && result.texts.contains(reader.key))
                setEntryField(*edited, reader.key, result.texts.value(reader.key));
        }
        layout().showEntryFields(*edited, true);
        m_draft.m_categories->checkEntryCategories();
        editors().loadContent([this] {
            if (const EntryPtr edited = m_draft.entry())
                edited->setNeedsSave(true);
        });
        layout().updateWindowTitle();
        if (m_draft.window()) {
            m_draft.window()->show();
            m_draft.window()->raise();
            m_draft.window()->activateWindow();
        }
    });
}

void DraftEditing::revertDocumentToSaved()
{
    m_draft.commitThen(QStringLiteral("revert"), [this] {
        const EntryPtr edited = m_draft.entry();
        if (!edited || !m_draft.m_saving->savedCopy())
            return;
        // The text typed since the save joins the revisions first, so that
        // one click does not lose it for good.
        m_draft.m_revisions->take(*edited);
        edited->restoreFromCopy(*m_draft.m_saving->savedCopy());
        layout().showEntryFields(*edited, true);
        m_draft.m_categories->checkEntryCategories();
        m_draft.m_blogMenu->setupFormatMenu();
        if (edited->editMode() == Draft::RichMode && m_draft.richEditorsAvailable())
            m_draft.m_mode = Draft::RichMode;
        else
            m_draft.m_mode = Draft::SourceMode;
        layout().showTabs();
        layout().updateButtons();
        editors().loadContent([this] {
            if (const EntryPtr edited = m_draft.entry())
                edited->setNeedsSave(false);
            if (m_draft.window())
                m_draft.window()->setWindowModified(false);
        });
        layout().updateWindowTitle();
    });
}

void DraftEditing::revertToRevision(const QVariantMap& revision)
{
    if (revision.isEmpty())
        return;
    // Focus in a rich editor returns to it once the editors are filled again.
    const DraftEditor* focused = m_draft.focusedEditor();
    EditorSlot* refocus = (focused && focused == editors().slot(Draft::RichMode, false).editor)
                              ? &editors().slot(Draft::RichMode, false)
                          : (focused && focused == editors().slot(Draft::RichMode, true).editor)
                              ? &editors().slot(Draft::RichMode, true)
                              : nullptr;
    m_draft.commitThen(QStringLiteral("revert to revision"), [this, revision, refocus] {
        const EntryPtr edited = m_draft.entry();
        if (!edited)
            return;
        // The text typed since the last commit is in the entry now: it joins
        // the list, so the revert itself can be undone from the menu.
        m_draft.m_revisions->take(*edited);
        edited->setBody(revision.value(bodyKey).toString());
        edited->setTitle(revision.value(QStringLiteral("title")).toString());
        edited->setExtended(revision.value(extendedKey).toString());
        edited->setSummary(revision.value(summaryKey).toString());
        edited->setEditMode(m_draft.m_mode);
        layout().showEntryFields(*edited, false);
        layout().updateWindowTitle();
        QPointer<QWidget> widget = refocus ? refocus->widget : nullptr;
        editors().loadContent([this, widget] {
            layout().showTabs();
            layout().updateButtons();
            if (m_draft.saveToDisk())
                m_draft.renewCopy();
            if (widget) {
                QTimer::singleShot(DraftEditors::focusReturnDelay, &m_draft, [widget] {
                    if (widget)
                        widget->setFocus(Qt::OtherFocusReason);
                });
            }
        });
    });
}

void DraftEditing::rebuildRevisionMenu()
{
    // Queued: reverting rebuilds the menu, which deletes the chosen item.
    auto revert = [self = QPointer<Draft>(&m_draft)](const QVariantMap& revision) {
        QMetaObject::invokeMethod(
            self,
            [self, revision] {
                if (self)
                    self->revertToRevision(revision);
            },
            Qt::QueuedConnection);
    };
    m_draft.m_revisions->fillMenu(m_draft.m_actions->revisionMenu(), revert);
}
