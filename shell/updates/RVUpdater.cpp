#include "RVUpdater.h"

#include "ActiveJobs.h"
#include "FileReference.h"
#include "InstallChecks.h"
#include "NotificationCenter.h"
#include "OneShotTimer.h"
#include "Reachability.h"
#include "SimpleCall.h"
#include "StringExtensions.h"
#include "UpdatePresenter.h"
#include "UpdateSettings.h"
#include "UpdaterLauncher.h"
#include "UpdatesLog.h"
#include "UserDefaults.h"
#include "VersionRules.h"

#include <QCoreApplication>

namespace {

const QString preferencesClosed = QStringLiteral("preferencesClosed");
const QString versionCheckKey = QStringLiteral("versionCheck");
const QString goingToQuit = QStringLiteral("goingToQuitNotification");

} // namespace

UpdatePresenter::~UpdatePresenter() = default;

RVUpdater& RVUpdater::sharedInstance()
{
    static RVUpdater* instance = new RVUpdater;
    return *instance;
}

RVUpdater::RVUpdater(Environment environment, QObject* parent)
    : QObject(parent), m_environment(std::move(environment))
{
    Environment& e = m_environment;
    if (e.currentVersion.isEmpty())
        e.currentVersion = QCoreApplication::applicationVersion();
    if (!e.feedAddress)
        e.feedAddress = &UpdateSettings::feedAddress;
    if (!e.versionCheck)
        e.versionCheck = [] {
            return UserDefaults::sharedInstance().integer(versionCheckKey) != 0;
        };
    if (!e.timer)
        e.timer = std::make_unique<QtOneShotTimer>();
    if (e.programFolder.isEmpty())
        e.programFolder = QCoreApplication::applicationDirPath();
    if (!e.launch)
        e.launch = &UpdaterLauncher::launch;
    if (!e.isUpdaterRunning)
        e.isUpdaterRunning = &UpdaterLauncher::isUpdaterRunning;
    if (!e.canInstall)
        e.canInstall = [folder = e.programFolder] {
            // A package-managed or build-tree copy has no marker: the updater
            // would refuse it, after the download for want of a key.
            const QString install = FileReference::fileReference(folder + QStringLiteral("/.."));
            return UpdateSettings::hasUpdateKey() && !install.isEmpty() &&
                   InstallChecks::checkInstallFolder(install).isEmpty();
        };

    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(preferencesClosed, this, [this](const Notification&) { handlePeriodicCheck(); });
    // The switch takes effect at once: the General window posts its key when
    // the user flips it, and Factory Settings writes it without a word.
    center.observe(versionCheckKey, this, [this](const Notification&) { handlePeriodicCheck(); });
    connect(&UserDefaults::sharedInstance(), &UserDefaults::changed, this,
            [this](const QString& key) {
                if (key == versionCheckKey)
                    handlePeriodicCheck();
            });
    center.observe(goingToQuit, this, [this](const Notification&) { cleanUp(); });
}

RVUpdater::~RVUpdater()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    endCall();
}

void RVUpdater::setPresenter(UpdatePresenter* presenter)
{
    m_presenter = presenter;
}

void RVUpdater::handlePeriodicCheck()
{
    // Without a feed the package manager brings the updates: nothing to time.
    if (!m_environment.versionCheck() || m_environment.feedAddress().isEmpty()) {
        m_environment.timer->stop();
        return;
    }
    if (!m_environment.timer->isActive())
        m_environment.timer->start(firstCheckDelay, [this] { runTimedCheck(); });
}

bool RVUpdater::isCheckPending() const
{
    return m_environment.timer->isActive();
}

void RVUpdater::runTimedCheck()
{
    if (ActiveJobs::anyActive()) {
        m_environment.timer->start(postponement, [this] { runTimedCheck(); });
        return;
    }
    m_environment.timer->start(checkInterval, [this] { runTimedCheck(); });
    checkNow(true);
}

void RVUpdater::checkNow(bool quiet)
{
    m_isQuiet = quiet;
    const QString address = m_environment.feedAddress();
    if (address.isEmpty()) {
        if (!quiet)
            alert(tr("Updates come from your package manager"),
                  tr("This copy of plumet gets its new versions through the package manager "
                     "that installed it. Use your system's software updates to keep it up to "
                     "date."));
        return;
    }
    const QUrl feed = QUrl::fromUserInput(address);
    if (feed.scheme() != QLatin1String("https") || feed.host().isEmpty()) {
        qCWarning(lcUpdates) << "the update feed is not a secure address:" << address;
        if (!quiet)
            cannotCheck(tr("The update feed \"%1\" is not a secure (https) address.").arg(address));
        return;
    }
    if (!cutils::isURLOnline(feed)) {
        if (!quiet)
            alert(tr("Cannot check for updates!"),
                  tr("The server hosting plumet updates is down at the moment. Please try again "
                     "later."));
        return;
    }
    endCall();
    m_call = SimpleCall::create(feed, this, this);
}

