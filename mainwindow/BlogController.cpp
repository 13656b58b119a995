#include "BlogController.h"

#include "Account.h"
#include "AccountArrayController.h"
#include "AccountList.h"
#include "AccountOutlineModel.h"
#include "AlertBox.h"
#include "Blog.h"
#include "BlogChooser.h"
#include "BlogOutlineView.h"
#include "DesktopLinks.h"
#include "DraftRegistry.h"
#include "EntriesPane.h"
#include "Entry.h"
#include "EntryArrayController.h"
#include "EntryListModel.h"
#include "EntryPreview.h"
#include "EntryPreviewWindow.h"
#include "EntrySorting.h"
#include "Localization.h"
#include "MainWindowLog.h"
#include "ModelNotifications.h"
#include "NewDraft.h"
#include "NotificationCenter.h"
#include "QuoteDraft.h"
#include "RVEntriesView.h"
#include "RVSplitView.h"
#include "RVSplitterButton.h"
#include "SplitPositions.h"
#include "StringExtensions.h"
#include "ToolbarController.h"
#include "UserDefaults.h"
#include "ViewerToolbar.h"

#include <QAction>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace {

BlogController* s_instance = nullptr;

const char* const table = "BlogController";

struct CommandText {
    const char* identifier;
    const char* label;
    const char* toolTip;
    const char* themeIcon;
    QStyle::StandardPixmap fallbackIcon;
};

// The window's commands that the toolbar offers.
constexpr CommandText commandTexts[] = {
    {"refresh", "Retrieve Posts", "Retrieves posts for the selected blog", "view-refresh",
     QStyle::SP_BrowserReload},
    {"new", "New", "Creates a new draft", "document-new", QStyle::SP_FileIcon},
    {"post-publish", "Publish", "Publish Draft", "mail-send", QStyle::SP_DialogApplyButton},
    {"delete", "Delete", "Deletes selected items", "edit-delete", QStyle::SP_TrashIcon},
    {"view", "View in Browser", "View selection in browser", "internet-web-browser",
     QStyle::SP_FileLinkIcon},
    {"blogs", "Toggle Sidebar", "Toggles the list of accounts and blogs", "view-sidetree",
     QStyle::SP_FileDialogListView},
    {"settings", "Settings", "Displays the settings dialog for the selected blog",
     "document-properties", QStyle::SP_FileDialogDetailedView},
    {"accounts", "Edit Accounts", "Show accounts manager", "system-users", QStyle::SP_DirHomeIcon},
};

} // namespace

BlogController::BlogController(AccountList& accounts, QWidget* parent, UserDefaults* defaults)
    : QMainWindow(parent), m_accounts(accounts),
      m_defaults(defaults ? *defaults : UserDefaults::sharedInstance())
{
    s_instance = this;
    setObjectName(QStringLiteral("BlogController"));
    setWindowTitle(QStringLiteral("plumet"));

    m_outlineView = new BlogOutlineView(m_defaults, NotificationCenter::sharedInstance());
    m_outline = new AccountArrayController(accounts, m_outlineView, this, &m_defaults);

    m_entries = new EntryListModel(this);
    m_pane = new EntriesPane(m_entries, nullptr, &m_defaults);
    m_entriesView = m_pane->view();

    m_splitView = new RVSplitView;
    m_preview = new EntryPreview(m_splitView);
    m_preview->setCurrentEntry([this] { return m_pane->currentEntry(); });
    m_splitView->addWidget(m_pane);
    m_splitView->addWidget(m_preview);
    m_splitView->setStretchFactor(0, 1);
    // Until a split is saved the preview takes a third: room for the whole entry.
    m_splitView->setSizes({360, 180});
    connect(m_pane, &EntriesPane::selectionChanged, m_preview, &EntryPreview::selectionChanged);
    m_previewWindow = new EntryPreviewWindow(this);

    m_sidebar = new RVSplitterButton(QString::fromLatin1(sidebarTitle), m_outlineView, m_splitView,
                                     this, &m_defaults);
    setCentralWidget(m_sidebar);

    buildToolbar();
    statusBar()->setSizeGripEnabled(true);

    connect(m_outline, &AccountArrayController::selectionChanged, this,
            &BlogController::selectionChanged);
    connect(m_outline, &AccountArrayController::titleChanged, this, &QWidget::setWindowTitle);
    connect(m_outline, &AccountArrayController::statusMessage, this,
            [this](const QString& message) { statusBar()->showMessage(message, 8000); });
    connect(m_outline, &AccountArrayController::moveFailed, this, &BlogController::showMoveFailure);
    connect(m_outline->model(), &AccountOutlineModel::accountMoved, this,
            &BlogController::accountMoved);
    connect(m_entriesView, &GradientTableView::doubleAction, m_pane, &EntriesPane::openSelected);
    m_pane->setContextActions(
        {action(QStringLiteral("open")), nullptr, action(QStringLiteral("post-publish")),
         action(QStringLiteral("view")), action(QStringLiteral("copy-permalink")), nullptr,
         action(QStringLiteral("delete"))});
    connect(m_entriesView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BlogController::validateActions);

    // The draft commands wait for the draft windows.
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::draftRegistryInstalled), this,
        [this](const Notification&) { validateActions(); });

    m_pane->arranged()->setSortDescriptors(
        EntrySorting::restore(m_defaults.data(QString::fromLatin1(EntrySorting::defaultsKey))));
    resize(860, 560);
    validateActions();
}

