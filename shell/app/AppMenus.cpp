#include "AppMenus.h"

#include "Account.h"
#include "AccountController.h"
#include "ActivityController.h"
#include "AddonManager.h"
#include "AddonMenu.h"
#include "AddonMenuShortcuts.h"
#include "AddonShortcuts.h"
#include "AppControl.h"
#include "BlogController.h"
#include "ConsoleObject.h"
#include "Draft.h"
#include "FindPanelController.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "Preferences.h"
#include "RVDraftWindow.h"
#include "RVEntriesView.h"
#include "RVTagTool.h"
#include "RVUpdater.h"
#include "Stationeries.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QWebEngineView>

namespace {

const char* const table = "AppControl";

bool inAnyWebView(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<QWebEngineView*>(w))
            return true;
    }
    return false;
}

// The identifiers of the items that need an account with a blog, and those
// that also need pages.
const QStringList needsBlog{QStringLiteral("showSettings"), QStringLiteral("retrieveEntries"),
                            QStringLiteral("viewInBrowser"), QStringLiteral("newDraft"),
                            QStringLiteral("newDraftFromClipboard")};
const QStringList needsPages{QStringLiteral("retrievePages"), QStringLiteral("newPage")};
const QStringList findItems{QStringLiteral("find"), QStringLiteral("findNext"),
                            QStringLiteral("findPrevious"), QStringLiteral("useSelectionForFind")};
const QStringList replaceItems{QStringLiteral("replace"), QStringLiteral("replaceAndFind"),
                               QStringLiteral("replaceAll")};

} // namespace

AppMenus::AppMenus(AppControl& control, BlogController& window, QObject* parent)
    : QObject(parent), m_control(control), m_window(&window)
{
    QMenuBar* bar = window.menuBar();
    buildFile(bar);
    buildEdit(bar);
    buildBlog(bar);
    buildAccounts(bar);
    buildAddons(bar);
    // The custom tags, applied from this menu in the draft windows, which show it too.
    QMenu* tags = addMenu(bar, QStringLiteral("customTags"), localized(table, "&Custom Tags"));
    RVTagTool::sharedInstance().loadUI(tags);
    buildWindow(bar);
    buildHelp(bar);

    // A disabled item swallows its shortcut: keep the states current.
    connect(qApp, &QApplication::focusChanged, this, [this] { validate(); });
    connect(&window, &BlogController::selectedAccountChanged, this, [this] { validate(); });
    if (QItemSelectionModel* selection = window.entriesView()->selectionModel())
        connect(selection, &QItemSelectionModel::selectionChanged, this, [this] { validate(); });
    for (const char* name : {"forceReload", "accountsDone", "entriesRetrieved"})
        NotificationCenter::sharedInstance().observe(QString::fromLatin1(name), this,
                                                     [this](const Notification&) { validate(); });
    if (FindPanelController* panel = FindPanelController::sharedInstance())
        connect(panel, &FindPanelController::searchStringChanged, this, [this] { validate(); });
    validate();
}

AppMenus::~AppMenus()
{
    NotificationCenter::sharedInstance().removeObserver(this);
}

QMenu* AppMenus::addMenu(QMenuBar* bar, const QString& identifier, const QString& title)
{
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(identifier);
    m_menus.insert(identifier, menu);
    connect(menu, &QMenu::aboutToShow, this, &AppMenus::validate);
    return menu;
}

QAction* AppMenus::add(QMenu* menu, const QString& identifier, const QString& text,
                       const QKeySequence& shortcut, std::function<void()> handler)
{
    auto* action = new QAction(text, menu);
    action->setObjectName(identifier);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] {
        if (handler)
            handler();
    });
    menu->addAction(action);
    m_actions.insert(identifier, action);
    return action;
}

void AppMenus::buildFile(QMenuBar* bar)
{
    QMenu* file = addMenu(bar, QStringLiteral("file"), localized(table, "&File"));
    add(file, QStringLiteral("newDraft"), localized(table, "New Draft"), QKeySequence::New,
        [this] { m_window->newDraft(0); });
    add(file, QStringLiteral("newPage"), localized(table, "New Page"),
        QKeySequence(tr("Ctrl+Shift+N")), [this] { m_window->newDraft(1); });
    add(file, QStringLiteral("newDraftFromClipboard"), localized(table, "New Draft from Clipboard"),
        QKeySequence(), [this] { m_control.newDraftFromClipboard(); });
    QMenu* stationery = file->addMenu(localized(table, "New from Stationery"));
    stationery->setObjectName(QStringLiteral("stationery"));
    m_menus.insert(QStringLiteral("stationery"), stationery);
    if (Stationeries* list = m_control.stationeries()) {
        list->setStationeryMenu(stationery);
        list->setupStationeryMenu();
    }
    add(file, QStringLiteral("saveAsStationery"), localized(table, "Save As Stationery…"),
        QKeySequence(), [this] { m_control.saveAsStationery(); });
    file->addSeparator();
    add(file, QStringLiteral("installPlugin"), localized(table, "Install Plug-in…"), QKeySequence(),
        [this] { m_control.installPlugin(); });
    add(file, QStringLiteral("installBookmarklet"), localized(table, "Install Bookmarklet…"),
        QKeySequence(), [this] { m_control.installBookmarklet(); });
    add(file, QStringLiteral("importOldPlumet"), localized(table, "Import plumet 2 Entries…"),
        QKeySequence(), [this] { m_control.importOldPlumet(); });
    file->addSeparator();
    QAction* quit = add(file, QStringLiteral("quit"), localized(table, "Quit plumet"),
                        QKeySequence::Quit, [this] { m_control.requestQuit(); });
    // Quit works from every window of the program, drafts too.
    quit->setShortcutContext(Qt::ApplicationShortcut);
    quit->setMenuRole(QAction::QuitRole);
}

