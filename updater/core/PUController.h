#pragma once

#include "InstallTarget.h"
#include "UpdaterSettings.h"

#include <QFuture>
#include <QObject>
#include <QPointer>
#include <QTemporaryDir>
#include <memory>

class PUDownloader;
class PUPresenter;
class PrivilegedReplacement;
class RunningApplication;

// One run of the updater: check the installation, download the archive,
// verify it, unpack it beside the installation, ask the application to quit,
// swap the folders, relaunch. Nothing is changed before the archive proved
// itself and unpacked cleanly; the application is asked to quit only then,
// and a failed swap puts the old folder back and starts it again.
//
// The window shows status, sub-status and progress and offers Cancel while
// `canAbort` holds; alerts and the quit question go through the presenter.
class PUController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString subStatus READ subStatus NOTIFY subStatusChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(bool indeterminate READ isIndeterminate NOTIFY indeterminateChanged)
    Q_PROPERTY(bool canAbort READ canAbort NOTIFY canAbortChanged)
    Q_PROPERTY(qint64 fileLength READ fileLength NOTIFY fileLengthChanged)
public:
    enum class Outcome { Installed, Failed, Cancelled };
    Q_ENUM(Outcome)

    PUController(UpdaterSettings settings, PUPresenter* presenter, QObject* parent = nullptr);
    ~PUController() override;

    // Begins the run on the next turn of the event loop.
    void start();
    // The Cancel button: ends the run while `canAbort` holds, else nothing.
    void abortUpdate();

    QString status() const { return m_status; }
    QString subStatus() const { return m_subStatus; }
    double progress() const { return m_progress; }
    bool isIndeterminate() const { return m_indeterminate; }
    bool canAbort() const { return m_canAbort; }
    qint64 fileLength() const { return m_fileLength; }
    QString installPath() const { return m_installPath; }

signals:
    void statusChanged();
    void subStatusChanged();
    void progressChanged();
    void indeterminateChanged();
    void canAbortChanged();
    void fileLengthChanged();
    // Once, at the end of the run; the program quits on it.
    void finished(PUController::Outcome outcome);

private:
    void onExamined(InstallTarget::Verdict verdict, const QString& folder, const QString& detail);
    void initiateDownload();
    void onDownloadProgressed(float percent);
    void onDownloadFinished();
    void verifyDownload();
    void expandDownload();
    void handleQuitApps();
    void waitForQuit(qint64 deadline);
    void installNewVersion();
    void onInstalled(bool installed, const QString& detail);
    void endHandler(int pollsLeft);

    void fail(const QString& title, const QString& message, const QString& detail = {});
    void relaunch();
    void finish(Outcome outcome);
    void removeWorkFolder();

    void setStatus(const QString& status, const QString& subStatus = {});
    void setSubStatus(const QString& subStatus);
    void setProgress(double progress);
    void setIndeterminate(bool indeterminate);
    void setCanAbort(bool canAbort);

    UpdaterSettings m_settings;
    PUPresenter* m_presenter = nullptr;
    InstallTarget* m_target = nullptr;
    RunningApplication* m_application = nullptr;
    QPointer<PUDownloader> m_downloader;
    QPointer<PrivilegedReplacement> m_privileged;
    QFuture<void> m_work;
    std::unique_ptr<QTemporaryDir> m_temporary;
    InstallTarget::Road m_road = InstallTarget::Road::Plain;
    QString m_installPath;
    QString m_zipPath;
    QString m_workFolder; // holds the unpacked folder and, during the swap, the old one
    QString m_appPath;    // the unpacked new installation
    QString m_status;
    QString m_subStatus;
    double m_progress = 0;
    bool m_indeterminate = true;
    bool m_canAbort = true;
    qint64 m_fileLength = 0;
    bool m_quitRequested = false;
    bool m_failed = false;
    bool m_finished = false;
};
