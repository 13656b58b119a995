#pragma once

#include "Account.h"
#include "Blog.h"
#include "Clock.h"
#include "DraftItemDrop.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class AccountList;
class AccountOutlineModel;
class GradientOutlineView;
class NotificationCenter;
class QDragMoveEvent;
class QModelIndex;
class UserDefaults;

// Runs the main window's outline of accounts and blogs: a selection chooses
// the account and blog(s) whose entries the list shows, fetches that blog's
// posts (or pages, or posts forced, when asked), remembers the row
// ("last_sel_acct") and names the window; opening and closing an account is
// kept in it; busy accounts show a turning wheel; entries dropped on a blog
// move there, and accounts dragged to another place take it.
class AccountArrayController : public QObject {
    Q_OBJECT
public:
    static constexpr int spinnerFrames = 24;
    static constexpr qint64 spinnerInterval = 100;
    static constexpr auto lastSelectionKey = "last_sel_acct";

    // Told after the account has collected the selection's entries
    // (Account::collectEntries) or chosen its blogs for pages
    // (Account::collectPages), with the blogs that are to be fetched, for
    // whoever starts their roads when the account does not.
    struct Fetching {
        std::function<void(Account& account, Blog* blog, bool force, const QList<Blog*>& toFetch)>
            posts;
        std::function<void(Account& account, Blog* blog, const QList<Blog*>& toFetch)> pages;
    };
    enum class Fetch { Plain, ForcedPosts, Pages };

    AccountArrayController(AccountList& accounts, GradientOutlineView* view,
                           QObject* parent = nullptr, UserDefaults* defaults = nullptr,
                           NotificationCenter* center = nullptr, Clock* clock = nullptr);
    ~AccountArrayController() override;

    AccountOutlineModel* model() const { return m_model; }
    GradientOutlineView* view() const { return m_view; }
    void setFetching(Fetching fetching);

    // Opens the accounts stored as open, selects the remembered row and starts
    // following the selection and the notifications. Selections before this
    // are ignored.
    void awake();
    bool isAwake() const { return m_awake; }

    // Lets go of the account list (before it goes, at quit): the outline
    // empties and follows nothing any more.
    void detach();

    // The selection handling: which blog(s) the list follows, the title, the
    // fetch of `fetch`.
    void selectionDidChange(Fetch fetch = Fetch::Plain);

    // The selected row's account (a blog's account for a blog row), or null.
    Account* selectedAccount() const;
    // The selected row when it is a blog, else null.
    Blog* selectedBlog() const;
    // The blog of a blog row, every blog of an account row.
    QList<Blog*> selectedBlogs() const;
    QString windowTitle() const { return m_title; }
    void select(const Account* account);
    void select(const Blog* blog);

    // The visible row of an index and back, counting the open accounts' blogs.
    int visibleRow(const QModelIndex& index) const;
    QModelIndex indexAtVisibleRow(int row) const;
    int visibleRowCount() const;

    // The wheel: the frame shown now and the accounts it turns for.
    int spinnerCounter() const { return m_spinnerCounter; }
    QList<Account*> busyAccounts() const;

signals:
    // The account and blogs the entries list follows changed.
    void selectionChanged(Account* account, const QList<Blog*>& blogs);
    void titleChanged(const QString& title);
    // A line for the window's status bar.
    void statusMessage(const QString& message);
    // Some dropped entries could not move; the sentence names them.
    void moveFailed(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void forceReload(QObject* object);
    // Tells why entries dragged over a blog are refused there.
    void explainRefusal(const QDragMoveEvent& event);
    void entriesRetrieved(QObject* object);
    void accountActive(QObject* object);
    void accountInactive(QObject* object);
    void spinStep();
    QModelIndex selectedRow() const;
    void updateBusyPicture();
    void expandStoredAccounts();
    void itemExpanded(const QModelIndex& index);
    void itemCollapsed(const QModelIndex& index);
    void entriesDropped(Blog* target, const DraftItemDrop::Report& report);
    void restoreSelection();

    AccountList& m_accounts;
    GradientOutlineView* m_view;
    AccountOutlineModel* m_model;
    UserDefaults& m_defaults;
    NotificationCenter& m_center;
    Clock& m_clock;
    Fetching m_fetching;
    bool m_awake = false;

    QPointer<Account> m_selectedAccount;
    QPointer<Blog> m_selectedBlog;
    QList<QPointer<Blog>> m_selectedBlogs;
    QString m_title;
    QString m_refusal; // the one said during the drag under way

    QList<QPointer<Account>> m_busy;
    int m_spinnerCounter = 0;
    std::unique_ptr<Clock::Timer> m_spinTimer;
};
