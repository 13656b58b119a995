// A draft's four editors: making them, filling them from the entry, reading them, switching kinds.
#include "DraftEditors.h"

#include "AsyncDraftEditor.h"
#include "Blog.h"
#include "Draft.h"
#include "DraftActions.h"
#include "DraftEditor.h"
#include "DraftExtensions.h"
#include "DraftFields.h"
#include "DraftWindowLayout.h"
#include "DraftsLog.h"
#include "Entry.h"
#include "EntryRenderer.h"
#include "Localization.h"
#include "RVDraftWindow.h"
#include "RVTextView.h"
#include "ValidationSheet.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QStackedWidget>
#include <QTimer>

using namespace DraftFields;

DraftEditors::DraftEditors(Draft& draft) : m_draft(draft) {}

DraftEditors::~DraftEditors() = default;

EditorSlot& DraftEditors::slot(int mode, bool sub)
{
    if (mode == Draft::RichMode)
        return sub ? m_richSub : m_richMain;
    return sub ? m_sourceSub : m_sourceMain;
}

DraftEditor* DraftEditors::editor(int mode, bool sub) const
{
    if (mode == Draft::RichMode)
        return sub ? m_richSub.editor : m_richMain.editor;
    return sub ? m_sourceSub.editor : m_sourceMain.editor;
}

void DraftEditors::setSpellingLanguage(const QString& language)
{
    if (auto* source = dynamic_cast<RVTextView*>(m_sourceMain.editor))
        source->setSpellingLanguage(language);
    if (auto* source = dynamic_cast<RVTextView*>(m_sourceSub.editor))
        source->setSpellingLanguage(language);
}

void DraftEditors::setUpEditor(EditorSlot& slot, DraftEditor* editor)
{
    slot.editor = editor;
    slot.widget = editor ? editor->editorWidget() : nullptr;
    if (!editor)
        return;
    EditorSlot* const slotPointer = &slot;
    editor->setChangeHandler([this, slotPointer] {
        slotPointer->changedByUser = true;
        slotPointer->failed = false;
        if (m_draft.window())
            m_draft.window()->setWindowModified(true);
        emit m_draft.textEdited();
    });
    if (auto* async = dynamic_cast<AsyncDraftEditor*>(editor)) {
        async->setContentHandler([slotPointer](const QString& content) {
            slotPointer->lastKnown = content;
            slotPointer->handedOver = true;
        });
        async->setFailureHandler([this, slotPointer](const QString& reason) {
            qCWarning(lcDrafts) << "an editor of a draft failed:" << reason;
            slotPointer->failed = true;
            // A commit waiting for it goes on and tells the user; otherwise
            // nobody would, and the user would type on in a page that shows older text.
            const bool commitTells = m_draft.m_committer->isWaitingFor(slotPointer);
            m_draft.m_committer->editorFailed(slotPointer);
            if (!commitTells && !m_draft.m_closed)
                m_draft.m_layout->showNotice(
                    localized("Draft", "The rich editor stopped working. It shows the text it "
                                       "last passed on again; anything typed just before it "
                                       "stopped may be missing."));
        });
        async->setRecoveryHandler([this, slotPointer] { restoreEditor(*slotPointer); });
    }
}

void DraftEditors::restoreEditor(EditorSlot& slot)
{
    if (m_draft.m_closed || !slot.alive())
        return;
    // The page came back with the text it was last given, not with what it
    // handed over since: that goes back in, as the editor shows a text.
    QString shown = slot.lastKnown;
    if (slot.handedOver) {
        const QString rendered = renderForRichEdit(shown);
        if (!rendered.isNull())
            shown = rendered;
    }
    slot.editor->setContent(shown);
    slot.failed = false;
}

void DraftEditors::build(QStackedWidget* mainTabs, QStackedWidget* subTabs)
{
    DraftExtensions& extensions = DraftExtensions::sharedInstance();

    auto richOrPlaceholder = [&](QStackedWidget* tabs, EditorSlot& slot) {
        DraftEditor* rich =
            extensions.makeRichEditor ? extensions.makeRichEditor(tabs, m_draft) : nullptr;
        setUpEditor(slot, rich);
        if (rich) {
            tabs->addWidget(rich->editorWidget());
        } else {
            auto* placeholder = new QWidget(tabs);
            placeholder->setObjectName(QStringLiteral("richPlaceholder"));
            tabs->addWidget(placeholder);
        }
    };
    auto source = [&](QStackedWidget* tabs, EditorSlot& slot) {
        auto* view = new RVTextView(tabs);
        view->setDraft(&m_draft);
        setUpEditor(slot, view);
        tabs->addWidget(view);
    };
    richOrPlaceholder(mainTabs, m_richMain);
    source(mainTabs, m_sourceMain);
    // Both rich editors or neither: a draft never mixes the kinds.
    if (m_richMain.editor) {
        richOrPlaceholder(subTabs, m_richSub);
        if (!m_richSub.editor) {
            delete m_richMain.widget.data();
            setUpEditor(m_richMain, nullptr);
            auto* placeholder = new QWidget(mainTabs);
            mainTabs->insertWidget(Draft::RichMode, placeholder);
        }
    } else {
        subTabs->addWidget(new QWidget(subTabs));
    }
    source(subTabs, m_sourceSub);
}

