#include "PUController.h"

#include "ArchiveUnpacker.h"
#include "FolderSwap.h"
#include "InstallChecks.h"
#include "InstallLayout.h"
#include "PUDownloader.h"
#include "PUPresenter.h"
#include "PrivilegedReplacement.h"
#include "ProgressText.h"
#include "Reachability.h"
#include "RunningApplication.h"
#include "UpdateSignature.h"
#include "UpdaterLog.h"
#include "VersionRules.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProcess>
#include <QTimer>
#include <QtConcurrent>
#include <cstdlib>

namespace {

QString programIn(const QString& installFolder)
{
    return installFolder + QLatin1Char('/') + QLatin1String(InstallLayout::executable);
}

// A private folder beside `installFolder` (same file system, so the swap is
// a rename), or empty.
QString makeWorkFolderBeside(const QString& installFolder)
{
    QByteArray pattern = QFile::encodeName(QFileInfo(installFolder).path() + QLatin1Char('/') +
                                           QLatin1String(InstallLayout::workFolderPrefix)) +
                         "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

// Runs `work` on a worker thread and `then` back on `context`'s thread.
template <typename Result, typename Work, typename Then>
QFuture<void> runThen(QObject* context, Work work, Then then)
{
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcher<Result>::finished, context, [watcher, then] {
        watcher->deleteLater();
        then(watcher->result());
    });
    QFuture<Result> future = QtConcurrent::run(std::move(work));
    watcher->setFuture(future);
    return QFuture<void>(future);
}

} // namespace

PUController::PUController(UpdaterSettings settings, PUPresenter* presenter, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)), m_presenter(presenter),
      m_target(new InstallTarget(this))
{
    connect(m_target, &InstallTarget::examined, this, &PUController::onExamined);
    m_status = tr("Downloading new version..");
}

PUController::~PUController()
{
    // The worker only touches files of this run; let it end before they go.
    m_work.waitForFinished();
    removeWorkFolder();
}

void PUController::start()
{
    setIndeterminate(true);
    setStatus(tr("Downloading new version.."));
    setProgress(0);
    setCanAbort(true);
    m_target->examine(m_settings.handOver.installFolder);
}

void PUController::onExamined(InstallTarget::Verdict verdict, const QString& folder,
                              const QString& detail)
{
    if (verdict == InstallTarget::Verdict::PackageManaged) {
        fail(tr("Cannot install new version!"),
             tr("plumet in \"%1\" was installed by your package manager. Please update it "
                "through the package manager.")
                 .arg(folder));
        return;
    }
    if (verdict == InstallTarget::Verdict::NotSelfContained) {
        fail(tr("Cannot install new version!"),
             tr("This copy of plumet is not a self-contained installation, so it cannot "
                "replace itself. Please update it the way it was installed, for example "
                "through your package manager."),
             detail);
        return;
    }
    // Only ever forwards: an older signed version (run by hand, say) may have
    // faults the installed one mended.
    const QString installed = InstallChecks::installedVersion(folder);
    const QString offered = m_settings.handOver.version;
    if (installed.isEmpty() || !VersionRules::isNewer(installed, offered)) {
        fail(tr("Cannot install new version!"),
             installed.isEmpty()
                 ? tr("The version of plumet in \"%1\" cannot be read, so nothing was "
                      "installed.")
                       .arg(folder)
                 : tr("Version %1 is not newer than the installed version %2, so nothing was "
                      "installed.")
                       .arg(offered, installed));
        return;
    }
    m_installPath = folder;
    m_road = InstallTarget::roadFor(folder);
    m_application =
        new RunningApplication(m_settings.applicationService, programIn(m_installPath), this);
    if (m_settings.helperProgram.isEmpty())
        m_settings.helperProgram =
            m_installPath + QLatin1Char('/') + QLatin1String(InstallLayout::helperProgram);
    initiateDownload();
}

void PUController::initiateDownload()
{
    if (m_downloader)
        return;
    const QUrl url = m_settings.handOver.archiveUrl;
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
        fail(tr("Could not download new version"),
             tr("There may be a network problem. Please try again later."),
             tr("The update's address is not a secure (https) address."));
        return;
    }
    if (!cutils::isURLOnline(url)) {
        fail(tr("Could not download new version"),
             tr("There may be a network problem. Please try again later."));
        return;
    }
    m_temporary = std::make_unique<QTemporaryDir>(
        QDir::tempPath() + QLatin1Char('/') + QLatin1String(InstallLayout::privateFolderPrefix) +
        QStringLiteral("XXXXXX"));
    if (!m_temporary->isValid()) {
        fail(tr("Could not download new version"),
             tr("There may be a network problem. Please try again later."),
             m_temporary->errorString());
        return;
    }
    m_zipPath = m_temporary->filePath(QStringLiteral("plumet-update.archive"));
    m_downloader = new PUDownloader(url, m_zipPath, this);
    m_downloader->setLengthLimit(m_settings.handOver.length);
    connect(m_downloader, &PUDownloader::fileLengthKnown, this, [this](qint64 bytes) {
        m_fileLength = bytes;
        emit fileLengthChanged();
    });
    connect(m_downloader, &PUDownloader::downloadProgressed, this,
            &PUController::onDownloadProgressed);
    connect(m_downloader, &PUDownloader::downloadFinished, this, &PUController::onDownloadFinished);
    connect(m_downloader, &PUDownloader::downloadFailed, this, [this](const QString& reason) {
        m_downloader->deleteLater();
        fail(tr("Could not download new version"),
             tr("There may be a network problem. Please try again later."), reason);
    });
    setProgress(0);
    setIndeterminate(false);
    m_downloader->start();
}

