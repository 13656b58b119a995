#include "AppControl.h"

#include "Account.h"
#include "AccountController.h"
#include "AccountList.h"
#include "AccountSheet.h"
#include "ActivityController.h"
#include "AddonManager.h"
#include "AlertBox.h"
#include "AppLog.h"
#include "AppMenus.h"
#include "AtomicFile.h"
#include "AttachmentController.h"
#include "AuthPrompter.h"
#include "AuthRequestPrompter.h"
#include "Blog.h"
#include "BlogController.h"
#include "BlogRoads.h"
#include "ConsoleObject.h"
#include "Draft.h"
#include "DraftController.h"
#include "DraftExtensions.h"
#include "Entry.h"
#include "FactoryDefaults.h"
#include "FindPanelController.h"
#include "FormatterManager.h"
#include "JobRoads.h"
#include "Localization.h"
#include "MediaDownloadRoad.h"
#include "NotificationCenter.h"
#include "OutsideRequests.h"
#include "PluginInstaller.h"
#include "PluginManager.h"
#include "PluginProblemsDialog.h"
#include "Preferences.h"
#include "Presets.h"
#include "PropertyList.h"
#include "PublishHandOver.h"
#include "PublishQuestionPrompter.h"
#include "QuitSequence.h"
#include "QuitSignals.h"
#include "RVAbout.h"
#include "RVDiffTool.h"
#include "RVDiffWindow.h"
#include "RVDraftWindow.h"
#include "RVTagTool.h"
#include "RVUpdater.h"
#include "RichEditorPane.h"
#include "ScriptableLibrary.h"
#include "ScriptingService.h"
#include "SecurityPrompter.h"
#include "SecurityQuestionPrompter.h"
#include "SingleInstance.h"
#include "Stationeries.h"
#include "SupportFolder.h"
#include "SupportFolderAlert.h"
#include "TKWebView.h"
#include "TransitionView.h"
#include "UpdateWindow.h"
#include "UploadRoad.h"
#include "UploaderManager.h"
#include "UserDefaults.h"
#include "WebContentView.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

namespace {

const char* const table = "AppControl";

AppControl* s_instance = nullptr;

// The web view a widget belongs to (the focus sits in its render widget).
QWebEngineView* webViewOf(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (auto* view = qobject_cast<QWebEngineView*>(w))
            return view;
    }
    return nullptr;
}

} // namespace

void AppControl::initialize()
{
    // Before anything reads a preference.
    FactoryDefaults::registerAll();
    cutils::installSupportFolderAlert();
    cutils::restrictUserFolders();
    cutils::applicationSupportFolder();
}

AppControl::AppControl(QObject* parent)
    : QObject(parent), m_restart([] {
          // Started at termination; it waits for this process to let go of
          // the lock and the bus name.
          return QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                         {QStringLiteral("--restarted")});
      })
{
    s_instance = this;
    m_requests = std::make_unique<OutsideRequests>();
    m_quitSequence = std::make_unique<QuitSequence>(*this);
    // Every quit passes through requestQuit, never through a last window closing.
    QApplication::setQuitOnLastWindowClosed(false);
    m_signals = std::make_unique<QuitSignals>();
    connect(m_signals.get(), &QuitSignals::received, this, [this](int number) {
        qCInfo(lcApp) << "signal" << number << "asks plumet to quit";
        requestQuit();
    });
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            if (commitDataRequested(manager.allowsInteraction()))
                manager.cancel();
        });
    }
    if (QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this,
                &AppControl::applicationWillTerminate);
}

