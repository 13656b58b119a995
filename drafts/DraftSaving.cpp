// Saves and closes a draft: the needs-save test, the writing, the question, the roads.
#include "DraftSaving.h"

#include "AlertBox.h"
#include "Draft.h"
#include "DraftActions.h"
#include "DraftAddons.h"
#include "DraftBlogSetup.h"
#include "DraftController.h"
#include "DraftEntryWatch.h"
#include "DraftSheets.h"
#include "DraftWindowLayout.h"
#include "DraftsLog.h"
#include "Entry.h"
#include "EntryOwner.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "RVDraftWindow.h"
#include "UniqueId.h"
#include "UserDefaults.h"

#include <QDateTime>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

// "shouldAutoSave" stored as NO: closing a changed draft asks. Unset or YES saves.
bool askBeforeClosing()
{
    const QVariant value = UserDefaults::sharedInstance().value(QStringLiteral("shouldAutoSave"));
    return value.isValid() && !value.toBool();
}

} // namespace

DraftSaving::DraftSaving(Draft& draft) : m_draft(draft) {}

DraftSaving::~DraftSaving() = default;

bool DraftSaving::compareWithCopy()
{
    const EntryPtr edited = m_draft.entry();
    if (!edited || !m_copy)
        return false;
    edited->setSaveIfNeeded(*m_copy);
    if (edited->needsSave() && !edited->hasFlag(Entry::LocalOnly))
        edited->addFlag(Entry::ChangedLocally);
    return edited->needsSave();
}

void DraftSaving::determineIfSaveIsNeeded(std::function<void(bool needed)> answer)
{
    m_draft.commitThen(QStringLiteral("needs save"), [this, answer = std::move(answer)] {
        const bool needed = compareWithCopy();
        if (answer)
            answer(needed);
    });
}

bool DraftSaving::needsSave() const
{
    const EntryPtr edited = m_draft.entry();
    return edited && edited->needsSave();
}

bool DraftSaving::saveToDisk()
{
    const EntryPtr edited = m_draft.entry();
    EntryOwner* blog = m_draft.owner();
    if (!edited || !blog)
        return false;
    if (edited->hasFlag(Entry::LocalOnly) && !edited->hasCustomDate())
        edited->setEntryDate(QDateTime::currentDateTime());
    return writeEntry();
}

bool DraftSaving::writeEntry()
{
    const EntryPtr edited = m_draft.entry();
    EntryOwner* blog = m_draft.owner();
    if (!edited || !blog)
        return false;
    QString error;
    if (!blog->saveEntry(edited.get(), &error)) {
        qCWarning(lcDrafts) << "a draft could not be saved:" << error;
        m_draft.m_sheets->showAlert(
            localized("Draft", "The draft could not be saved."),
            error.isEmpty() ? localized("Draft", "Its text stays in the window. Try again later.")
                            : localized("Draft", "%1\n\nIts text stays in the window.").arg(error));
        return false;
    }
    edited->setNeedsSave(false);
    edited->setIsNew(false);
    if (m_draft.window())
        m_draft.window()->setWindowModified(false);
    return true;
}

void DraftSaving::renewCopy()
{
    if (const EntryPtr edited = m_draft.entry())
        m_copy = edited->copy();
}

void DraftSaving::saveDocument()
{
    m_draft.commitThen(QStringLiteral("save"), [this] {
        const EntryPtr edited = m_draft.entry();
        if (!edited)
            return;
        // Saving what did not change writes nothing and marks nothing changed.
        const bool pending = edited->needsSave() || edited->isNew();
        if (!compareWithCopy() && !pending) {
            if (m_draft.window())
                m_draft.window()->setWindowModified(false);
            return;
        }
        if (!edited->hasFlag(Entry::LocalOnly))
            edited->addFlag(Entry::ChangedLocally);
        if (saveToDisk())
            renewCopy();
    });
}

void DraftSaving::saveDocumentAs()
{
    m_draft.commit(QStringLiteral("save as"), [this](const EditorCommitter::Result& result) {
        const EntryPtr edited = m_draft.entry();
        EntryOwner* blog = m_draft.owner();
        if (!edited || !blog || !m_copy)
            return;
        const bool wasStored = !edited->isNew();
        edited->setUniqueID(newUniqueID());
        edited->setPermaLink(QString());
        edited->setNeedsSave(true);
        edited->setFlag(Entry::LocalOnly);
        // The post as last saved stays in the blog beside the new one (a post
        // that never reached the disk has nothing to keep).
        if (wasStored) {
            EntryPtr stored = Entry::create();
            stored->restoreFromCopy(*m_copy);
            blog->addEntry(stored);
        }
        m_draft.saveToEntry(result);
        if (saveToDisk())
            renewCopy();
        m_draft.m_layout->updateWindowTitle();
        // A blog that took the stored post said so itself.
        if (!wasStored)
            NotificationCenter::sharedInstance().post(QStringLiteral("entriesRetrieved"),
                                                      dynamic_cast<QObject*>(blog));
    });
}

