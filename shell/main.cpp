#include "AccountController.h"
#include "AccountList.h"
#include "ActivityController.h"
#include "AddonManager.h"
#include "AddonMenu.h"
#include "ApplicationBus.h"
#include "ApplicationBusService.h"
#include "AuthPrompter.h"
#include "AuthRequestPrompter.h"
#include "Blog.h"
#include "BlogController.h"
#include "BlogRoads.h"
#include "ConsoleObject.h"
#include "Draft.h"
#include "DraftController.h"
#include "DraftExtensions.h"
#include "FactoryDefaults.h"
#include "FormatterManager.h"
#include "JobRoads.h"
#include "NotificationCenter.h"
#include "PluginManager.h"
#include "PluginProblemsDialog.h"
#include "PreferencesController.h"
#include "PublishHandOver.h"
#include "RVAbout.h"
#include "RVDiffTool.h"
#include "RVDiffWindow.h"
#include "RVDraftWindow.h"
#include "RVTagTool.h"
#include "RVUpdater.h"
#include "RichEditorPane.h"
#include "SecurityPrompter.h"
#include "SecurityQuestionPrompter.h"
#include "SupportFolder.h"
#include "SupportFolderAlert.h"
#include "TKWebView.h"
#include "TransitionView.h"
#include "UpdateWindow.h"
#include "UploadRoad.h"
#include "UploaderManager.h"

#include <QApplication>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <memory>

namespace {

// Blog systems first, then add-ons, uploaders and formatters: later kinds may
// ask for the blog systems. A bundle that cannot load is refused with a sentence.
QStringList loadPlugins()
{
    QStringList problems;
    PluginManager::sharedInstance().loadPlugins();
    problems += PluginManager::sharedInstance().loadErrors();
    AddonManager::sharedInstance().loadPlugins();
    problems += AddonManager::sharedInstance().loadErrors();
    UploaderManager::sharedInstance().loadPlugins();
    problems += UploaderManager::sharedInstance().loadErrors();
    FormatterManager::sharedInstance().loadFormatters();
    problems += FormatterManager::sharedInstance().loadErrors();
    return problems;
}

} // namespace

