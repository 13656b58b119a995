#include "DraftController.h"

#include "AlertBox.h"
#include "Blog.h"
#include "Category.h"
#include "Draft.h"
#include "DraftCategories.h"
#include "DraftsLog.h"
#include "Entry.h"
#include "Localization.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RVDraftWindow.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <algorithm>

namespace {

QString openDraftsKey()
{
    return QStringLiteral("open_drafts");
}

bool askBeforeClosing()
{
    const QVariant value = UserDefaults::sharedInstance().value(QStringLiteral("shouldAutoSave"));
    return value.isValid() && !value.toBool();
}

} // namespace

// The state of one quit review.
struct DraftController::Quit {
    QList<QuitAnswer> answers;
    QSet<Draft*> awaiting;       // drafts whose editors have not answered yet
    Draft* reviewing = nullptr;  // the draft whose save sheet the review waits on
    bool deciding = false;       // inside shouldCloseDrafts: the reply goes back as its value
    std::optional<bool> decided; // the answer once known
};

DraftController* DraftController::s_instance = nullptr;

DraftController& DraftController::sharedInstance()
{
    if (!s_instance) {
        s_instance = new DraftController;
        DraftRegistry::setSharedInstance(s_instance);
        NotificationCenter::sharedInstance().post(
            QString::fromLatin1(ModelNotifications::draftRegistryInstalled));
    }
    return *s_instance;
}

bool DraftController::instanceExists()
{
    return s_instance != nullptr;
}

void DraftController::cleanUp()
{
    delete s_instance;
    s_instance = nullptr;
}

DraftController::DraftController() = default;

DraftController::~DraftController()
{
    // Whatever is still open goes without saving: the quit review ran first.
    const QList<Draft*> drafts = m_drafts;
    m_drafts.clear();
    for (Draft* draft : drafts) {
        draft->close();
        delete draft;
    }
    if (DraftRegistry::sharedInstance() == this)
        DraftRegistry::setSharedInstance(nullptr);
}

QList<Draft*> DraftController::listOfDrafts() const
{
    return m_drafts;
}

Draft* DraftController::frontMostDraft() const
{
    if (const auto* window = qobject_cast<RVDraftWindow*>(QApplication::activeWindow())) {
        Draft* draft = window->delegate();
        if (draft && m_drafts.contains(draft) && (window->isVisible() || window->isMinimized()))
            return draft;
    }
    for (const QPointer<Draft>& draft : m_activationOrder) {
        if (!draft || !m_drafts.contains(draft.data()) || !draft->window())
            continue;
        if (draft->window()->isVisible() || draft->window()->isMinimized())
            return draft;
    }
    return nullptr;
}

Draft* DraftController::draftForEntry(const Entry* entry) const
{
    if (!entry)
        return nullptr;
    for (Draft* draft : m_drafts) {
        if (draft->entry().get() == entry)
            return draft;
    }
    return nullptr;
}

// --- opening
// ------------------------------------------------------------------------------------------

Draft* DraftController::makeDraft(const EntryPtr& entry, const QString& restorePosition)
{
    auto* draft = new Draft(entry, restorePosition);
    const QList<Draft*> before = m_drafts;
    m_drafts.append(draft);
    m_activationOrder.prepend(draft);
    connect(draft, &Draft::activated, this, &DraftController::draftActivated);
    connect(draft, &Draft::entryMoved, this, &DraftController::storeOpenDrafts);
    draft->showWindow(before);
    storeOpenDrafts();
    emit draftOpened(draft);
    return draft;
}

void DraftController::draftActivated(Draft* draft)
{
    m_activationOrder.removeAll(draft);
    m_activationOrder.removeAll(nullptr);
    m_activationOrder.prepend(draft);
}

void DraftController::openDrafts(const QList<EntryPtr>& entries)
{
    QList<EntryPtr> refused;
    for (const EntryPtr& entry : entries) {
        if (!entry || entry->hasFlag(Entry::BeingDeleted))
            continue;
        if (entry->beingPublished()) {
            refused.append(entry);
            continue;
        }
        if (Draft* open = draftForEntry(entry.get())) {
            if (RVDraftWindow* window = open->window()) {
                window->show();
                window->raise();
                window->activateWindow();
            }
            draftActivated(open);
        } else {
            makeDraft(entry, {});
        }
    }
    if (!refused.isEmpty())
        showRefusal(refused, int(entries.size()));
}

Draft* DraftController::openDraft(const EntryPtr& entry)
{
    openDrafts(QList<EntryPtr>{entry});
    return draftForEntry(entry.get());
}

