#include "QuitSequence.h"

#include "AccountController.h"
#include "ActivityController.h"
#include "ActivityList.h"
#include "AlertBox.h"
#include "AppControl.h"
#include "Draft.h"
#include "DraftController.h"
#include "Localization.h"
#include "RVDraftWindow.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

const char* const table = "AppControl";

} // namespace

QuitSequence::QuitSequence(AppControl& control, QObject* parent)
    : QObject(parent), m_control(control), m_quit([] { QCoreApplication::quit(); })
{
}

QuitSequence::~QuitSequence() = default;

void QuitSequence::request()
{
    if (m_accepted)
        return;
    if (m_running) {
        // The question is open already: it comes forward.
        if (m_alert) {
            m_alert->raise();
            m_alert->activateWindow();
        }
        return;
    }
    m_running = true;
    if (ActivityList::sharedInstance().hasActiveItems()) {
        askAboutActiveJobs();
        return;
    }
    reviewDrafts();
}

void QuitSequence::askAboutActiveJobs()
{
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Critical,
        localized(table, "There are active processes running. Are you sure you want to quit?"),
        localized(table, "If you quit now, some processes will not complete."), nullptr);
    alert->setObjectName(QStringLiteral("activeProcessesAlert"));
    QPushButton* view =
        alert->addButton(localized(table, "View Activity"), QMessageBox::AcceptRole);
    QPushButton* now = alert->addButton(localized(table, "Quit Now"), QMessageBox::DestructiveRole);
    QPushButton* cancel = alert->addButton(localized(table, "Cancel"), QMessageBox::RejectRole);
    alert->setDefaultButton(view);
    alert->setEscapeButton(cancel);
    alert->setWindowModality(Qt::ApplicationModal);
    m_alert = alert;
    connect(alert, &QMessageBox::finished, this, [this, alert, view, now] {
        QAbstractButton* chosen = alert->clickedButton();
        m_alert = nullptr;
        if (chosen == now) {
            // Unsaved drafts are still reviewed: quitting at once would lose them.
            reviewDrafts();
            return;
        }
        if (chosen == view)
            ActivityController::sharedInstance()->showWindow();
        quitDecided(false);
    });
    // open() would make it modal to its (missing) parent only.
    alert->show();
}

void QuitSequence::reviewDrafts()
{
    if (!DraftController::instanceExists()) {
        quitDecided(true);
        return;
    }
    QPointer<QuitSequence> self(this);
    DraftController::sharedInstance().requestQuit([self](bool mayQuit) {
        if (self)
            self->quitDecided(mayQuit);
    });
}

void QuitSequence::quitDecided(bool mayQuit)
{
    if (mayQuit && !savedForQuit())
        return;
    endQuitRequest(mayQuit);
}

bool QuitSequence::savedForQuit()
{
    // Before the launch has finished nothing was changed, and the accounts
    // may not even be read.
    if (!m_control.hasInited() || !AccountController::instanceExists())
        return true;
    QString reason;
    if (AccountController::sharedInstance().saveAndWait(&reason))
        return true;
    askAboutUnsavedPosts(reason);
    return false;
}

void QuitSequence::askAboutUnsavedPosts(const QString& reason)
{
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Critical, localized(table, "Your posts could not be saved."),
        localized(table, "%1\n\nIf you quit now, what was not saved is lost. Free some space on "
                         "the disk or check the folder, then quit again.")
            .arg(cutils::wrappablePaths(reason)),
        nullptr);
    alert->setObjectName(QStringLiteral("unsavedPostsAlert"));
    QPushButton* stay = alert->addButton(localized(table, "Don't Quit"), QMessageBox::RejectRole);
    QPushButton* quit =
        alert->addButton(localized(table, "Quit Anyway"), QMessageBox::DestructiveRole);
    alert->setDefaultButton(stay);
    alert->setEscapeButton(stay);
    alert->setWindowModality(Qt::ApplicationModal);
    m_alert = alert;
    connect(alert, &QMessageBox::finished, this, [this, alert, quit] {
        m_alert = nullptr;
        // Staying keeps everything in memory; the next quit tries again.
        endQuitRequest(alert->clickedButton() == quit);
    });
    // open() would make it modal to its (missing) parent only.
    alert->show();
}

void QuitSequence::endQuitRequest(bool mayQuit)
{
    m_running = false;
    if (!mayQuit) {
        m_restartAfterQuit = false;
        return;
    }
    m_accepted = true;
    if (m_quit)
        m_quit();
    // Should the program go on running after all (the quit was refused
    // further down), the next request is heard again; a quitting event loop
    // never gets here.
    QTimer::singleShot(0, this, [this] { m_accepted = false; });
}

bool QuitSequence::commitDataRequested(bool allowsInteraction)
{
    bool wouldAsk = ActivityList::sharedInstance().hasActiveItems();
    if (!wouldAsk && DraftController::instanceExists()) {
        for (Draft* draft : DraftController::sharedInstance().listOfDrafts())
            wouldAsk = wouldAsk || draft->needsSave();
    }
    // Posts that cannot be written are worth a question too; without
    // interaction the clean-up saves what it can as the program quits.
    if (!wouldAsk && allowsInteraction && m_control.hasInited() &&
        AccountController::instanceExists())
        wouldAsk = !AccountController::sharedInstance().saveAndWait();
    if (!wouldAsk)
        return false; // the session may end; the clean-up runs as the program quits
    if (allowsInteraction)
        QTimer::singleShot(0, this, [this] { m_control.requestQuit(); });
    return allowsInteraction;
}
