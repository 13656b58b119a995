#pragma once

#include "DraftRegistry.h"
#include "ModelTypes.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>

class Draft;

// The open draft windows, one per entry. Every draft is made here and leaves
// through close(). The registry opens a draft for an entry or brings the open
// one forward, refuses entries being published, reopens at start the drafts
// open when the program last ended ("open_drafts", written as drafts open,
// close and move, and at the quit), saves changed drafts for the
// autosave, reviews unsaved drafts when the program quits, and passes new
// tags to the other drafts of a blog.
//
// It installs itself as the records' DraftRegistry when made and posts
// "draftRegistryInstalled"; the main window enables its open commands then.
// Main thread only.
class DraftController : public QObject, public DraftRegistry {
    Q_OBJECT
public:
    // The termination replies of the quit review.
    enum class QuitReply { Cancel = 0, Now = 1, Later = 2 };
    using QuitAnswer = std::function<void(bool mayQuit)>;

    static DraftController& sharedInstance();
    static bool instanceExists();
    // Drops the registry (at termination, after the quit review).
    static void cleanUp();

    // The open drafts, oldest first.
    QList<Draft*> listOfDrafts() const;

    // The draft of the active window, else the draft window most recently
    // active that is shown or minimised; null when there is none.
    Draft* frontMostDraft() const;
    // The open draft of that very entry, or null.
    Draft* draftForEntry(const Entry* entry) const;

    // --- opening ---
    // Brings each entry's open draft forward or opens one; entries being
    // deleted are skipped, entries being published refused with an alert.
    void openDrafts(const QList<EntryPtr>& entries);
    // The same for one entry; answers its draft (null when refused or skipped).
    Draft* openDraft(const EntryPtr& entry);
    // Posts "findAndOpenEntry" for each draft of "open_drafts"; true when a
    // draft opened, false when none is stored or none of their entries is left.
    bool openStoredDrafts();

    // --- saving and closing ---
    // Saves every changed draft (after committing it); `done` once all have.
    void saveIfNeeded(std::function<void()> done = {}) override;
    // Closes the entry's draft without asking, its changed text saved first,
    // then calls `closed` (at once when there is no draft). Refuses (false,
    // nothing called) an entry being published: it cannot be deleted now.
    bool forceClosure(Entry* entry, std::function<void()> closed = {}) override;
    // Posts "closingDraft", tears the draft down and lets it go.
    void close(Draft* draft);

    // --- quitting ---
    // The quit review. Answers Now or Cancel when it is decided at once, Later
    // when it waits for the editors or the user; `later` then gets the answer.
    QuitReply shouldCloseDrafts(QuitAnswer later);
    // The program's quit road: `answer` is called once, at once or later.
    void requestQuit(QuitAnswer answer);
    bool quitReviewRunning() const { return m_quit != nullptr; }
    // The "review changes" panel while it is open.
    QMessageBox* quitPanel() const { return m_quitPanel; }

    // --- tags ---
    // Tags the user named in `from`: the blog gets one record of each name
    // (made a tag when it has it already); its other drafts list them.
    void pushNewTags(const CategoryList& tags, Draft* from);
    // Tags the user removed in `from`: the blog drops them, but for records
    // its server lists as categories, which stay as categories.
    void pushOldTags(const CategoryList& tags, Draft* from);

    // --- DraftRegistry ---
    QObject* hasOpenDraft(const Entry* entry) const override;
    void reloadEntry(QObject* draft) override;
    void openDrafts(const QList<Entry*>& entries) override;
    void handleErrorMessage(QObject* draft, const QString& title, const QString& body) override;
    void openDraftForEntry(Entry* entry, const QVariant& restorePosition) override;
    void publishDraft(QObject* draft) override;
    QObject* frontDraft() const override;
    Entry* entryOfDraft(QObject* draft) const override;
    void commitDraft(QObject* draft, std::function<void()> then) override;

signals:
    void draftOpened(Draft* draft);
    void draftClosed(Draft* draft);

private:
    struct Quit;

    DraftController();
    ~DraftController() override;

    Draft* makeDraft(const EntryPtr& entry, const QString& restorePosition);
    void draftActivated(Draft* draft);
    // Writes "open_drafts" from the drafts open now, so a crash reopens them.
    void storeOpenDrafts();
    void showRefusal(const QList<EntryPtr>& refused, int asked);
    void quitCommitDone(Draft* draft);
    void continueQuit();
    void reviewChangesAndQuitEnumeration(bool goOn);
    void closeAll();
    void conclude(bool mayQuit);

    QList<Draft*> m_drafts;
    QList<QPointer<Draft>> m_activationOrder; // most recent first
    std::unique_ptr<Quit> m_quit;
    QPointer<QMessageBox> m_quitPanel;

    static DraftController* s_instance;
};