AppControl::~AppControl()
{
    applicationWillTerminate();
    if (m_scriptableAttachments &&
        ScriptableAttachments::sharedInstance() == m_scriptableAttachments.get())
        ScriptableAttachments::setSharedInstance(nullptr);
    if (m_attachments && AttachmentLibrary::sharedInstance() == m_attachments.get())
        AttachmentLibrary::setSharedInstance(nullptr);
    if (m_uploads && AttachmentUploads::sharedInstance() == m_uploads.get())
        AttachmentUploads::setSharedInstance(nullptr);
    if (m_roads && ServerRoads::sharedInstance() == m_roads.get())
        ServerRoads::setSharedInstance(nullptr);
    if (m_updateWindow)
        RVUpdater::sharedInstance().setPresenter(nullptr);
    SecurityPrompter::setSharedInstance(nullptr);
    AuthPrompter::setSharedInstance(nullptr);
    m_menus.reset();
    m_window.reset();
    if (s_instance == this)
        s_instance = nullptr;
}

AppControl* AppControl::sharedInstance()
{
    return s_instance;
}

void AppControl::setSingleInstance(SingleInstance* instance)
{
    if (m_instance)
        disconnect(m_instance, nullptr, this, nullptr);
    m_instance = instance;
    if (!instance)
        return;
    connect(instance, &SingleInstance::quitRequested, this, &AppControl::requestQuit);
    connect(instance, &SingleInstance::activateRequested, this, &AppControl::activate);
    connect(instance, &SingleInstance::urlReceived, this, &AppControl::openUrl);
    connect(instance, &SingleInstance::fileReceived, this, &AppControl::openFile);
    connect(instance, &SingleInstance::textReceived, this, &AppControl::newDraftWithText);
    connect(instance, &SingleInstance::itemReceived, this, &AppControl::newDraftWithItem);
}

// --- start-up
// ------------------------------------------------------------------------------------------

void AppControl::loadPlugins()
{
    // Blog systems first, then add-ons, uploaders and formatters: later kinds
    // may ask for the blog systems. A bundle that cannot load is refused with
    // a sentence.
    PluginManager::sharedInstance().loadPlugins();
    m_pluginProblems += PluginManager::sharedInstance().loadErrors();
    AddonManager::sharedInstance().loadPlugins();
    m_pluginProblems += AddonManager::sharedInstance().loadErrors();
    UploaderManager::sharedInstance().loadPlugins();
    m_pluginProblems += UploaderManager::sharedInstance().loadErrors();
    FormatterManager::sharedInstance().loadFormatters();
    m_pluginProblems += FormatterManager::sharedInstance().loadErrors();
}

void AppControl::installServices()
{
    // The server roads the records start: publishing (attachments first),
    // retrieval and deletion of posts and pages, uploads.
    m_roads = std::make_unique<BlogRoads>();
    ServerRoads::setSharedInstance(m_roads.get());
    m_uploads = std::make_unique<UploadRoad>();
    AttachmentUploads::setSharedInstance(m_uploads.get());
    // Pictures attached from the web.
    m_mediaDownloads = std::make_unique<MediaDownloadRoad>();
    MediaDownloads::setSharedInstance(m_mediaDownloads.get());
    ConsoleObject::sharedInstance();
    // A job that fails brings the Activity window forward.
    ActivityController::install();
    // The records start their server roads through it.
    JobRoads::install();
    DraftExtensions& drafts = DraftExtensions::sharedInstance();
    drafts.refreshCategories = [](Draft& draft) {
        if (Blog* blog = draft.blog())
            blog->refreshCategories();
    };
    drafts.accounts = [] {
        QList<Account*> listed;
        for (const auto& account : AccountController::sharedInstance().accountList().accounts())
            listed.append(account.get());
        return listed;
    };
    // A refresh that changed an account writes the accounts at once.
    JobRoads::install().setAccountsSaver([](QString* error) {
        AccountController& controller = AccountController::sharedInstance();
        return controller.accountsPath().isEmpty() ||
               controller.accountList().saveAccounts(controller.accountsPath(), error);
    });
    // The drafts, and the review of the open ones when the program quits.
    DraftController::sharedInstance();
    drafts.makeRichEditor = [](QWidget* parent, DraftEditorHost& host) -> DraftEditor* {
        return (new RichEditorPane(&host, parent))->editor();
    };
    drafts.setRichEditable = [](DraftEditor& editor, bool editable) {
        if (auto* rich = dynamic_cast<TKWebView*>(&editor))
            rich->setEditable(editable);
    };
    // The draft windows' Publish checks the blog's warnings and hands the post
    // over to the publishing road.
    drafts.publish = PublishHandOver::publish;
    // Typing in a draft refreshes the main window's preview while it shows.
    drafts.previewVisible = [control = QPointer<AppControl>(this)] {
        return control && control->m_window && control->m_window->previewVisible();
    };
    // The draft windows' File menu saves their post as stationery.
    drafts.saveAsStationery = [control = QPointer<AppControl>(this)](Draft& draft) {
        const EntryPtr entry = draft.entry();
        if (control && control->m_stationeries && entry)
            control->m_stationeries->saveAsStationery(entry.get(), draft.window());
    };
}