void AppMenus::buildEdit(QMenuBar* bar)
{
    QMenu* edit = addMenu(bar, QStringLiteral("edit"), localized(table, "&Edit"));
    add(edit, QStringLiteral("selectAll"), localized(table, "Select All"), QKeySequence::SelectAll,
        [this] { m_control.selectAll(); });
    edit->addSeparator();
    QMenu* find = edit->addMenu(localized(table, "Find"));
    find->setObjectName(QStringLiteral("find"));
    connect(find, &QMenu::aboutToShow, this, &AppMenus::validate);
    struct Item {
        const char* identifier;
        const char* text;
        QKeySequence shortcut;
        int tag;
        bool replace;
    };
    const Item items[] = {
        {"find", "Find…", QKeySequence::Find, FindPanelController::ShowPanel, false},
        {"findNext", "Find Next", QKeySequence::FindNext, FindPanelController::FindNext, false},
        {"findPrevious", "Find Previous", QKeySequence::FindPrevious,
         FindPanelController::FindPrevious, false},
        {"useSelectionForFind", "Use Selection for Find", QKeySequence(tr("Ctrl+E")),
         FindPanelController::UseSelectionForFind, false},
        {"replace", "Replace", QKeySequence(), FindPanelController::Replace, true},
        {"replaceAndFind", "Replace and Find", QKeySequence(), FindPanelController::ReplaceAndFind,
         true},
        {"replaceAll", "Replace All", QKeySequence(), FindPanelController::ReplaceAll, true},
    };
    for (const Item& item : items) {
        const int tag = item.tag;
        const bool replace = item.replace;
        QAction* action = add(find, QString::fromLatin1(item.identifier),
                              localized(table, item.text), item.shortcut, [this, tag, replace] {
                                  if (replace)
                                      m_control.performReplacePanelAction(tag);
                                  else
                                      m_control.performFindPanelAction(tag);
                              });
        // The find panel's own window is searched from here too; the draft
        // windows have their own Edit menu (see validate()).
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    edit->addSeparator();
    QAction* preferences =
        add(edit, QStringLiteral("showPrefs"), localized(table, "Preferences…"),
            QKeySequence::Preferences, [] { Preferences::sharedInstance().showGeneral(); });
    preferences->setMenuRole(QAction::PreferencesRole);
}

void AppMenus::buildBlog(QMenuBar* bar)
{
    QMenu* blog = addMenu(bar, QStringLiteral("blog"), localized(table, "&Blog"));
    add(blog, QStringLiteral("retrieveEntries"), localized(table, "Retrieve Posts"),
        QKeySequence(tr("Ctrl+R")), [this] { m_window->retrieveEntries(); });
    add(blog, QStringLiteral("retrievePages"), localized(table, "Retrieve Pages"),
        QKeySequence(tr("Ctrl+Shift+R")), [this] { m_window->retrievePages(); });
    add(blog, QStringLiteral("viewInBrowser"), localized(table, "View in Browser"), QKeySequence(),
        [this] { m_window->viewInBrowser(); });
    add(blog, QStringLiteral("showSettings"), localized(table, "Blog Settings…"), QKeySequence(),
        [this] { m_window->showSettings(); });
    blog->addSeparator();
    // The entries' own commands belong to the main window, which keeps their
    // states current with its selection.
    for (const char* item : {"open", "post-publish", "copy-permalink", "preview-draft", "delete"}) {
        if (QAction* action = m_window->action(QString::fromLatin1(item)))
            blog->addAction(action);
    }
    connect(blog, &QMenu::aboutToShow, m_window, &BlogController::validateActions);
    blog->addSeparator();
    add(blog, QStringLiteral("switchEditor"), localized(table, "Use HTML Editor"), QKeySequence(),
        [this] { m_control.switchEditor(); });
}

void AppMenus::buildAccounts(QMenuBar* bar)
{
    QMenu* accounts = addMenu(bar, QStringLiteral("accounts"), localized(table, "A&ccounts"));
    add(accounts, QStringLiteral("newAccount"), localized(table, "New Account…"), QKeySequence(),
        [] {
            AccountController::sharedInstance().showWindow();
            AccountController::sharedInstance().configureAccount();
        });
    add(accounts, QStringLiteral("showAccountManager"), localized(table, "Accounts"),
        QKeySequence(), [] { AccountController::sharedInstance().showWindow(); });
}

void AppMenus::buildAddons(QMenuBar* bar)
{
    QMenu* addons = addMenu(bar, QStringLiteral("addons"), localized(table, "&Add-ons"));
    // The menu's own two commands come last; the add-on items go before them.
    addons->addSeparator();
    add(addons, QStringLiteral("addonSettings"), localized(table, "Add-on Settings…"),
        QKeySequence(), [] { Preferences::sharedInstance().showAddonSettings(); });
    add(addons, QStringLiteral("addonShortcuts"), localized(table, "Shortcuts…"), QKeySequence(),
        [] { Preferences::sharedInstance().showShortcuts(); });
    m_addonItems = new AddonMenu(addons, AddonManager::sharedInstance(), this);
    // Add-ons act on the text of a draft: each draft window has its own
    // Add-ons menu. Here they are listed only.
    m_addonItems->setItemsEnabled(false);
    const auto applyShortcuts = [addons] {
        AddonMenuShortcuts::apply(addons, AddonShortcuts::read(UserDefaults::sharedInstance()));
    };
    connect(m_addonItems, &AddonMenu::rebuilt, this, applyShortcuts);
    m_addonItems->rebuild();
    Preferences::sharedInstance().setAddonsMenu(addons);
}

void AppMenus::buildWindow(QMenuBar* bar)
{
    QMenu* window = addMenu(bar, QStringLiteral("window"), localized(table, "&Window"));
    add(window, QStringLiteral("entryViewer"), localized(table, "Main Window"),
        QKeySequence(tr("Ctrl+1")), [this] { m_window->entryViewer(); });
    add(window, QStringLiteral("activityViewer"), localized(table, "Activity"),
        QKeySequence(tr("Ctrl+2")), [] { ActivityController::sharedInstance()->showWindow(); });
    add(window, QStringLiteral("showConsole"), localized(table, "Network Console"), QKeySequence(),
        [] { ConsoleObject::sharedInstance()->showWindow(); });
    add(window, QStringLiteral("editCustomTags"), localized(table, "Custom Tags…"), QKeySequence(),
        [] { RVTagTool::sharedInstance().showWindow(); });
    add(window, QStringLiteral("showDifferences"), localized(table, "Differences"), QKeySequence(),
        [this] { m_control.showDifferences(); });
}

void AppMenus::buildHelp(QMenuBar* bar)
{
    QMenu* help = addMenu(bar, QStringLiteral("help"), localized(table, "&Help"));
    QAction* about = add(help, QStringLiteral("about"), localized(table, "About plumet"),
                         QKeySequence(), [this] { m_control.about(); });
    about->setMenuRole(QAction::AboutRole);
    add(help, QStringLiteral("checkUpdate"), localized(table, "Check for Updates…"), QKeySequence(),
        [] { RVUpdater::sharedInstance().checkNow(false); });
}

void AppMenus::validate()
{
    if (m_validating || !m_window)
        return;
    m_validating = true;
    const bool inited = m_control.hasInited() && AccountController::instanceExists();
    if (!inited) {
        for (QAction* action : std::as_const(m_actions))
            action->setEnabled(false);
        m_validating = false;
        return;
    }
    AccountController& accounts = AccountController::sharedInstance();
    const bool hasBlog = accounts.hasAccountAndBlog();
    Account* selected = accounts.selectedAccount();
    const bool pages = hasBlog && selected && selected->supportsPages();

    QWidget* active = QApplication::activeWindow();
    QWidget* focus = QApplication::focusWidget();
    FindPanelController* panel = FindPanelController::sharedInstance();
    const bool panelInFront = panel && active && active == panel->window();
    // The web views and the plain text views (the HTML source view) are searched.
    const bool canFind = panelInFront || FindPanelController::canSearch(focus);
    const bool canReplace = (panelInFront || FindPanelController::canReplace(focus)) && panel &&
                            !panel->searchString().isEmpty();
    const bool canSelectAll =
        focus && (inAnyWebView(focus) || focus->metaObject()->indexOfMethod("selectAll()") >= 0);
    const bool draftInFront = qobject_cast<RVDraftWindow*>(active) != nullptr;

    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const QString& id = it.key();
        bool enabled = true;
        if (needsBlog.contains(id))
            enabled = hasBlog;
        else if (needsPages.contains(id))
            enabled = pages;
        else if (findItems.contains(id))
            // Off in front of a draft window, whose own Find items take the keys.
            enabled = canFind && !draftInFront;
        else if (replaceItems.contains(id))
            enabled = canReplace;
        else if (id == QLatin1String("selectAll"))
            enabled = canSelectAll;
        else if (id == QLatin1String("saveAsStationery"))
            enabled = draftInFront;
        it.value()->setEnabled(enabled);
    }
    const qint64 html = UserDefaults::sharedInstance().integer(QStringLiteral("usesHTMLEditor"));
    action(QStringLiteral("switchEditor"))
        ->setText(html == 0 ? localized(table, "Use HTML Editor")
                            : localized(table, "Use Rich Editor"));
    m_validating = false;
}