void PUController::onDownloadProgressed(float percent)
{
    setProgress(percent);
    setSubStatus(ProgressText::subStatus(m_downloader->bytesReceived(), m_fileLength,
                                         m_downloader->rate(), m_downloader->estimate()));
}

void PUController::onDownloadFinished()
{
    m_downloader->deleteLater();
    setCanAbort(false);
    setProgress(0);
    setStatus(tr("Expanding downloaded file..."), tr("This will take a moment."));
    const qint64 size = QFileInfo(m_zipPath).size();
    if (size <= 0) {
        fail(tr("Could not download new version"),
             tr("There may be a network problem. Please try again later."),
             tr("The download server sent an empty file."));
        return;
    }
    m_fileLength = size;
    emit fileLengthChanged();
    verifyDownload();
}

void PUController::verifyDownload()
{
    const UpdateHandOver& handOver = m_settings.handOver;
    m_work = runThen<UpdateSignature::Result>(
        this,
        [path = m_zipPath, digest = handOver.sha256, signature = handOver.signature,
         version = handOver.version, key = m_settings.publicKey] {
            return UpdateSignature::verifyArchive(path, digest, signature, version, key);
        },
        [this](const UpdateSignature::Result& result) {
            if (!result.verified) {
                qCWarning(lcUpdater) << "update refused:" << result.problem;
                fail(tr("Could not install new version!"),
                     tr("The downloaded file is not the update it claims to be, so nothing "
                        "was installed."),
                     result.problem);
                return;
            }
            expandDownload();
        });
}