int main(int argc, char* argv[])
{
    // Qt WebEngine (scripts, and later the editors) wants shared contexts from the start.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    QApplication::setApplicationVersion(QStringLiteral(PLUMET_VERSION));

    // Before anything reads a preference.
    FactoryDefaults::registerAll();
    cutils::installSupportFolderAlert();
    cutils::restrictUserFolders();
    cutils::applicationSupportFolder();

    const QStringList problems = loadPlugins();

    // The server roads the records start: publishing (attachments first),
    // retrieval and deletion of posts and pages, uploads.
    BlogRoads roads;
    ServerRoads::setSharedInstance(&roads);
    UploadRoad uploads;
    AttachmentUploads::setSharedInstance(&uploads);

    // The accounts and their blogs' entries before the main window shows them,
    // and on the first run the wizard that adds one.
    const bool firstRun = !QFile::exists(AccountList::defaultPath());
    AccountController& accounts = AccountController::sharedInstance();
    accounts.loadAccounts(AccountList::defaultPath());
    uploads.setAccountList(&accounts.accountList());
    PreferencesController::sharedInstance().setAccountList(&accounts.accountList(),
                                                           AccountList::defaultPath());

    BlogController window(accounts.accountList());
    window.setAccountManager([] { AccountController::sharedInstance().showWindow(); });
    QObject::connect(&window, &BlogController::selectedAccountChanged, &accounts,
                     &AccountController::setSelectedAccount);
    AuthRequestPrompter prompter(&window);
    AuthPrompter::setSharedInstance(&prompter);
    // Untrusted certificates and https-to-http redirects are asked about, never
    // accepted silently.
    SecurityQuestionPrompter security(&window);
    SecurityPrompter::setSharedInstance(&security);
    ConsoleObject::sharedInstance();
    // A job that fails brings the Activity window forward.
    ActivityController::install();
    // The records start their server roads through it.
    JobRoads::install();
    DraftExtensions::sharedInstance().refreshCategories = [](Draft& draft) {
        if (Blog* blog = draft.blog())
            blog->refreshCategories();
    };
    // A refresh that changed an account writes the accounts at once.
    JobRoads::install().setAccountsSaver([](QString* error) {
        AccountController& controller = AccountController::sharedInstance();
        return controller.accountsPath().isEmpty() ||
               controller.accountList().saveAccounts(controller.accountsPath(), error);
    });

    QMenu* accountsMenu = window.menuBar()->addMenu(QObject::tr("A&ccounts"));
    accountsMenu->addAction(QObject::tr("New Account..."), [] {
        AccountController::sharedInstance().showWindow();
        AccountController::sharedInstance().configureAccount();
    });
    accountsMenu->addAction(QObject::tr("Accounts"),
                            [] { AccountController::sharedInstance().showWindow(); });

    QMenu* blogMenu = window.menuBar()->addMenu(QObject::tr("&Blog"));
    for (const char* item : {"refresh", "retrieve-pages", "new", "new-page", "view", "settings"})
        blogMenu->addAction(window.action(QString::fromLatin1(item)));
    QObject::connect(blogMenu, &QMenu::aboutToShow, &window, &BlogController::validateActions);

    QMenu* addonsMenu = window.menuBar()->addMenu(QObject::tr("&Add-ons"));
    AddonMenu addonItems(addonsMenu, AddonManager::sharedInstance());
    // Add-ons act on the text of a draft: each draft window has its own
    // Add-ons menu. Here they are listed only.
    addonItems.setItemsEnabled(false);

    // The custom tags, applied from this menu in the draft windows, which show it too.
    QMenu* customTagMenu = window.menuBar()->addMenu(QObject::tr("&Custom Tags"));
    RVTagTool::sharedInstance().loadUI(customTagMenu);

    QMenu* windowMenu = window.menuBar()->addMenu(QObject::tr("&Window"));
    windowMenu->addAction(QObject::tr("Network Console"),
                          [] { ConsoleObject::sharedInstance()->showWindow(); });
    windowMenu->addAction(QObject::tr("Activity"),
                          [] { ActivityController::sharedInstance()->showWindow(); });
    // The comparison window comes forward by itself when a publish or a
    // refresh finds a server copy that differs; here it can be called back.
    RVDiffWindow differences(RVDiffTool::sharedInstance());
    windowMenu->addAction(QObject::tr("Differences"), [&differences] { differences.showWindow(); });

    // The updater finds the running program on the session bus and asks it to
    // quit there before it replaces the installation.
    ApplicationBusService bus;
    bus.registerService(QLatin1String(ApplicationBus::serviceName));
    // Quitting goes through the review of the open drafts, which may ask the
    // user and answer later.
    DraftController::sharedInstance();
    DraftExtensions::sharedInstance().makeRichEditor = [](QWidget* parent,
                                                          DraftEditorHost& host) -> DraftEditor* {
        return (new RichEditorPane(&host, parent))->editor();
    };
    DraftExtensions::sharedInstance().setRichEditable = [](DraftEditor& editor, bool editable) {
        if (auto* rich = dynamic_cast<TKWebView*>(&editor))
            rich->setEditable(editable);
    };
    // The draft windows' Publish checks the blog's warnings and hands the post
    // over to the publishing road.
    DraftExtensions::sharedInstance().publish = PublishHandOver::publish;
    auto quitAfterDrafts = [] {
        DraftController::sharedInstance().requestQuit([](bool mayQuit) {
            if (!mayQuit)
                return;
            QApplication::closeAllWindows();
            QApplication::quit();
        });
    };
    QObject::connect(&bus, &ApplicationBusService::quitRequested, &app, quitAfterDrafts);
    auto* fileMenu = new QMenu(QObject::tr("&File"), &window);
    QAction* quitAction = fileMenu->addAction(QObject::tr("Quit plumet"));
    quitAction->setShortcut(QKeySequence::Quit);
    QObject::connect(quitAction, &QAction::triggered, &app, quitAfterDrafts);
    window.menuBar()->insertMenu(windowMenu->menuAction(), fileMenu);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&] {
        DraftController::cleanUp();
        // The window lets go of the accounts before they are saved and go.
        window.cleanUp();
        AccountController::cleanUp();
        NotificationCenter::sharedInstance().post(QStringLiteral("goingToQuitNotification"));
    });

    UpdateWindow updateWindow(RVUpdater::sharedInstance());
    RVUpdater::sharedInstance().setPresenter(&updateWindow);
    RVUpdater::sharedInstance().handlePeriodicCheck();

    // About: the screen flash first, then the box; nothing while it shows.
    TransitionController flash;
    std::unique_ptr<RVAbout> about;
    QMenu* helpMenu = window.menuBar()->addMenu(QObject::tr("&Help"));
    helpMenu->addAction(QObject::tr("About plumet"), [&] {
        if (about && about->isShowing())
            return;
        flash.start([&](TransitionController*) {
            if (!about)
                about = std::make_unique<RVAbout>();
            about->about();
        });
    });
    helpMenu->addAction(QObject::tr("Check for Updates..."),
                        [] { RVUpdater::sharedInstance().checkNow(false); });

    window.start();

    if (!problems.isEmpty()) {
        auto* problemsDialog = new PluginProblemsDialog(problems, &window);
        problemsDialog->setAttribute(Qt::WA_DeleteOnClose);
        problemsDialog->open();
    }
    if (firstRun) {
        accounts.showWindow();
        accounts.configureAccount();
    }

    const int status = app.exec();
    AttachmentUploads::setSharedInstance(nullptr);
    ServerRoads::setSharedInstance(nullptr);
    RVUpdater::sharedInstance().setPresenter(nullptr);
    SecurityPrompter::setSharedInstance(nullptr);
    AuthPrompter::setSharedInstance(nullptr);
    return status;
}