void DraftController::openDrafts(const QList<Entry*>& entries)
{
    QList<EntryPtr> held;
    for (Entry* entry : entries) {
        if (!entry)
            continue;
        if (EntryPtr shared = entry->weak_from_this().lock())
            held.append(shared);
        else
            qCWarning(lcDrafts) << "an entry no blog holds cannot be edited";
    }
    openDrafts(held);
}

void DraftController::openDraftForEntry(Entry* entry, const QVariant& restorePosition)
{
    if (!entry || entry->hasFlag(Entry::BeingDeleted))
        return;
    const EntryPtr shared = entry->weak_from_this().lock();
    if (!shared) {
        qCWarning(lcDrafts) << "an entry no blog holds cannot be edited";
        return;
    }
    // A link or file naming an entry already open, or one being published,
    // must not put a second editor on it: the draft comes forward, or the
    // refusal is said, as for any other opening.
    if (draftForEntry(entry) || entry->beingPublished()) {
        openDrafts(QList<EntryPtr>{shared});
        return;
    }
    makeDraft(shared, restorePosition.toString());
}

void DraftController::showRefusal(const QList<EntryPtr>& refused, int asked)
{
    QString title;
    if (int(refused.size()) < asked) {
        title = refused.size() == 1
                    ? localized("DraftController",
                                "One draft cannot be edited as it is currently being published.")
                    : localized("DraftController", "Some drafts cannot be edited as they are "
                                                   "currently being published.");
    } else if (asked == 1) {
        title = localized("DraftController",
                          "\"%1\" cannot be edited as it is currently being published.")
                    .arg(refused.first()->displayName());
    } else {
        title = localized("DraftController",
                          "These drafts cannot be edited as they are currently being published.");
    }
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Information, title,
        localized("DraftController", "Please wait for the publishing process to complete."),
        nullptr);
    alert->setObjectName(QStringLiteral("publishingRefusal"));
    alert->addButton(localized("AppControl", "OK"), QMessageBox::AcceptRole);
    alert->setWindowModality(Qt::ApplicationModal);
    alert->open();
}

bool DraftController::openStoredDrafts()
{
    const QVariantList stored = UserDefaults::sharedInstance().value(openDraftsKey()).toList();
    if (stored.isEmpty())
        return false;
    // The records open their drafts as the requests reach them. An entry that
    // is gone (an untitled draft left unsaved at the quit) opens nothing, and
    // must not stand in for the new draft the launch would open instead.
    const qsizetype before = m_drafts.size();
    for (const QVariant& item : stored)
        Entry::postOpenRequest(item.toMap());
    return m_drafts.size() > before;
}

// --- saving and closing
// -------------------------------------------------------------------------------

void DraftController::saveIfNeeded(std::function<void()> done)
{
    const QList<Draft*> drafts = m_drafts;
    auto remaining = std::make_shared<int>(int(drafts.size()));
    if (*remaining == 0) {
        if (done)
            done();
        return;
    }
    for (Draft* draft : drafts) {
        draft->saveIfNeeded([remaining, done] {
            if (--*remaining == 0 && done)
                done();
        });
    }
}

bool DraftController::forceClosure(Entry* entry, std::function<void()> closed)
{
    if (entry && entry->beingPublished()) {
        qCInfo(lcDrafts) << "an entry being published is not closed for deletion";
        return false;
    }
    if (Draft* draft = draftForEntry(entry))
        draft->forceClose(std::move(closed));
    else if (closed)
        closed();
    return true;
}

void DraftController::close(Draft* draft)
{
    if (!draft || !m_drafts.contains(draft))
        return;
    NotificationCenter::sharedInstance().post(QStringLiteral("closingDraft"), draft);
    draft->close();
    m_drafts.removeAll(draft);
    m_activationOrder.removeAll(draft);
    // The quit closes its drafts after it stored them: the next start
    // reopens them.
    if (!m_quit)
        storeOpenDrafts();
    emit draftClosed(draft);
    draft->deleteLater();
    // A draft closed while the quit waits for its editors waits no more.
    if (m_quit && m_quit->awaiting.contains(draft))
        QMetaObject::invokeMethod(
            this, [this, draft] { quitCommitDone(draft); }, Qt::QueuedConnection);
    // A draft closed under its review sheet (its entry went away) never
    // answers it: unless the sheet's own answer closed it, the review goes on.
    // The pointer is only compared: the draft is gone by then.
    if (m_quit && m_quit->reviewing == draft)
        QMetaObject::invokeMethod(
            this,
            [this, draft] {
                if (!m_quit || m_quit->reviewing != draft)
                    return;
                m_quit->reviewing = nullptr;
                reviewChangesAndQuitEnumeration(true);
            },
            Qt::QueuedConnection);
}