void PUController::expandDownload()
{
    if (m_road == InstallTarget::Road::Plain) {
        m_workFolder = makeWorkFolderBeside(m_installPath);
    } else {
        m_workFolder = m_temporary->filePath(QStringLiteral("unpacked"));
        if (!QDir().mkdir(m_workFolder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
            m_workFolder.clear();
    }
    if (m_workFolder.isEmpty()) {
        fail(tr("Could not install new version!"),
             tr("There was a problem installing the new version into \"%1\"")
                 .arg(QFileInfo(m_installPath).path()),
             tr("No working folder could be made beside the installation."));
        return;
    }
    m_appPath = m_workFolder + QLatin1Char('/') + QLatin1String(InstallLayout::archiveFolder);
    QPointer<PUController> self(this);
    auto progress = [self](int percent) {
        QMetaObject::invokeMethod(
            qApp,
            [self, percent] {
                if (self)
                    self->setProgress(percent);
            },
            Qt::QueuedConnection);
    };
    m_work = runThen<QString>(
        this,
        [zip = m_zipPath, folder = m_workFolder, app = m_appPath, progress] {
            const ArchiveUnpacker::Result result = ArchiveUnpacker::unpack(zip, folder, progress);
            if (!result.unpacked)
                return result.error;
            return InstallChecks::checkNewFolder(app);
        },
        [this](const QString& problem) {
            // The helper of the privileged road checks and unpacks the archive again.
            if (m_road == InstallTarget::Road::Plain)
                QFile::remove(m_zipPath);
            if (!problem.isEmpty()) {
                qCWarning(lcUpdater) << "update not unpacked:" << problem;
                fail(tr("Could not install new version!"),
                     tr("The new version could not be unpacked, so nothing was installed."),
                     problem);
                return;
            }
            handleQuitApps();
        });
}

void PUController::handleQuitApps()
{
    setStatus(tr("Quitting plumet..."));
    setIndeterminate(true);
    m_application->checkRunning([this](bool running) {
        if (!running) {
            installNewVersion();
            return;
        }
        m_quitRequested = true;
        m_application->requestQuit();
        waitForQuit(QDateTime::currentMSecsSinceEpoch() + m_settings.quitWaitMs);
    });
}

void PUController::waitForQuit(qint64 deadline)
{
    m_application->checkRunning([this, deadline](bool running) {
        if (!running) {
            installNewVersion();
            return;
        }
        if (QDateTime::currentMSecsSinceEpoch() < deadline) {
            QTimer::singleShot(m_settings.quitPollMs, this,
                               [this, deadline] { waitForQuit(deadline); });
            return;
        }
        m_presenter->askToQuitManually([this](bool proceed) {
            if (!proceed) {
                // The application still runs the old version; nothing changed.
                setCanAbort(true);
                finish(Outcome::Cancelled);
                return;
            }
            waitForQuit(0);
        });
    });
}

void PUController::installNewVersion()
{
    setIndeterminate(true);
    setStatus(tr("Installing new version..."));
    if (m_road == InstallTarget::Road::Plain) {
        const std::shared_ptr<FolderSwap> swap =
            m_settings.makeSwap ? m_settings.makeSwap() : std::make_shared<FolderSwap>();
        m_work = runThen<FolderSwap::Result>(
            this,
            [app = m_appPath, install = m_installPath, work = m_workFolder, swap] {
                return swap->replace(app, install, work + QStringLiteral("/old"));
            },
            [this](const FolderSwap::Result& result) {
                onInstalled(result.installed, result.error);
            });
        return;
    }
    m_privileged = new PrivilegedReplacement(this);
    connect(m_privileged, &PrivilegedReplacement::finished, this,
            [this](bool replaced, const QString& detail) {
                m_privileged->deleteLater();
                onInstalled(replaced, detail);
            });
    m_privileged->movePathWithAuthentication(
        m_settings.privilegedLauncher, m_settings.helperProgram,
        QFileInfo(m_zipPath).canonicalFilePath(), m_settings.handOver, m_installPath);
}

void PUController::onInstalled(bool installed, const QString& detail)
{
    if (installed) {
        qCInfo(lcUpdater) << "installed version" << m_settings.handOver.version << "into"
                          << m_installPath;
        endHandler(m_settings.launchPolls);
        return;
    }
    qCWarning(lcUpdater) << "installation failed:" << detail;
    const QString backup = m_workFolder + QStringLiteral("/old");
    if (!m_workFolder.isEmpty() && QFileInfo::exists(backup)) {
        // The old version could not be put back: never remove the only copy.
        qCCritical(lcUpdater) << "the previous version is kept in" << backup;
        m_workFolder.clear();
    }
    // The old folder is back in place; give the user the program they had.
    if (m_quitRequested)
        relaunch();
    const QString folder = QFileInfo(m_installPath).path();
    if (m_road == InstallTarget::Road::Plain)
        fail(tr("Could not install new version!"),
             tr("There was a problem installing the new version into \"%1\"").arg(folder), detail);
    else
        fail(tr("Cannot install new version!"),
             tr("You need admin privileges to install into \"%1\"").arg(folder), detail);
}

void PUController::endHandler(int pollsLeft)
{
    if (!InstallChecks::isExecutableFile(programIn(m_installPath)) && pollsLeft > 0) {
        QTimer::singleShot(m_settings.launchPollMs, this,
                           [this, pollsLeft] { endHandler(pollsLeft - 1); });
        return;
    }
    setIndeterminate(false);
    setCanAbort(true);
    relaunch();
    finish(Outcome::Installed);
}

void PUController::relaunch()
{
    const QString program = programIn(m_installPath);
    if (!QProcess::startDetached(program, {}, QDir::homePath()))
        qCWarning(lcUpdater) << "could not start" << program;
}

void PUController::abortUpdate()
{
    if (!m_canAbort || m_finished)
        return;
    if (m_downloader)
        m_downloader->cancelDownload();
    finish(m_failed ? Outcome::Failed : Outcome::Cancelled);
}

void PUController::fail(const QString& title, const QString& message, const QString& detail)
{
    m_failed = true;
    setIndeterminate(false);
    // From here on Cancel quits, whatever the step was.
    setCanAbort(true);
    m_presenter->showFailure(title, message, detail, [this] {
        setCanAbort(true);
        abortUpdate();
    });
}

void PUController::finish(Outcome outcome)
{
    if (m_finished)
        return;
    m_finished = true;
    m_work.waitForFinished();
    removeWorkFolder();
    m_temporary.reset();
    emit finished(outcome);
}

void PUController::removeWorkFolder()
{
    if (!m_workFolder.isEmpty() && QFileInfo::exists(m_workFolder))
        QDir(m_workFolder).removeRecursively();
    m_workFolder.clear();
}

void PUController::setStatus(const QString& status, const QString& subStatus)
{
    if (m_status != status) {
        m_status = status;
        emit statusChanged();
    }
    setSubStatus(subStatus);
}

void PUController::setSubStatus(const QString& subStatus)
{
    if (m_subStatus == subStatus)
        return;
    m_subStatus = subStatus;
    emit subStatusChanged();
}

void PUController::setProgress(double progress)
{
    if (qFuzzyCompare(m_progress + 1, progress + 1))
        return;
    m_progress = progress;
    emit progressChanged();
}

void PUController::setIndeterminate(bool indeterminate)
{
    if (m_indeterminate == indeterminate)
        return;
    m_indeterminate = indeterminate;
    emit indeterminateChanged();
}

void PUController::setCanAbort(bool canAbort)
{
    if (m_canAbort == canAbort)
        return;
    m_canAbort = canAbort;
    emit canAbortChanged();
}