void DraftEditors::setEditorContent(EditorSlot& slot, const QString& text)
{
    if (!slot.alive())
        return;
    slot.editor->setContent(text);
    slot.loaded = text;
    slot.lastKnown = text;
    slot.handedOver = false;
    slot.failed = false;
    slot.changedByUser = false;
}

void DraftEditors::loadSourceEditors()
{
    const EntryPtr edited = m_draft.entry();
    if (!edited)
        return;
    setEditorContent(m_sourceMain, edited->body());
    if (m_draft.paneCode() > 0) {
        const QString field = subFieldKey(m_draft.m_subTag);
        if (!field.isEmpty())
            setEditorContent(m_sourceSub, entryField(*edited, field));
    }
}

void DraftEditors::loadContent(std::function<void()> done)
{
    const EntryPtr edited = m_draft.entry();
    if (!edited)
        return;
    if (m_draft.m_mode == Draft::SourceMode) {
        loadSourceEditors();
        if (done)
            done();
        return;
    }
    const int code = m_draft.paneCode();
    QList<RenderJob> jobs{{edited->body(), sheetText("Invalid HTML in main body!")}};
    if (code & 1)
        jobs.append({edited->extended(), sheetText("Invalid HTML in extended body!")});
    if (code & 2)
        jobs.append({edited->summary(), sheetText("Invalid HTML in summary!")});
    renderAll(jobs, [this, code, done](std::optional<QStringList> rendered) {
        if (!rendered) {
            fallBackToSourceMode();
        } else {
            setEditorContent(m_richMain, rendered->value(0));
            int index = 1;
            const QString extended = (code & 1) ? rendered->value(index++) : QString();
            const QString summary = (code & 2) ? rendered->value(index++) : QString();
            if (code > 0 && m_draft.m_subTag == Draft::ExtendedTag)
                setEditorContent(m_richSub, extended);
            else if (code > 0 && m_draft.m_subTag == Draft::SummaryTag)
                setEditorContent(m_richSub, summary);
        }
        if (done)
            done();
    });
}

void DraftEditors::fallBackToSourceMode()
{
    m_draft.m_mode = Draft::SourceMode;
    if (const EntryPtr edited = m_draft.entry())
        edited->setEditMode(Draft::SourceMode);
    m_draft.m_layout->showTabs();
    m_draft.m_layout->updateButtons();
    loadSourceEditors();
}

QString DraftEditors::renderForRichEdit(const QString& text) const
{
    const EntryPtr edited = m_draft.entry();
    return edited ? EntryRenderer(*edited).renderForRichEdit(text) : text;
}

QString DraftEditors::renderQuietly(const QString& text) const
{
    const QString rendered = renderForRichEdit(text);
    if (!rendered.isNull())
        return rendered;
    const EntryPtr edited = m_draft.entry();
    return edited ? edited->fixedHTML() : text;
}

void DraftEditors::renderAll(QList<RenderJob> jobs, Rendered done)
{
    // One job after the other; an invalid text asks the user, whose answer
    // goes on with the corrected HTML or ends the whole load.
    auto results = std::make_shared<QStringList>();
    auto remaining = std::make_shared<QList<RenderJob>>(std::move(jobs));
    auto step = std::make_shared<std::function<void()>>();
    QPointer<Draft> self(&m_draft);
    *step = [this, self, results, remaining, step, done] {
        if (!self)
            return;
        while (!remaining->isEmpty()) {
            const RenderJob job = remaining->takeFirst();
            const QString rendered = renderForRichEdit(job.text);
            if (!rendered.isNull()) {
                results->append(rendered);
                continue;
            }
            const EntryPtr edited = self->entry();
            const QString detail = edited ? edited->validationErrorMessage() : QString();
            ValidationSheet::ask(self->window(), job.message, detail,
                                 [self, results, step, done](bool useCorrection) {
                                     if (!self || !*step)
                                         return;
                                     const EntryPtr edited = self->entry();
                                     if (!useCorrection || !edited ||
                                         edited->fixedHTML().isNull()) {
                                         *step = nullptr;
                                         done(std::nullopt);
                                         return;
                                     }
                                     results->append(edited->fixedHTML());
                                     (*step)();
                                 });
            return;
        }
        // Dropping the shared function breaks its cycle and destroys this
        // closure: what it still needs is copied out first.
        const Rendered finish = done;
        const QStringList texts = *results;
        *step = nullptr;
        finish(texts);
    };
    (*step)();
}

