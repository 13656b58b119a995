#pragma once

#include "OneShotTimer.h"
#include "SimpleCallDelegate.h"
#include "UpdateFeed.h"
#include "UpdateHandOver.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>

class SimpleCall;
class UpdatePresenter;

// Looks for a newer version in the update feed: quietly 60 s after launch and
// every 6 hours after (waiting while jobs run), loudly when the user asks.
// An announced newer version is shown in the update window, from where the
// user downloads it in the browser or hands over to the updater.
class RVUpdater : public QObject, private SimpleCallDelegate {
    Q_OBJECT
    Q_PROPERTY(QString changesList READ changesList NOTIFY offerChanged)
    Q_PROPERTY(QString updateUrl READ updateUrl NOTIFY offerChanged)
    Q_PROPERTY(QString versionString READ versionString NOTIFY offerChanged)
    Q_PROPERTY(QString fileSize READ fileSize NOTIFY offerChanged)
public:
    static constexpr std::chrono::seconds firstCheckDelay{60};
    static constexpr std::chrono::seconds postponement{60};
    static constexpr std::chrono::seconds checkInterval{6 * 60 * 60};

    // What the checker works with; the defaults are the application's own.
    struct Environment {
        QString currentVersion;               // default: the application's version
        std::function<QString()> feedAddress; // default: UpdateSettings::feedAddress
        std::function<bool()> versionCheck;   // default: the "versionCheck" preference
        std::unique_ptr<OneShotTimer> timer;  // default: the event loop's timer
        QString programFolder;                // default: the application's folder
        // Starts the updater; default: UpdaterLauncher.
        std::function<bool(const QString& programFolder, const UpdateHandOver&)> launch;
        std::function<bool()> isUpdaterRunning;
        // Whether "Download and Install" can work here; default: the build
        // carries the update key and the program's folder is a self-contained
        // installation.
        std::function<bool()> canInstall;
    };

    static RVUpdater& sharedInstance();

    explicit RVUpdater(Environment environment = {}, QObject* parent = nullptr);
    ~RVUpdater() override;

    // The caller keeps ownership; nullptr removes the presenter.
    void setPresenter(UpdatePresenter* presenter);

    // Starts or stops the timed checks after the "versionCheck" preference.
    void handlePeriodicCheck();
    void checkNow(bool quiet);
    bool isCheckPending() const;
    // A check has asked the feed and waits for its answer.
    bool isChecking() const { return m_call != nullptr; }

    // The update window's buttons.
    void cancel();
    void download();
    void downloadAndInstall();
    // Whether the update window offers "Download and Install".
    bool canInstall() const { return m_environment.canInstall(); }

    // At quit: stop observing and timing, close the window, forget the offer.
    void cleanUp();

    QString changesList() const { return m_offer.changesList; }
    QString updateUrl() const { return m_offer.updateUrl; }
    QString versionString() const { return m_offer.version; }
    QString fileSize() const { return m_offer.fileSize; }

signals:
    void offerChanged();

private:
    void simpleCallDidFinish(SimpleCall* call) override;
    void simpleCallDidFail(SimpleCall* call, const std::optional<RestError>& error) override;

    void runTimedCheck();
    void informUpdate();
    void informNoUpdate();
    void cannotCheck(const QString& reason);
    void showLaunchFailure();
    void alert(const QString& title, const QString& message);
    void endCall();

    Environment m_environment;
    UpdatePresenter* m_presenter = nullptr;
    SimpleCall* m_call = nullptr;
    UpdateOffer m_offer;
    bool m_isQuiet = false;
};