void RVUpdater::simpleCallDidFinish(SimpleCall* call)
{
    if (call != m_call)
        return;
    const int status = call->httpStatus();
    const QByteArray body = call->restData();
    endCall();
    if (status >= 400) {
        if (!m_isQuiet)
            cannotCheck(tr("The update server answered with status %1.").arg(status));
        return;
    }
    const std::optional<UpdateOffer> offer = UpdateFeed::scan(body);
    if (offer) {
        m_offer = *offer;
        emit offerChanged();
    }
    if (offer && VersionRules::isNewer(m_environment.currentVersion, offer->version))
        informUpdate();
    else if (!m_isQuiet)
        informNoUpdate();
}

void RVUpdater::simpleCallDidFail(SimpleCall* call, const std::optional<RestError>& error)
{
    if (call != m_call)
        return;
    endCall();
    if (!error)
        return; // cancelled by us
    qCInfo(lcUpdates) << "update check failed:" << error->message;
    if (!m_isQuiet)
        cannotCheck(error->message);
}

void RVUpdater::endCall()
{
    if (!m_call)
        return;
    SimpleCall* call = m_call;
    m_call = nullptr;
    call->setRestDelegate(nullptr);
    call->cancel();
    call->deleteLater();
}

void RVUpdater::informUpdate()
{
    if (m_presenter)
        m_presenter->showUpdate(m_offer);
}

void RVUpdater::informNoUpdate()
{
    alert(tr("No update available!"), tr("You are already using the latest version of plumet."));
}

void RVUpdater::cannotCheck(const QString& reason)
{
    alert(tr("Cannot check for updates!"), reason);
}

void RVUpdater::showLaunchFailure()
{
    alert(tr("Self-update failed!"),
          tr("plumet was not able to launch the updater app. Please try updating manually."));
}

void RVUpdater::alert(const QString& title, const QString& message)
{
    if (m_presenter)
        m_presenter->showAlert(title, message);
    else
        qCInfo(lcUpdates).noquote() << title << message;
}

void RVUpdater::cancel()
{
    if (m_presenter)
        m_presenter->hideUpdate();
}

void RVUpdater::download()
{
    // The feed decides what the browser opens: only a secure web address, never
    // a local file, a script or another program's scheme.
    const QUrl url(rv::decodeXML(m_offer.updateUrl), QUrl::StrictMode);
    if (url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty()) {
        if (m_presenter)
            m_presenter->openInBrowser(url);
    } else {
        qCWarning(lcUpdates) << "the update names no secure download address:" << m_offer.updateUrl;
        alert(tr("Cannot download the update!"),
              tr("The update feed names no secure (https) address to download it from."));
    }
    cancel();
}

void RVUpdater::downloadAndInstall()
{
    if (!m_environment.canInstall()) {
        // The window offers no such button then; a stale one does nothing.
        qCWarning(lcUpdates) << "this copy of plumet cannot install updates itself";
        cancel();
        return;
    }
    if (m_environment.isUpdaterRunning()) {
        alert(tr("The updater app is already running!"),
              tr("Please wait for the updater app to finish before launching plumet."));
        cancel();
        return;
    }
    UpdateHandOver handOver;
    handOver.archiveUrl = UpdateHandOver::archiveAddress(rv::decodeXML(m_offer.updateUrl));
    handOver.version = m_offer.version;
    handOver.sha256 = m_offer.sha256;
    handOver.signature = m_offer.signature;
    // The updater stops the download at the announced length.
    handOver.length = qMax<qint64>(0, m_offer.fileSize.trimmed().toLongLong());
    handOver.installFolder =
        FileReference::fileReference(m_environment.programFolder + QStringLiteral("/.."));
    if (!handOver.archiveUrl.isValid() || handOver.sha256.isEmpty() ||
        handOver.signature.isEmpty() || handOver.installFolder.isEmpty()) {
        qCWarning(lcUpdates) << "the update names no signed archive; not starting the updater";
        showLaunchFailure();
        return;
    }
    if (!m_environment.launch(m_environment.programFolder, handOver)) {
        showLaunchFailure();
        return;
    }
    cancel();
}

void RVUpdater::cleanUp()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    disconnect(&UserDefaults::sharedInstance(), nullptr, this, nullptr);
    m_environment.timer->stop();
    endCall();
    if (m_presenter)
        m_presenter->hideUpdate();
    m_offer = {};
    emit offerChanged();
}