bool DraftSaving::windowShouldClose()
{
    if (m_draft.m_closing)
        return true;
    save();
    return false;
}

void DraftSaving::save()
{
    if (m_draft.m_sheets->sheet()) {
        // A question is open already: it finishes the road.
        m_draft.m_sheets->sheet()->raise();
        return;
    }
    m_draft.commitThen(QStringLiteral("close"), [this] {
        const bool changed = compareWithCopy();
        if (m_draft.holdForFallback()) {
            if (changed && saveToDisk())
                renewCopy();
            return;
        }
        if (changed) {
            if (askBeforeClosing()) {
                askToSave();
                return;
            }
            if (!saveToDisk())
                return; // the text stays; the user was told
        }
        requestClose();
    });
}

void DraftSaving::askToSave(std::function<void(bool goOn)> reviewStep)
{
    m_draft.m_sheets->dismissSheet();
    if (m_draft.window()) {
        m_draft.window()->show();
        m_draft.window()->raise();
    }
    QMessageBox* sheet = cutils::makeAlert(
        QMessageBox::Warning,
        localized("Draft", "Do you want to save changes to this draft before closing?"),
        localized("Draft", "If you don't save, your changes will be lost."), m_draft.window());
    QPushButton* saveButton =
        sheet->addButton(localized("AppControl", "Save"), QMessageBox::AcceptRole);
    QPushButton* dontSave =
        sheet->addButton(localized("AppControl", "Don't Save"), QMessageBox::DestructiveRole);
    QPushButton* cancel =
        sheet->addButton(localized("AppControl", "Cancel"), QMessageBox::RejectRole);
    sheet->setDefaultButton(saveButton);
    sheet->setEscapeButton(cancel);
    QPointer<Draft> self(&m_draft);
    m_draft.m_sheets->showSheet(
        sheet, [this, self, saveButton, dontSave, reviewStep](QAbstractButton* chosen) {
            if (!self)
                return;
            bool goOn = false;
            if (chosen == dontSave) {
                if (const EntryPtr edited = self->entry(); edited && m_copy)
                    edited->restoreFromCopy(*m_copy);
                requestClose();
                goOn = true;
            } else if (chosen == saveButton) {
                if (saveToDisk()) {
                    requestClose();
                    goOn = true;
                }
            }
            if (reviewStep)
                reviewStep(goOn);
        });
}

void DraftSaving::saveIfNeeded(std::function<void()> done)
{
    m_draft.commitThen(QStringLiteral("autosave"), [this, done = std::move(done)] {
        if (compareWithCopy() && saveToDisk())
            renewCopy();
        if (done)
            done();
    });
}

void DraftSaving::forceClose(std::function<void()> done)
{
    QPointer<Draft> self(&m_draft);
    auto finish = [this, self, done] {
        if (self)
            requestClose();
        if (done)
            done();
    };
    if (m_draft.m_closed) {
        finish();
        return;
    }
    m_draft.m_sheets->dismissSheet();
    m_draft.commitThen(QStringLiteral("force close"), [this, finish] {
        if (compareWithCopy())
            saveToDisk();
        finish();
    });
}

void DraftSaving::commitForQuit(std::function<void(bool needed)> done)
{
    m_draft.commitThen(QStringLiteral("quit"), [this, done = std::move(done)] {
        const bool needed = compareWithCopy();
        if (done)
            done(needed);
    });
}

void DraftSaving::requestClose()
{
    if (m_draft.m_closed)
        return;
    DraftController::sharedInstance().close(&m_draft);
}

void DraftSaving::tearDown()
{
    // The window and the draft's ties go; the draft object stays until the registry lets it go.
    if (m_draft.m_closed)
        return;
    m_draft.m_closed = true;
    m_draft.m_closing = true;
    m_draft.m_committer->stop();
    m_draft.m_sheets->dismissSheet();
    if (QMenu* revisionMenu = m_draft.m_actions->revisionMenu())
        revisionMenu->clear();
    NotificationCenter::sharedInstance().removeObserver(&m_draft);
    NotificationCenter::sharedInstance().post(QStringLiteral("closePreview"), &m_draft);
    m_draft.m_blogSetup->disposePluginPanel();
    m_draft.m_addons->dispose();
    if (m_draft.window()) {
        m_draft.window()->hide();
        m_draft.window()->clearDelegate();
        m_draft.window()->close();
    }
    const EntryPtr edited = m_draft.entry();
    if (edited)
        NotificationCenter::sharedInstance().post(QStringLiteral("refreshInlinePreview"),
                                                  edited.get());
    // A draft that never reached the disk takes its entry with it, now: the
    // program's clean-up at quit saves every blog's entries before a later
    // release would come. An entry leaving its blog already is left to that.
    if (edited && edited->isNew() && edited != m_draft.m_entryWatch->keepAlive()) {
        m_draft.m_entryWatch->stopWatching();
        if (EntryOwner* blog = edited->parentBlog())
            blog->removeEntry(edited.get());
    }
}