QList<EditorCommitter::Reader> DraftEditors::commitReaders()
{
    QList<EditorCommitter::Reader> readers;
    // Rich editors that may not be edited hold nothing newer than the entry.
    if (m_draft.m_mode == Draft::RichMode && !m_draft.canUseRichEditor())
        return readers;
    EditorSlot& main = m_draft.m_mode == Draft::RichMode ? m_richMain : m_sourceMain;
    EditorSlot& sub = m_draft.m_mode == Draft::RichMode ? m_richSub : m_sourceSub;
    readers.append({&main, bodyKey});
    const QString field = subFieldKey(m_draft.m_subTag);
    if (m_draft.paneCode() > 0 && !field.isEmpty())
        readers.append({&sub, field});
    return readers;
}

void DraftEditors::switchEditor(std::optional<int> buttonTag)
{
    // Focus in a source editor returns to the matching rich editor afterwards.
    QWidget* focus = QApplication::focusWidget();
    const bool fromMainSource = focus && DraftEditor::containing(focus) == m_sourceMain.editor;
    const bool fromSubSource = focus && DraftEditor::containing(focus) == m_sourceSub.editor;

    m_draft.commit(
        QStringLiteral("switch editor"),
        [this, buttonTag, fromMainSource, fromSubSource](const EditorCommitter::Result& result) {
            const int target = 1 - m_draft.m_mode;
            if ((buttonTag && *buttonTag == m_draft.m_mode) ||
                (target == Draft::RichMode && !richEditorsAvailable())) {
                m_draft.m_layout->updateButtons();
                return;
            }
            if (target == Draft::SourceMode) {
                switchToSource(result);
                return;
            }
            const EntryPtr edited = m_draft.entry();
            if (!edited)
                return;
            const int code = m_draft.paneCode();
            const QString field = subFieldKey(m_draft.m_subTag);
            const bool hasSub = code > 0 && !field.isEmpty();
            if (!m_draft.canUseRichEditor()) {
                // The rich editors only show the text; it lives in the entry.
                edited->setBody(result.texts.value(bodyKey, edited->body()));
                if (hasSub)
                    setEntryField(*edited, field,
                                  result.texts.value(field, entryField(*edited, field)));
            }
            QList<RenderJob> jobs{{result.texts.value(bodyKey, edited->body()),
                                   sheetText("Invalid HTML in main body!")}};
            if (hasSub)
                jobs.append({result.texts.value(field, entryField(*edited, field)),
                             field == extendedKey ? sheetText("Invalid HTML in extended body!")
                                                  : sheetText("Invalid HTML in summary!")});
            renderAll(jobs, [this, hasSub, fromMainSource,
                             fromSubSource](std::optional<QStringList> rendered) {
                if (!rendered) {
                    m_draft.m_layout->updateButtons(); // refused: nothing changes
                    return;
                }
                finishSwitchToRich(rendered->value(0), rendered->value(1), hasSub);
                EditorSlot* refocus =
                    fromMainSource ? &m_richMain : (fromSubSource ? &m_richSub : nullptr);
                if (refocus) {
                    QPointer<QWidget> widget = refocus->widget;
                    QTimer::singleShot(focusReturnDelay, &m_draft, [widget] {
                        if (widget)
                            widget->setFocus(Qt::OtherFocusReason);
                    });
                }
            });
        });
}

void DraftEditors::finishSwitchToRich(const QString& body, const QString& sub, bool hasSub)
{
    setEditorContent(m_richMain, body);
    if (hasSub)
        setEditorContent(m_richSub, sub);
    m_draft.m_mode = Draft::RichMode;
    if (const EntryPtr edited = m_draft.entry())
        edited->setEditMode(Draft::RichMode);
    m_draft.m_layout->showTabs();
    m_draft.m_layout->updateButtons();
    m_draft.m_actions->validate();
}

void DraftEditors::switchToSource(const EditorCommitter::Result& result)
{
    const EntryPtr edited = m_draft.entry();
    if (!edited)
        return;
    const QString field = subFieldKey(m_draft.m_subTag);
    const bool hasSub = m_draft.paneCode() > 0 && !field.isEmpty();
    if (m_draft.canUseRichEditor()) {
        setEditorContent(m_sourceMain, result.texts.value(bodyKey, edited->body()));
        if (hasSub)
            setEditorContent(m_sourceSub, result.texts.value(field, entryField(*edited, field)));
        // The rich editor wrote HTML: no text filter applies any more.
        if (m_draft.m_layout->formatPopup()->count() > 0)
            m_draft.m_layout->formatPopup()->setCurrentIndex(0);
        edited->setFormat(QString());
    } else {
        loadSourceEditors();
    }
    m_draft.m_mode = Draft::SourceMode;
    edited->setEditMode(Draft::SourceMode);
    m_draft.m_layout->showTabs();
    m_draft.m_layout->updateButtons();
    m_draft.m_actions->validate();
}