void AppControl::applicationDidFinishLaunching()
{
    loadPlugins();
    installServices();

    AccountController& accounts = AccountController::sharedInstance();
    NotificationCenter::sharedInstance().observe(QStringLiteral("accountsDone"), this,
                                                 [this](const Notification&) { accountsLoaded(); });
    const QString path = AccountList::defaultPath();
    if (QFile::exists(path)) {
        accounts.loadAccounts(path);
        return;
    }
    // The first run: the screen flash, then the (empty) accounts, then the
    // wizard that adds one.
    m_firstRun = true;
    m_transition = std::make_unique<TransitionController>();
    m_transition->start(
        [path](TransitionController*) { AccountController::sharedInstance().loadAccounts(path); });
}

void AppControl::accountsLoaded()
{
    UserDefaults& defaults = UserDefaults::sharedInstance();
    const int draftOption = defaults.integer(QStringLiteral("draft_option"));
    const bool rememberOpenDrafts = defaults.boolean(QStringLiteral("remember_open_drafts"));
    const bool refreshOption = defaults.boolean(QStringLiteral("refresh_option"));
    NotificationCenter::sharedInstance().removeObserver(this, QStringLiteral("accountsDone"));

    AccountController& accounts = AccountController::sharedInstance();
    accounts.loadUI();
    m_uploads->setAccountList(&accounts.accountList());
    Preferences::sharedInstance().setAccountList(&accounts.accountList(),
                                                 AccountList::defaultPath());
    m_stationeries = std::make_unique<Stationeries>(Stationeries::defaultPath());
    QString stationeryReport;
    m_stationeries->loadStationeries(&stationeryReport);

    // The attachment library: read last, after the rest of the start-up.
    m_attachments = std::make_unique<AttachmentController>(AttachmentController::defaultPath());
    AttachmentLibrary::setSharedInstance(m_attachments.get());
    m_scriptableAttachments = std::make_unique<ScriptableLibrary>(*m_attachments);
    ScriptableAttachments::setSharedInstance(m_scriptableAttachments.get());
    // What stored entries show never expires.
    m_attachments->setKeysInUse([] {
        QSet<QString> keys;
        for (const auto& account : AccountController::sharedInstance().accountList().accounts()) {
            for (const BlogPtr& blog : account->blogs()) {
                for (const EntryPtr& entry : blog->entries()) {
                    for (const QString& key : entry->attachments().value_or(QStringList()))
                        keys.insert(key);
                }
            }
        }
        return keys;
    });

    m_window = std::make_unique<BlogController>(accounts.accountList());
    BlogController* window = m_window.get();
    window->setAccountManager([] { AccountController::sharedInstance().showWindow(); });
    window->setBlogSettingsOpener(
        [](Blog* blog) { Preferences::sharedInstance().showBlogSettings(blog); });
    connect(window, &BlogController::selectedAccountChanged, &accounts,
            &AccountController::setSelectedAccount);
    // Accounts dragged in the outline are saved and announced as a reorder in
    // the accounts window is, once the drop is over.
    connect(
        window, &BlogController::accountMoved, &accounts,
        [&accounts] { accounts.broadcastChange(nullptr); }, Qt::QueuedConnection);
    window->installEventFilter(this);
    m_authPrompter = std::make_unique<AuthRequestPrompter>(window);
    AuthPrompter::setSharedInstance(m_authPrompter.get());
    // Untrusted certificates and https-to-http redirects are asked about,
    // never accepted silently.
    m_securityPrompter = std::make_unique<SecurityQuestionPrompter>(window);
    SecurityPrompter::setSharedInstance(m_securityPrompter.get());
    // A post whose publish was cut short is published again only once the user says so.
    m_publishPrompter = std::make_unique<PublishQuestionPrompter>(window);
    PublishPrompter::setSharedInstance(m_publishPrompter.get());
    connect(m_stationeries.get(), &Stationeries::newDraftRequested, window,
            [window](const EntryPtr& entry) { window->newDraft(entry); });
    // The stationery and custom tag files: one moved aside at the load, or one
    // that cannot be written, is said in words.
    const auto fileAlert = [window](const QString& title) {
        return [window, title](const QString& text) {
            QMessageBox* alert = cutils::makeAlert(QMessageBox::Warning, title, text, window);
            alert->addButton(localized(table, "OK"), QMessageBox::AcceptRole);
            alert->open();
        };
    };
    const auto stationeryAlert = fileAlert(localized(table, "Stationery"));
    connect(m_stationeries.get(), &Stationeries::saveFailed, window, stationeryAlert);
    if (!stationeryReport.isEmpty())
        stationeryAlert(stationeryReport);
    RVTagTool& customTags = RVTagTool::sharedInstance();
    const auto tagsAlert = fileAlert(localized(table, "Custom Tags"));
    connect(&customTags, &RVTagTool::saveFailed, window, tagsAlert);
    if (!customTags.loadReport().isEmpty())
        tagsAlert(customTags.loadReport());
    const auto libraryAlert = fileAlert(localized(table, "Attachments"));
    connect(m_attachments.get(), &AttachmentController::loadFailed, window, libraryAlert);
    connect(m_attachments.get(), &AttachmentController::saveFailed, window, libraryAlert);
    // The presets file too; a failed save is said by the preset dialog that made it.
    if (const QString report = Presets::sharedInstance().loadReport(); !report.isEmpty())
        fileAlert(localized(table, "Presets"))(report);
    // A preferences file moved aside at the start is said the same way.
    if (const QString report = UserDefaults::sharedInstance().loadReport(); !report.isEmpty())
        fileAlert(localized(table, "Preferences"))(report);
    m_installer = std::make_unique<PluginInstaller>(window);
    connect(m_installer.get(), &PluginInstaller::restartRequested, this,
            &AppControl::requestRestart);

    // The comparison window comes forward by itself when a publish or a
    // refresh finds a server copy that differs; Window ▸ Differences calls it back.
    m_differences = std::make_unique<RVDiffWindow>(RVDiffTool::sharedInstance());

    // The menus with the add-ons, the stationery and the custom tags.
    m_menus = std::make_unique<AppMenus>(*this, *window);

    ActivityController::restoreWindow();

    // What other programs and scripts see on the session bus.
    m_scripting = std::make_unique<ScriptingService>();
    m_scripting->setBlogController(window);
    m_scripting->registerObject();

    // The first start shows the wizard alone; the main window follows it.
    if (!m_firstRun)
        showMainWindow();

    // Only a stored draft that opened again stands in for the new draft.
    bool opened = false;
    if (rememberOpenDrafts)
        opened = DraftController::sharedInstance().openStoredDrafts();
    if (!opened && !m_requests->hasWaiting() && draftOption == 0)
        window->newDraft(0);
    if (refreshOption)
        window->retrieveEntries();

    // What arrived during the launch, in the order it came.
    m_requests->setBlogController(window);
    m_requests->setPluginInstaller(m_installer.get());
    m_requests->startHandling();

    m_updateWindow = std::make_unique<UpdateWindow>(RVUpdater::sharedInstance());
    RVUpdater::sharedInstance().setPresenter(m_updateWindow.get());
    RVUpdater::sharedInstance().handlePeriodicCheck();

    m_hasInited = true;
    m_menus->validate();
    m_attachments->loadAttachments();

    if (m_firstRun) {
        // Whether an account was made or not, the main window comes once the
        // wizard is done.
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(accounts.sheet(), &AccountSheet::ended, this, [this, once] {
            disconnect(*once);
            showMainWindow();
        });
        accounts.configureAccount();
    }
    emit launchFinished();
}

