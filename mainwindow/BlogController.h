#pragma once

#include "Account.h"
#include "Blog.h"
#include "ModelTypes.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>

class AccountArrayController;
class BlogChooser;
class QMimeData;
class AccountList;
class BlogOutlineView;
class EntriesPane;
class EntryArrayController;
class EntryListModel;
class EntryPreview;
class EntryPreviewWindow;
class QAction;
class QToolBar;
class ToolbarController;
class ViewerToolbar;
class RVEntriesView;
class RVSplitView;
class RVSplitterButton;
class UserDefaults;

// The browser window of the program: the accounts and their blogs on the
// side, the selected blog's entries on the right above the preview. It holds
// no data of its own; the selection lives in the outline and the entries
// list. Its commands act on the selected blog or entries: retrieve posts or
// pages, new draft or page, view in the browser, blog settings, accounts.
class BlogController : public QMainWindow {
    Q_OBJECT
public:
    // The side view's defaults keys start with this.
    static constexpr auto sidebarTitle = "Blogs";
    static constexpr auto geometryKey = "mainWindowGeometry";

    explicit BlogController(AccountList& accounts, QWidget* parent = nullptr,
                            UserDefaults* defaults = nullptr);
    ~BlogController() override;

    // The window while it exists.
    static BlogController* sharedInstance();

    AccountArrayController* outline() const { return m_outline; }
    BlogOutlineView* outlineView() const { return m_outlineView; }
    RVEntriesView* entriesView() const { return m_entriesView; }
    EntryListModel* entryList() const { return m_entries; }
    // The entries as the table arranges them, the pane above it, the preview below.
    EntriesPane* entriesPane() const { return m_pane; }
    EntryArrayController* arrangedEntries() const;
    EntryPreview* inlinePreview() const { return m_preview; }
    EntryPreviewWindow* previewWindow() const { return m_previewWindow; }
    RVSplitView* splitView() const { return m_splitView; }
    RVSplitterButton* sidebarButton() const { return m_sidebar; }
    // The toolbar the user can arrange ("viewerToolbar").
    ToolbarController* toolbarController() const { return m_toolbarController; }
    QToolBar* viewerToolbar() const;
    QAction* action(const QString& identifier) const;

    // The selected row when it is a blog.
    Blog* selectedBlog() const;
    QList<Entry*> selectedEntries() const;

    // Shows the window where it was last, with its side view and split,
    // selects the remembered row and lists its entries (fetching what is
    // missing).
    void start();

    // --- commands ---
    void retrieveEntries();
    void retrievePages();
    void entryViewer();
    void showSettings();
    void showAccountManager();
    void viewInBrowser();
    // The front draft's entry in the preview window.
    void previewDraft();
    bool previewVisible() const;
    // A new post (tag 0) or page (tag 1) in the selected blog (an account's
    // first blog), opened in a draft window.
    void newDraft(int tag = 0);
    // A prepared entry handed over by another part, as a new draft there.
    void newDraft(const EntryPtr& prepared);
    // New drafts other programs start; each asks which blog first (the
    // chooser), then opens the draft there. A "plumet3:" address and an item
    // of fields fill the blog's quote template; the clipboard's HTML, else its
    // plain text, is the body as it is. Nothing happens without a draft
    // registry, or for an item or clipboard with nothing usable.
    void newDraftWithUrl(const QString& url);
    void newDraftWithItem(const QVariantMap& item);
    void newDraftWithPasteboard(const QMimeData* data);
    // The blog chooser of such a draft while it asks.
    BlogChooser* blogChooser() const;
    void collapseSubview(bool collapse);
    // At quit: saves the split, the order and the window's place.
    void cleanUp();

    // Enables the commands that can act now (drafts need the draft windows).
    void validateActions();

    // What the accounts command opens (the accounts window, once it exists).
    void setAccountManager(std::function<void()> show) { m_showAccounts = std::move(show); }
    // What Blog Settings opens for the selected blog (the preferences' blog window).
    void setBlogSettingsOpener(std::function<void(Blog*)> show)
    {
        m_showBlogSettings = std::move(show);
    }
    // How addresses are opened (the desktop's browser unless set).
    void setBrowserOpener(std::function<void(const QList<QUrl>&)> open)
    {
        m_openURLs = std::move(open);
    }
    // The addresses the view command opens for the selection now.
    QList<QUrl> selectionURLs() const;

signals:
    void selectedAccountChanged(Account* account);
    // An account was dragged to another place in the outline: the list's
    // order changed and is not saved yet.
    void accountMoved(Account* account);

private:
    void buildToolbar();
    // The blog a new draft goes to: the selected one, or the selected account's first.
    Blog* newDraftBlog() const;
    void selectionChanged(Account* account, const QList<Blog*>& blogs);
    void restoreSplit();
    void saveSplit();
    void showMoveFailure(const QString& message);
    void chooseBlogForNewDraft(std::function<EntryPtr(Blog& blog)> make);

    AccountList& m_accounts;
    UserDefaults& m_defaults;
    BlogOutlineView* m_outlineView = nullptr;
    AccountArrayController* m_outline = nullptr;
    RVEntriesView* m_entriesView = nullptr;
    EntryListModel* m_entries = nullptr;
    RVSplitView* m_splitView = nullptr;
    EntriesPane* m_pane = nullptr;
    EntryPreview* m_preview = nullptr;
    EntryPreviewWindow* m_previewWindow = nullptr;
    RVSplitterButton* m_sidebar = nullptr;
    std::unique_ptr<ViewerToolbar> m_toolbarItems;
    ToolbarController* m_toolbarController = nullptr;
    QHash<QString, QAction*> m_actions;
    std::function<void()> m_showAccounts;
    std::function<void(Blog*)> m_showBlogSettings;
    std::function<void(const QList<QUrl>&)> m_openURLs;
    QPointer<BlogChooser> m_chooser;
};