void DraftController::closeAll()
{
    while (!m_drafts.isEmpty())
        close(m_drafts.last());
}

// --- quitting
// -----------------------------------------------------------------------------------------

void DraftController::requestQuit(QuitAnswer answer)
{
    const QuitReply reply = shouldCloseDrafts(answer);
    if (reply != QuitReply::Later && answer)
        answer(reply == QuitReply::Now);
}

DraftController::QuitReply DraftController::shouldCloseDrafts(QuitAnswer later)
{
    if (m_quit) {
        // A review runs already: this request gets its answer too.
        m_quit->answers.append(std::move(later));
        return QuitReply::Later;
    }
    if (m_drafts.isEmpty()) {
        UserDefaults::sharedInstance().remove(openDraftsKey());
        return QuitReply::Now;
    }
    m_quit = std::make_unique<Quit>();
    m_quit->deciding = true;
    const QList<Draft*> drafts = m_drafts;
    m_quit->awaiting = QSet<Draft*>(drafts.cbegin(), drafts.cend());
    // Every draft commits its editors first; the rich ones answer later.
    for (Draft* draft : drafts) {
        draft->commitForQuit([this, draft](bool) { quitCommitDone(draft); });
    }
    if (m_quit && m_quit->decided) {
        const bool mayQuit = *m_quit->decided;
        m_quit.reset();
        return mayQuit ? QuitReply::Now : QuitReply::Cancel;
    }
    if (m_quit) {
        m_quit->deciding = false;
        m_quit->answers.append(std::move(later));
    }
    return QuitReply::Later;
}

void DraftController::quitCommitDone(Draft* draft)
{
    if (!m_quit || !m_quit->awaiting.remove(draft) || !m_quit->awaiting.isEmpty())
        return;
    continueQuit();
}

void DraftController::storeOpenDrafts()
{
    QVariantList stored;
    for (Draft* draft : std::as_const(m_drafts)) {
        const EntryPtr entry = draft->entry();
        if (!entry)
            continue;
        const QPoint topLeft = draft->window() ? draft->window()->pos() : QPoint();
        const EntryOwner* blog = entry->parentBlog();
        stored.append(
            QVariantMap{{QStringLiteral("account"), blog ? blog->accountID() : QString()},
                        {QStringLiteral("entry"), entry->uniqueID()},
                        {QStringLiteral("pos"),
                         QString::asprintf("%f %f", double(topLeft.x()), double(topLeft.y()))}});
    }
    if (stored.isEmpty())
        UserDefaults::sharedInstance().remove(openDraftsKey());
    else
        UserDefaults::sharedInstance().setValue(openDraftsKey(), stored);
}

void DraftController::continueQuit()
{
    QList<Draft*> changed;
    for (Draft* draft : std::as_const(m_drafts)) {
        if (draft->entry() && draft->needsSave())
            changed.append(draft);
    }
    storeOpenDrafts();

    // A draft whose editor did not answer stays open once, its note shown.
    auto holdsForFallback = [this] {
        bool held = false;
        for (Draft* draft : QList<Draft*>(m_drafts)) {
            if (draft->holdForFallback())
                held = true;
        }
        return held;
    };

    if (changed.isEmpty()) {
        if (holdsForFallback()) {
            conclude(false);
            return;
        }
        closeAll();
        conclude(true);
        return;
    }
    if (!askBeforeClosing()) {
        // Saving is on: every draft is written, changed or not, last first.
        bool failed = false;
        const QList<Draft*> drafts = m_drafts;
        for (auto it = drafts.crbegin(); it != drafts.crend(); ++it) {
            Draft* draft = *it;
            if (!draft->saveToDisk()) {
                failed = true;
                continue; // its text stays in its window; the user was told
            }
            draft->renewCopy();
        }
        if (failed || holdsForFallback()) {
            conclude(false);
            return;
        }
        closeAll();
        conclude(true);
        return;
    }
    if (changed.size() == 1) {
        reviewChangesAndQuitEnumeration(true);
        return;
    }
    QMessageBox* panel = cutils::makeAlert(
        QMessageBox::Warning,
        localized("DraftController", "You have %1 drafts with unsaved changes. Do you want to "
                                     "review these changes before quitting?")
            .arg(changed.size()),
        localized("DraftController",
                  "If you don't review your drafts, all your changes will be lost."),
        nullptr);
    panel->setObjectName(QStringLiteral("reviewChangesPanel"));
    QPushButton* review =
        panel->addButton(localized("DraftController", "Review Changes"), QMessageBox::AcceptRole);
    QPushButton* discard = panel->addButton(localized("DraftController", "Discard Changes"),
                                            QMessageBox::DestructiveRole);
    QPushButton* cancel =
        panel->addButton(localized("AppControl", "Cancel"), QMessageBox::RejectRole);
    panel->setDefaultButton(review);
    panel->setEscapeButton(cancel);
    panel->setWindowModality(Qt::ApplicationModal);
    m_quitPanel = panel;
    connect(panel, &QMessageBox::finished, this, [this, panel, review, discard, changed] {
        m_quitPanel = nullptr;
        QAbstractButton* chosen = panel->clickedButton();
        if (chosen == review) {
            reviewChangesAndQuitEnumeration(true);
        } else if (chosen == discard) {
            // The editors are in the entries already: each goes back to its
            // last saved state before the drafts close, so nothing discarded
            // reaches the disk with the blogs' entries at the clean-up.
            for (Draft* draft : changed) {
                // One closed meanwhile (its entry went away) is freed already.
                if (!m_drafts.contains(draft))
                    continue;
                const EntryPtr entry = draft->entry();
                if (entry && draft->savedCopy())
                    entry->restoreFromCopy(*draft->savedCopy());
            }
            closeAll();
            conclude(true);
        } else {
            conclude(false);
        }
    });
    panel->open();
}