BlogController::~BlogController()
{
    // The toolbar asks its items of the delegate until it goes.
    delete m_toolbarController;
    if (s_instance == this)
        s_instance = nullptr;
}

BlogController* BlogController::sharedInstance()
{
    return s_instance;
}

QAction* BlogController::action(const QString& identifier) const
{
    return m_actions.value(identifier);
}

void BlogController::buildToolbar()
{
    const QHash<QString, std::function<void()>> handlers{
        {QStringLiteral("refresh"), [this] { retrieveEntries(); }},
        {QStringLiteral("new"), [this] { newDraft(0); }},
        {QStringLiteral("view"), [this] { viewInBrowser(); }},
        {QStringLiteral("blogs"), [this] { m_sidebar->toggleViews(); }},
        {QStringLiteral("settings"), [this] { showSettings(); }},
        {QStringLiteral("accounts"), [this] { showAccountManager(); }},
        {QStringLiteral("post-publish"), [this] { m_pane->publish(); }},
        {QStringLiteral("delete"), [this] { m_pane->remove(); }},
    };
    for (const CommandText& text : commandTexts) {
        const QString identifier = QString::fromLatin1(text.identifier);
        const char* labelTable = identifier == QLatin1String("post-publish") ? "Draft" : table;
        auto* action = new QAction(QIcon::fromTheme(QLatin1String(text.themeIcon),
                                                    style()->standardIcon(text.fallbackIcon)),
                                   localized(labelTable, text.label), this);
        action->setObjectName(identifier);
        action->setToolTip(localized(labelTable, text.toolTip));
        if (const auto handler = handlers.value(identifier))
            connect(action, &QAction::triggered, this, handler);
        m_actions.insert(identifier, action);
    }
    auto* page = new QAction(localized(table, "New Page"), this);
    page->setObjectName(QStringLiteral("new-page"));
    connect(page, &QAction::triggered, this, [this] { newDraft(1); });
    m_actions.insert(QStringLiteral("new-page"), page);
    auto* pages = new QAction(localized(table, "Retrieve Pages"), this);
    pages->setObjectName(QStringLiteral("retrieve-pages"));
    connect(pages, &QAction::triggered, this, [this] { retrievePages(); });
    m_actions.insert(QStringLiteral("retrieve-pages"), pages);
    // The entries table's own commands, in the Blog menu and the table's context menu.
    const struct {
        const char* identifier;
        const char* label;
        std::function<void()> handler;
        QKeySequence keys;
    } entryCommands[] = {
        {"open", "Open", [this] { m_pane->openSelected(); }, {}},
        {"copy-permalink", "Copy Permalink", [this] { m_pane->copyPermalink(); }, {}},
        {"preview-draft", "Preview Draft", [this] { previewDraft(); },
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P)},
    };
    for (const auto& command : entryCommands) {
        auto* item = new QAction(localized(table, command.label), this);
        item->setObjectName(QString::fromLatin1(command.identifier));
        item->setShortcut(command.keys);
        connect(item, &QAction::triggered, this, command.handler);
        m_actions.insert(QString::fromLatin1(command.identifier), item);
    }

    m_toolbarItems = std::make_unique<ViewerToolbar>(
        [this](const QString& identifier) { return m_actions.value(identifier); });
    m_toolbarController = new ToolbarController(QString::fromLatin1(ViewerToolbar::identifier),
                                                *m_toolbarItems, this, &m_defaults);
}

QToolBar* BlogController::viewerToolbar() const
{
    return m_toolbarController->toolBar();
}