void AppControl::showMainWindow()
{
    BlogController* window = m_window.get();
    window->start();
    window->raise();
    window->activateWindow();
    if (!m_pluginProblems.isEmpty()) {
        auto* problems = new PluginProblemsDialog(m_pluginProblems, window);
        problems->setAttribute(Qt::WA_DeleteOnClose);
        problems->open();
    }
}

// --- outside entry points
// ------------------------------------------------------------------------------

void AppControl::openUrl(const QString& url)
{
    m_requests->openUrl(url);
}

void AppControl::openFile(const QString& path)
{
    m_requests->openFile(path);
}

void AppControl::newDraftWithText(const QString& text)
{
    m_requests->newDraftWithText(text);
}

void AppControl::newDraftWithItem(const QVariantMap& item)
{
    m_requests->newDraftWithItem(item);
}

void AppControl::newDraftFromClipboard()
{
    if (m_window)
        m_window->newDraftWithPasteboard(QGuiApplication::clipboard()->mimeData());
}

void AppControl::activate()
{
    BlogController* window = m_window.get();
    if (!window)
        return;
    const bool draftInFront =
        DraftController::instanceExists() && DraftController::sharedInstance().frontMostDraft();
    if (window->isMinimized() && !draftInFront) {
        window->showNormal();
    } else if (!window->isVisible() && !draftInFront) {
        window->show();
    }
    QWidget* front = window;
    if (draftInFront) {
        if (Draft* draft = DraftController::sharedInstance().frontMostDraft())
            front = draft->window();
    }
    if (front) {
        front->raise();
        front->activateWindow();
    }
}