void DraftController::reviewChangesAndQuitEnumeration(bool goOn)
{
    if (!m_quit)
        return;
    if (!goOn) {
        conclude(false); // the remaining drafts stay open
        return;
    }
    while (!m_drafts.isEmpty()) {
        Draft* last = m_drafts.last();
        if (last->needsSave()) {
            m_quit->reviewing = last;
            last->askToSave([this, last](bool next) {
                if (!m_quit || m_quit->reviewing != last)
                    return;
                m_quit->reviewing = nullptr;
                reviewChangesAndQuitEnumeration(next);
            });
            return;
        }
        close(last);
    }
    conclude(true);
}

void DraftController::conclude(bool mayQuit)
{
    if (!m_quit)
        return;
    // A quit called off leaves open what is named, less the drafts the review closed.
    if (!mayQuit)
        storeOpenDrafts();
    if (m_quit->deciding) {
        m_quit->decided = mayQuit;
        return;
    }
    const QList<QuitAnswer> answers = std::move(m_quit->answers);
    m_quit.reset();
    for (const QuitAnswer& answer : answers) {
        if (answer)
            answer(mayQuit);
    }
}

// --- tags
// ---------------------------------------------------------------------------------------------

void DraftController::pushNewTags(const CategoryList& tags, Draft* from)
{
    Blog* blog = from ? from->blog() : nullptr;
    if (!blog)
        return;
    // By name: the same tag made in two drafts is one record of the blog.
    QStringList names;
    for (const CategoryPtr& tag : tags) {
        if (tag && !tag->title().isEmpty())
            names.append(tag->title());
    }
    blog->processTagsWithNames(names);
    for (Draft* draft : std::as_const(m_drafts)) {
        if (draft != from && draft->blog() == blog)
            draft->categoryList()->addTags(tags);
    }
}

void DraftController::pushOldTags(const CategoryList& tags, Draft* from)
{
    // A record that is a category of the server as well stays, no longer a tag.
    if (Blog* blog = from ? from->blog() : nullptr)
        blog->removeTags(tags);
}

// --- DraftRegistry
// ------------------------------------------------------------------------------------

QObject* DraftController::hasOpenDraft(const Entry* entry) const
{
    return draftForEntry(entry);
}

void DraftController::handleErrorMessage(QObject* draft, const QString& title, const QString& body)
{
    if (auto* open = qobject_cast<Draft*>(draft); open && m_drafts.contains(open))
        open->handleErrorMessage(title, body);
}

void DraftController::publishDraft(QObject* draft)
{
    if (auto* open = qobject_cast<Draft*>(draft); open && m_drafts.contains(open))
        open->publish();
}

QObject* DraftController::frontDraft() const
{
    return frontMostDraft();
}

Entry* DraftController::entryOfDraft(QObject* draft) const
{
    auto* open = qobject_cast<Draft*>(draft);
    return open && m_drafts.contains(open) ? open->entry().get() : nullptr;
}

void DraftController::commitDraft(QObject* draft, std::function<void()> then)
{
    auto* open = qobject_cast<Draft*>(draft);
    if (!open || !m_drafts.contains(open))
        return;
    open->commitThen(QStringLiteral("preview"), std::move(then));
}

void DraftController::reloadEntry(QObject* draft)
{
    if (auto* open = qobject_cast<Draft*>(draft); open && m_drafts.contains(open))
        open->reloadEntry();
}