void BlogController::validateActions()
{
    const bool drafts = DraftRegistry::sharedInstance() != nullptr;
    Account* account = m_outline->selectedAccount();
    const bool hasBlog = newDraftBlog() != nullptr;
    action(QStringLiteral("new"))->setEnabled(drafts && hasBlog);
    action(QStringLiteral("new-page"))
        ->setEnabled(drafts && hasBlog && account && account->supportsPages());
    action(QStringLiteral("refresh"))->setEnabled(account != nullptr);
    action(QStringLiteral("retrieve-pages"))->setEnabled(account && account->supportsPages());
    action(QStringLiteral("settings"))->setEnabled(account != nullptr);
    const bool selected = m_pane->hasSelection();
    action(QStringLiteral("post-publish"))->setEnabled(selected);
    action(QStringLiteral("delete"))->setEnabled(selected);
    action(QStringLiteral("open"))->setEnabled(drafts && selected);
    action(QStringLiteral("copy-permalink"))->setEnabled(m_pane->canCopyPermalink());
    action(QStringLiteral("preview-draft"))
        ->setEnabled(drafts && DraftRegistry::sharedInstance()->frontDraft() != nullptr);
    m_toolbarController->validateVisibleItems();
}

Blog* BlogController::selectedBlog() const
{
    return m_outline->selectedBlog();
}

QList<Entry*> BlogController::selectedEntries() const
{
    return m_pane->selectedEntries();
}

EntryArrayController* BlogController::arrangedEntries() const
{
    return m_pane->arranged();
}

void BlogController::previewDraft()
{
    if (DraftRegistry* drafts = DraftRegistry::sharedInstance())
        m_previewWindow->preview(drafts->frontDraft());
}

bool BlogController::previewVisible() const
{
    return m_previewWindow->isVisible();
}

void BlogController::start()
{
    const QByteArray geometry = m_defaults.data(QString::fromLatin1(geometryKey));
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    show();
    m_sidebar->restoreFromPrefs();
    restoreSplit();
    m_outline->awake();
    m_outline->selectionDidChange();
}

void BlogController::selectionChanged(Account* account, const QList<Blog*>& blogs)
{
    m_entries->setBlogs(blogs);
    validateActions();
    emit selectedAccountChanged(account);
}

void BlogController::retrieveEntries()
{
    m_outline->selectionDidChange(AccountArrayController::Fetch::ForcedPosts);
}

void BlogController::retrievePages()
{
    m_outline->selectionDidChange(AccountArrayController::Fetch::Pages);
}

void BlogController::entryViewer()
{
    show();
    raise();
    activateWindow();
}

void BlogController::showSettings()
{
    if (m_showBlogSettings)
        m_showBlogSettings(selectedBlog());
}

void BlogController::showAccountManager()
{
    if (m_showAccounts)
        m_showAccounts();
}

QList<QUrl> BlogController::selectionURLs() const
{
    QList<QUrl> urls;
    const auto add = [&urls](const QString& text) {
        if (text.isEmpty())
            return;
        const QUrl url = rv::escapedURL(text, QStringLiteral("#%"));
        if (url.isValid() && !url.isEmpty())
            urls.append(url);
    };
    // Selected entries decide alone, even when none of them has an address.
    const QList<Entry*> entries = selectedEntries();
    if (!entries.isEmpty()) {
        for (Entry* entry : entries)
            add(entry->permaLink());
        return urls;
    }
    if (Blog* blog = selectedBlog()) {
        add(blog->url());
    } else if (Account* account = m_outline->selectedAccount()) {
        for (const auto& b : account->blogs())
            add(b->url());
    }
    return urls;
}

void BlogController::viewInBrowser()
{
    const QList<QUrl> urls = selectionURLs();
    if (urls.isEmpty()) {
        auto* alert =
            new AlertBox(QMessageBox::Warning, localized("AppControl", "Cannot view in browser"),
                         localized("AppControl", "Cannot view in browser"), QMessageBox::Ok, this);
        alert->setInformativeText(
            localized("AppControl", "The selection contains no valid URL addresses."));
        alert->setWindowModality(Qt::WindowModal);
        alert->setAttribute(Qt::WA_DeleteOnClose);
        alert->open();
        return;
    }
    if (m_openURLs) {
        m_openURLs(urls);
        return;
    }
    for (const QUrl& url : urls)
        DesktopLinks::open(url, this);
}

Blog* BlogController::newDraftBlog() const
{
    if (Blog* blog = selectedBlog())
        return blog;
    // An account row stands for its first blog.
    Account* account = m_outline->selectedAccount();
    return account && !account->blogs().isEmpty() ? account->blogs().first().get() : nullptr;
}

