#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <memory>

class AppMenus;
class AuthRequestPrompter;
class BlogController;
class BlogRoads;
class PluginInstaller;
class QMessageBox;
class QSessionManager;
class OutsideRequests;
class QuitSequence;
class QuitSignals;
class RVAbout;
class RVDiffWindow;
class ScriptingService;
class SecurityQuestionPrompter;
class PublishQuestionPrompter;
class SingleInstance;
class Stationeries;
class TransitionController;
class UpdateWindow;
class MediaDownloadRoad;
class UploadRoad;

// The application delegate: the start-up and quit sequences, the entry points
// from outside (addresses, files, new-draft requests from other programs),
// the installation of plug-in bundles, and the commands of the menus.
//
// Start-up (applicationDidFinishLaunching): the plug-ins (blog systems,
// add-ons, uploaders, formatters) and the roads and windows they serve; the
// accounts, or on a first run the screen flash and then the new-account
// wizard, alone on the screen: the main window follows when it ends. When
// the accounts are in (accountsLoaded), in this order: the accounts window
// (loaded, not shown), the menus with the add-ons and the stationery, the
// main window, the Activity window when it was open ("activity_open"), scripting
// on the session bus, the drafts open at the last quit ("remember_open_drafts"),
// a new draft ("draft_option" 0) when none was reopened and nothing waits,
// the refresh ("refresh_option"), the addresses and files that arrived during
// the launch in the order they came, the update check.
//
// Quitting (requestQuit, from the Quit command, closing the main window,
// SIGTERM or SIGINT, the session manager and the bus's Quit): with jobs
// running the user is asked first; then the drafts' review; then the program
// quits and applicationWillTerminate cleans up, once: the main window and
// the accounts (saved), "goingToQuitNotification", the stationery saved.
// Before it quits, the accounts and entries are written and waited for: when
// something cannot be written the user may stay, and lose nothing.
//
// Its parts: the menus (AppMenus), the outside requests (OutsideRequests)
// and the quit's questions and decision (QuitSequence).
class AppControl : public QObject {
    Q_OBJECT
public:
    // Before anything reads a preference or a window opens: the factory
    // defaults, the support folder's alert and its access rights.
    static void initialize();

    explicit AppControl(QObject* parent = nullptr);
    ~AppControl() override;

    static AppControl* sharedInstance();

    // The bus object that brings the outside requests (and the Quit of the
    // updater) to this delegate.
    void setSingleInstance(SingleInstance* instance);

    // --- start-up ---
    void applicationDidFinishLaunching();
    // Yes once the accounts-loaded sequence has run: the menus are live.
    bool hasInited() const { return m_hasInited; }
    BlogController* blogController() const { return m_window.get(); }
    AppMenus* menus() const { return m_menus.get(); }
    Stationeries* stationeries() const { return m_stationeries.get(); }
    PluginInstaller* pluginInstaller() const { return m_installer.get(); }
    ScriptingService* scripting() const { return m_scripting.get(); }

    // --- outside entry points: each waits until the launch has finished ---
    // "plumet3:" (a new draft about a page), "x-blogpost:" (a stored post).
    void openUrl(const QString& url);
    // ".webloc" (its address), ".plumet" (an entry's draft), a plug-in bundle
    // (installs it); anything else is refused with an alert.
    void openFile(const QString& path);
    void newDraftWithText(const QString& text);
    void newDraftWithItem(const QVariantMap& item);
    void newDraftFromClipboard();
    // A second launch without documents: the main window comes forward
    // unless a draft is in front.
    void activate();

    // --- quitting ---
    void requestQuit();
    // Quits, then starts the program again; a quit that is cancelled cancels it.
    void requestRestart();
    bool restartRequested() const;
    // The quit's question while it asks: the "active processes" one, or the
    // one about posts that could not be saved.
    QMessageBox* quitAlert() const;
    // The session manager asks before the session ends: answers whether the
    // session's quit must be cancelled (something would ask the user: jobs,
    // changed drafts, posts that cannot be written), and then asks the user
    // through requestQuit when it may interact.
    bool commitDataRequested(bool allowsInteraction);
    // The clean-up at termination; runs once, and only after the launch.
    void applicationWillTerminate();

    // What quitting and restarting do (tests hand in their own).
    void setQuitFunction(std::function<void()> quit);
    void setRestartFunction(std::function<bool()> restart) { m_restart = std::move(restart); }

    // --- commands ---
    void about();
    // Window ▸ Differences: the entries whose server copy differs.
    void showDifferences();
    void selectAll();
    void performFindPanelAction(int tag);
    void performReplacePanelAction(int tag);
    void installPlugin();
    void installBookmarklet();
    void importOldPlumet();
    void switchEditor();
    void saveAsStationery();

signals:
    // The accounts-loaded sequence has run.
    void launchFinished();
    void terminated();

private:
    void loadPlugins();
    void installServices();
    void accountsLoaded();
    void showMainWindow();
    bool eventFilter(QObject* watched, QEvent* event) override;

    bool m_hasInited = false;
    bool m_firstRun = false;
    bool m_terminated = false;
    QStringList m_pluginProblems;

    QPointer<SingleInstance> m_instance;
    std::unique_ptr<OutsideRequests> m_requests;
    std::unique_ptr<QuitSequence> m_quitSequence;
    std::unique_ptr<BlogRoads> m_roads;
    std::unique_ptr<UploadRoad> m_uploads;
    std::unique_ptr<MediaDownloadRoad> m_mediaDownloads;
    std::unique_ptr<BlogController> m_window;
    std::unique_ptr<AuthRequestPrompter> m_authPrompter;
    std::unique_ptr<SecurityQuestionPrompter> m_securityPrompter;
    std::unique_ptr<PublishQuestionPrompter> m_publishPrompter;
    std::unique_ptr<AppMenus> m_menus;
    std::unique_ptr<Stationeries> m_stationeries;
    std::unique_ptr<PluginInstaller> m_installer;
    std::unique_ptr<ScriptingService> m_scripting;
    std::unique_ptr<QuitSignals> m_signals;
    std::unique_ptr<UpdateWindow> m_updateWindow;
    std::unique_ptr<TransitionController> m_transition;
    std::unique_ptr<RVAbout> m_about;
    std::unique_ptr<RVDiffWindow> m_differences;
    std::function<bool()> m_restart;
};