// --- quitting
// -----------------------------------------------------------------------------------------

void AppControl::requestQuit()
{
    if (m_terminated)
        return;
    m_quitSequence->request();
}

void AppControl::requestRestart()
{
    m_quitSequence->restartAfterQuit();
    requestQuit();
}

bool AppControl::restartRequested() const
{
    return m_quitSequence->restartRequested();
}

QMessageBox* AppControl::quitAlert() const
{
    return m_quitSequence->alert();
}

bool AppControl::commitDataRequested(bool allowsInteraction)
{
    return m_quitSequence->commitDataRequested(allowsInteraction);
}

void AppControl::setQuitFunction(std::function<void()> quit)
{
    m_quitSequence->setQuitFunction(std::move(quit));
}

void AppControl::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    NotificationCenter::sharedInstance().removeObserver(this);
    if (m_hasInited) {
        DraftController::cleanUp();
        // The window lets go of the accounts before they are saved and go.
        if (m_window)
            m_window->cleanUp();
        // Saved, then its converted copies and thumbnails deleted.
        if (m_attachments)
            m_attachments->cleanUp();
        AccountController::cleanUp();
        NotificationCenter::sharedInstance().post(QStringLiteral("goingToQuitNotification"));
        QString error;
        if (m_stationeries && !m_stationeries->saveStationeries(&error))
            qCWarning(lcApp).noquote() << "the stationery could not be saved:" << error;
    }
    if (m_restart && m_quitSequence->takeRestart()) {
        if (!m_restart())
            qCWarning(lcApp) << "plumet could not be started again";
    }
    emit terminated();
}