void BlogController::newDraft(int tag)
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    if (!drafts)
        return;
    Blog* blog = newDraftBlog();
    if (!blog)
        return;
    EntryPtr entry = Entry::create();
    entry->setTitle(NewDraft::nextUntitledTitle());
    entry->setFlag(NewDraft::flagFor(blog->publishOption(), tag == 1));
    blog->addEntry(entry);
    entry->setIsNew(true);
    drafts->openDrafts({entry.get()});
}

void BlogController::newDraft(const EntryPtr& prepared)
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    if (!drafts || !prepared)
        return;
    Blog* blog = newDraftBlog();
    if (!blog)
        return;
    NewDraft::renew(*prepared);
    // A page stays a page (stationery saved from one, say).
    prepared->setFlag(
        NewDraft::flagFor(blog->publishOption(), (prepared->flag() & Entry::IsPage) != 0));
    blog->addEntry(prepared);
    prepared->setIsNew(true);
    drafts->openDrafts({prepared.get()});
}

BlogChooser* BlogController::blogChooser() const
{
    return m_chooser;
}

void BlogController::chooseBlogForNewDraft(std::function<EntryPtr(Blog& blog)> make)
{
    if (!DraftRegistry::sharedInstance() || m_chooser)
        return;
    m_chooser =
        BlogChooser::choose(m_accounts, newDraftBlog(), this, [make = std::move(make)](Blog* blog) {
            DraftRegistry* drafts = DraftRegistry::sharedInstance();
            if (!blog || !drafts)
                return;
            const EntryPtr entry = make(*blog);
            if (!entry)
                return;
            entry->setFlag(NewDraft::flagFor(blog->publishOption(), false));
            blog->addEntry(entry);
            entry->setIsNew(true);
            drafts->openDrafts({entry.get()});
        });
}

void BlogController::newDraftWithUrl(const QString& url)
{
    chooseBlogForNewDraft([url](Blog& blog) {
        const TemplatePtr quote = blog.quoteTemplate();
        return QuoteDraft::entryFromUrl(url, quote.get());
    });
}

void BlogController::newDraftWithItem(const QVariantMap& item)
{
    if (!QuoteDraft::entryFromItem(item, nullptr))
        return; // nothing usable: no chooser either
    chooseBlogForNewDraft([item](Blog& blog) {
        const TemplatePtr quote = blog.quoteTemplate();
        return QuoteDraft::entryFromItem(item, quote.get());
    });
}

void BlogController::newDraftWithPasteboard(const QMimeData* data)
{
    if (!data)
        return;
    // Text from outside is data: escaped, or sanitised when it is HTML.
    const QString body = NewDraft::bodyFromMimeData(*data);
    if (body.isEmpty())
        return;
    chooseBlogForNewDraft([body](Blog&) {
        EntryPtr entry = Entry::create();
        entry->setTitle(NewDraft::nextUntitledTitle());
        entry->setBody(body);
        return entry;
    });
}

void BlogController::collapseSubview(bool collapse)
{
    m_splitView->collapseSubview(collapse);
}

void BlogController::restoreSplit()
{
    const QString saved = m_defaults.string(QString::fromLatin1(SplitPositions::defaultsKey));
    const int total = m_splitView->height();
    const auto heights = SplitPositions::restore(saved, total, m_splitView->dividerThickness());
    if (!heights)
        return;
    m_splitView->setSizes({qMax(0, qRound(heights->top)), qRound(heights->bottom)});
}

void BlogController::saveSplit()
{
    if (m_splitView->collapsedMode())
        return;
    const QList<int> sizes = m_splitView->sizes();
    const SplitPositions::Heights heights{double(sizes.value(0)), double(sizes.value(1))};
    m_defaults.setValue(QString::fromLatin1(SplitPositions::defaultsKey),
                        SplitPositions::format(heights, m_splitView->isSubviewCollapsed(1)));
}

void BlogController::cleanUp()
{
    m_outline->detach();
    m_entries->setBlogs({});
    saveSplit();
    const QByteArray sorters = EntrySorting::archive(m_pane->arranged()->sortDescriptors());
    if (!sorters.isEmpty())
        m_defaults.setValue(QString::fromLatin1(EntrySorting::defaultsKey), sorters);
    m_defaults.setValue(QString::fromLatin1(geometryKey), saveGeometry());
    hide();
    NotificationCenter::sharedInstance().removeObserver(this);
}

void BlogController::showMoveFailure(const QString& message)
{
    qCWarning(lcMainWindow).noquote() << message;
    auto* alert =
        new AlertBox(QMessageBox::Warning, localized(table, "Move Entries"),
                     localized(table, "Some entries could not be moved."), QMessageBox::Ok, this);
    alert->setInformativeText(message);
    alert->setWindowModality(Qt::WindowModal);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}
