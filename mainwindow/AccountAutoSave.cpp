#include "AccountAutoSave.h"

#include "AccountController.h"
#include "AccountEditing.h"
#include "AlertBox.h"
#include "DraftRegistry.h"
#include "Localization.h"
#include "UserDefaults.h"

#include <QMessageBox>
#include <QStringList>

namespace {

QString ownText(const char* source)
{
    return localized("AccountController", source);
}

QString appText(const char* source)
{
    return localized("AppControl", source);
}

} // namespace

AccountAutoSave::AccountAutoSave(AccountController& controller, QObject* parent)
    : QObject(parent), m_controller(controller), m_clock(&Clock::system())
{
}

AccountAutoSave::~AccountAutoSave() = default;

void AccountAutoSave::setClock(Clock* clock)
{
    m_clock = clock ? clock : &Clock::system();
    if (m_timer)
        arm();
}

std::chrono::seconds AccountAutoSave::period() const
{
    return AccountEditing::autoSavePeriod(
        UserDefaults::sharedInstance().value(QStringLiteral("autoSave")));
}

void AccountAutoSave::arm()
{
    const qint64 msec = std::chrono::milliseconds(period()).count();
    m_timer = m_clock->singleShot(msec, [this] { autoSave(true); });
}

void AccountAutoSave::autoSave(bool fromTimer)
{
    if (fromTimer) {
        DraftRegistry* drafts = DraftRegistry::sharedInstance();
        if (drafts && UserDefaults::sharedInstance().boolean(QStringLiteral("shouldAutoSave"))) {
            // The drafts' text reaches their entries first; then everything is written.
            const QPointer<AccountAutoSave> guard(this);
            drafts->saveIfNeeded([guard] {
                if (guard)
                    guard->saveNow();
            });
        } else {
            saveNow();
        }
    }
    // A new period takes effect here.
    arm();
}

void AccountAutoSave::saveNow()
{
    // Entry files are written behind the save: a write that fails shows at
    // the next autosave, which writes it again.
    QStringList reasons(2);
    const bool accounts = m_controller.saveAccounts(&reasons[0]);
    const bool entries = m_controller.saveEntries(&reasons[1]);
    if (accounts && entries) {
        m_toldFailures.clear();
        return;
    }
    // Said once per cause, not at every autosave while the cause lasts.
    QStringList untold;
    for (const QString& reason : std::as_const(reasons)) {
        if (!reason.isEmpty() && !m_toldFailures.contains(reason)) {
            m_toldFailures.insert(reason);
            untold.append(reason);
        }
    }
    if (untold.isEmpty())
        return;
    if (m_alert)
        m_alert->close();
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Warning, ownText("Your posts could not be saved."),
        ownText("%1\n\nWhat was not saved stays in memory, and plumet tries again at the next "
                "autosave. Free some space on the disk or check the folder.")
            .arg(cutils::wrappablePaths(untold.join(QLatin1Char('\n')))),
        nullptr);
    alert->setObjectName(QStringLiteral("autoSaveAlert"));
    alert->addButton(appText("OK"), QMessageBox::AcceptRole);
    alert->setWindowModality(Qt::NonModal);
    m_alert = alert;
    alert->show();
}

QMessageBox* AccountAutoSave::alert() const
{
    return m_alert;
}