bool AppControl::eventFilter(QObject* watched, QEvent* event)
{
    // Closing the main window quits, through the same road as Quit.
    if (event->type() == QEvent::Close && watched == m_window.get() &&
        !m_quitSequence->accepted() && !m_terminated) {
        event->ignore();
        QTimer::singleShot(0, this, &AppControl::requestQuit);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// --- commands
// -----------------------------------------------------------------------------------------

void AppControl::showDifferences()
{
    if (m_differences)
        m_differences->showWindow();
}

void AppControl::about()
{
    if (m_about && m_about->isShowing())
        return;
    if (!m_transition)
        m_transition = std::make_unique<TransitionController>();
    m_transition->start([this](TransitionController*) {
        if (!m_about)
            m_about = std::make_unique<RVAbout>();
        m_about->about();
    });
}

void AppControl::selectAll()
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return;
    if (QWebEngineView* view = webViewOf(focus)) {
        view->triggerPageAction(QWebEnginePage::SelectAll);
        return;
    }
    if (focus->metaObject()->indexOfMethod("selectAll()") >= 0)
        QMetaObject::invokeMethod(focus, "selectAll");
}

void AppControl::performFindPanelAction(int tag)
{
    FindPanelController* panel = FindPanelController::sharedInstance();
    if (!panel)
        return;
    QWidget* active = QApplication::activeWindow();
    if (active && active == panel->window()) {
        panel->findInWebView(nullptr, tag);
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus && FindPanelController::canSearch(focus))
        panel->findInWebView(focus, tag);
}

void AppControl::performReplacePanelAction(int tag)
{
    FindPanelController* panel = FindPanelController::sharedInstance();
    if (!panel)
        return;
    QWidget* active = QApplication::activeWindow();
    if (active && active == panel->window()) {
        panel->replaceInWebView(nullptr, tag);
        return;
    }
    QWidget* focus = QApplication::focusWidget();
    if (focus && FindPanelController::canSearch(focus))
        panel->replaceInWebView(focus, tag);
}

void AppControl::installPlugin()
{
    auto* dialog = new QFileDialog(m_window.get(), localized(table, "Install Plug-in"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (m_installer)
            m_installer->install(path);
    });
    dialog->open();
}

void AppControl::installBookmarklet()
{
    // The page lies in the program's resources; the browser needs a file.
    QFile resource(QStringLiteral(":/plumet/app/bookmarklet.html"));
    const QString folder = cutils::applicationCacheFolder();
    if (folder.isEmpty() || !resource.open(QIODevice::ReadOnly))
        return;
    const QString path = QDir(folder).filePath(QStringLiteral("bookmarklet.html"));
    QString error;
    if (!AtomicFile::write(path, resource.readAll(), &error)) {
        qCWarning(lcApp).noquote() << error;
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void AppControl::importOldPlumet()
{
    // The previous version kept its entries beside ours, in "plumet".
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/plumet/entrydata.plist");
    const QVariant list =
        QFile::exists(path) ? PropertyList::readFile(path, nullptr, 256 * 1024 * 1024) : QVariant();
    if (list.typeId() == QMetaType::QVariantList) {
        AccountController::sharedInstance().handleOldPlumet(list.toList());
        return;
    }
    QMessageBox* alert = cutils::makeAlert(
        QMessageBox::Warning, localized(table, "Not found!"),
        localized(table, "The file containing plumet2 entries does not exist."), m_window.get());
    alert->addButton(localized(table, "OK"), QMessageBox::AcceptRole);
    alert->open();
}

void AppControl::switchEditor()
{
    UserDefaults& defaults = UserDefaults::sharedInstance();
    const QVariant current = defaults.value(QStringLiteral("usesHTMLEditor"));
    const int value = current.isValid() ? current.toInt() : 1;
    defaults.setValue(QStringLiteral("usesHTMLEditor"), 1 - value);
    if (m_menus)
        m_menus->validate();
}

void AppControl::saveAsStationery()
{
    if (!m_stationeries || !DraftController::instanceExists())
        return;
    Draft* draft = DraftController::sharedInstance().frontMostDraft();
    const EntryPtr entry = draft ? draft->entry() : EntryPtr();
    if (entry)
        m_stationeries->saveAsStationery(entry.get(), draft->window());
}
