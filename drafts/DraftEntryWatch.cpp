// Follows the entry under a draft: its changes, its move, its leaving or going away.
#include "DraftEntryWatch.h"

#include "Blog.h"
#include "Draft.h"
#include "DraftBlogSetup.h"
#include "DraftRevisions.h"
#include "DraftSaving.h"
#include "DraftWindowLayout.h"
#include "DraftsLog.h"
#include "EditorCommitter.h"
#include "Entry.h"
#include "EntryCopying.h"
#include "EntryOwner.h"
#include "RVDraftWindow.h"

#include <QLineEdit>

DraftEntryWatch::DraftEntryWatch(Draft& draft) : m_draft(draft) {}

DraftEntryWatch::~DraftEntryWatch()
{
    // Letting the entry go may end it: nothing here hears of that any more.
    stopWatching();
}

void DraftEntryWatch::stopWatching()
{
    for (const auto& connection : std::as_const(m_entryConnections))
        QObject::disconnect(connection);
    m_entryConnections.clear();
}

void DraftEntryWatch::watchEntry()
{
    stopWatching();
    const EntryPtr edited = m_draft.entry();
    if (!edited)
        return;
    m_entryConnections.append(
        QObject::connect(edited.get(), &Entry::movedTo, &m_draft,
                         [this](const EntryPtr& moved) { followMovedEntry(moved); }));
    m_entryConnections.append(
        QObject::connect(edited.get(), &ModelRecord::valueChanged, &m_draft,
                         [this](const QString& changedKey) { entryChanged(changedKey); }));
    m_entryConnections.append(
        QObject::connect(edited.get(), &QObject::destroyed, &m_draft, [this] { entryLost(); }));
    if (Blog* owning = m_draft.blog()) {
        Entry* watched = edited.get();
        m_entryConnections.append(
            QObject::connect(owning, &Blog::entriesAboutToBeRemoved, &m_draft,
                             [this, owning, watched](int first, int last) {
                                 const QList<EntryPtr> rows = owning->entries();
                                 for (int row = first; row <= last && row < rows.size(); ++row) {
                                     if (rows[row].get() == watched) {
                                         m_keepAlive = rows[row];
                                         entryRemovedFromBlog();
                                         return;
                                     }
                                 }
                             }));
        m_entryConnections.append(QObject::connect(owning, &Blog::entriesAboutToBeReset, &m_draft,
                                                   [this] { m_keepAlive = m_draft.entry(); }));
        m_entryConnections.append(
            QObject::connect(owning, &Blog::entriesReset, &m_draft, [this, owning] {
                const EntryPtr held = m_keepAlive;
                if (held && !owning->entries().contains(held))
                    entryRemovedFromBlog();
                else
                    m_keepAlive.reset();
            }));
    }
}

void DraftEntryWatch::followMovedEntry(const EntryPtr& moved)
{
    const EntryPtr old = m_draft.entry();
    if (!moved || moved == old)
        return;
    const bool oldWasLocal = old && old->hasFlag(Entry::LocalOnly);
    // A published post stays where it was, as last saved: what the draft
    // changed belongs to the post it goes on with.
    if (old && !oldWasLocal && m_draft.m_saving->savedCopy())
        old->restoreFromCopy(*m_draft.m_saving->savedCopy());
    m_draft.m_entry = moved;
    m_keepAlive.reset();
    // A moved local post is on disk in its new blog already; a published one
    // leaves a new local post there, written now so the copy below is true.
    if (!oldWasLocal) {
        QString error;
        if (EntryOwner* target = moved->parentBlog();
            target && !target->saveEntry(moved.get(), &error))
            qCWarning(lcDrafts) << "the moved post could not be written:" << error;
        else
            moved->setNeedsSave(false);
    }
    m_draft.m_saving->renewCopy();
    if (const EntryPtr edited = std::exchange(m_carried, nullptr)) {
        // The post moved as last saved; the window goes on with what the
        // user changed since, still to be saved (or not).
        EntryCopying::carryEdits(*moved, *edited);
        if (oldWasLocal && old)
            moved->setIsNew(old->isNew());
        moved->setSaveIfNeeded(*m_draft.m_saving->savedCopy());
        if (m_draft.window())
            m_draft.window()->setWindowModified(moved->needsSave());
    }
    // A local post moved as it is, its history with it; a published one
    // leaves its history with the post that stays.
    if (oldWasLocal)
        m_draft.m_revisions->carryTo(*moved);
    else
        m_draft.m_revisions->follow(*moved);
    watchEntry();
    m_draft.m_blogSetup->reconfigureForBlog();
    m_draft.m_layout->updateWindowTitle();
    emit m_draft.entryMoved(&m_draft);
}

void DraftEntryWatch::entryRemovedFromBlog()
{
    if (m_draft.m_closed)
        return;
    // The entry left its blog with the draft open: changed text is written
    // before the window goes.
    stopWatching();
    m_draft.m_saving->forceClose({});
}

void DraftEntryWatch::entryLost()
{
    if (m_draft.m_closed)
        return;
    qCWarning(lcDrafts) << "the entry of an open draft went away; closing its window";
    m_entryConnections.clear();
    m_draft.m_committer->stop();
    m_draft.m_saving->requestClose();
}

void DraftEntryWatch::entryChanged(const QString& changedKey)
{
    if (m_draft.m_layout->updatingFields())
        return;
    const EntryPtr edited = m_draft.entry();
    if (!edited)
        return;
    if (changedKey == QLatin1String("title")) {
        if (!m_draft.m_layout->titleField()->hasFocus())
            m_draft.m_layout->titleField()->setText(edited->title());
        m_draft.m_layout->updateWindowTitle();
    } else if (changedKey == QLatin1String("keywords")) {
        if (!m_draft.m_layout->keywordField()->hasFocus())
            m_draft.m_layout->keywordField()->setText(edited->keywords());
    } else if (changedKey == QLatin1String("uniqueID")) {
        m_draft.m_layout->updateWindowTitle();
    }
}
