#include "Account.h"
#include "AccountArrayController.h"
#include "AccountList.h"
#include "AccountOutlineModel.h"
#include "Blog.h"
#include "Entry.h"
#include "GradientOutlineView.h"
#include "ManualClock.h"
#include "NotificationCenter.h"
#include "RVAccountCell.h"
#include "UserDefaults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using plumet::test::ManualClock;
using Fetch = AccountArrayController::Fetch;

class tst_AccountArrayController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void selectingABlogListsItAndFetchesUnforced();
    void selectingAnAccountTakesAllItsBlogs();
    void retrieveCommandsFetchForcedPostsOrPages();
    void nothingSelected();
    void selectionsBeforeAwakeAreIgnored();
    void lastSelectedRowComesBackExceptTheFirst();
    void expansionIsKeptInTheAccount();
    void collapsingMovesASelectedBlogToItsAccount();
    void spinnerTurnsWhileBusyAndWraps();
    void entriesRetrievedRefreshesTheSelectedAccount();
    void forceReloadKeepsTheSelection();

private:
    std::shared_ptr<Account> addAccount(const QString& title, int blogs, bool expanded = true);
    void make();

    struct Call {
        QString kind;
        Account* account;
        Blog* blog;
        bool operator==(const Call&) const = default;
    };
    QList<Call> m_calls;
    QList<Blog*> m_toFetch;
    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<NotificationCenter> m_center;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<AccountList> m_list;
    std::unique_ptr<GradientOutlineView> m_view;
    std::unique_ptr<AccountArrayController> m_controller;
};

std::shared_ptr<Account> tst_AccountArrayController::addAccount(const QString& title, int blogs,
                                                                bool expanded)
{
    auto account = Account::create();
    account->setTitle(title);
    account->setIsExpanded(expanded);
    for (int i = 0; i < blogs; ++i) {
        auto blog = std::make_shared<Blog>();
        blog->setUniqueID(QStringLiteral("%1").arg(i));
        blog->setTitle(QStringLiteral("%1 blog %2").arg(title).arg(i));
        account->addBlog(blog);
    }
    m_list->insertAccount(account, -1);
    return account;
}

void tst_AccountArrayController::init()
{
    static int n = 0;
    m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("%1.conf").arg(++n)));
    m_center = std::make_unique<NotificationCenter>();
    m_clock = std::make_unique<ManualClock>();
    m_list = std::make_unique<AccountList>();
    m_calls.clear();
}

void tst_AccountArrayController::make()
{
    m_view = std::make_unique<GradientOutlineView>();
    m_controller = std::make_unique<AccountArrayController>(
        *m_list, m_view.get(), nullptr, m_defaults.get(), m_center.get(), m_clock.get());
    m_controller->setFetching(
        {[this](Account& account, Blog* blog, bool force, const QList<Blog*>& toFetch) {
             m_calls.append({force ? QStringLiteral("forced posts") : QStringLiteral("posts"),
                             &account, blog});
             m_toFetch = toFetch;
         },
         [this](Account& account, Blog* blog, const QList<Blog*>& toFetch) {
             m_calls.append({QStringLiteral("pages"), &account, blog});
             m_toFetch = toFetch;
         }});
    m_view->resize(200, 300);
    m_view->show();
}

void tst_AccountArrayController::cleanup()
{
    m_controller.reset();
    m_view.reset();
    m_list.reset();
}

void tst_AccountArrayController::selectingABlogListsItAndFetchesUnforced()
{
    auto account = addAccount(QStringLiteral("Home"), 2);
    make();
    m_controller->awake();
    QSignalSpy selection(m_controller.get(), &AccountArrayController::selectionChanged);
    Blog* blog = account->blogs()[1].get();
    m_controller->select(blog);
    QCOMPARE(selection.size(), 1);
    QCOMPARE(m_controller->selectedBlogs(), QList<Blog*>{blog});
    QCOMPARE(m_controller->selectedAccount(), account.get());
    QCOMPARE(m_controller->windowTitle(), QStringLiteral("Home \u00BB Home blog 1"));
    QCOMPARE(m_calls, (QList<Call>{{QStringLiteral("posts"), account.get(), blog}}));
    QCOMPARE(m_toFetch, QList<Blog*>{blog}); // nothing stored yet: fetched
    QCOMPARE(m_defaults->integer(QStringLiteral("last_sel_acct")), 2);

    // A blog with stored entries lists them and fetches nothing unless forced.
    EntryPtr stored = Entry::create();
    blog->addEntry(stored);
    m_controller->selectionDidChange();
    QCOMPARE(account->entries(), QList<EntryPtr>{stored});
    QVERIFY(m_toFetch.isEmpty());
    m_controller->selectionDidChange(Fetch::ForcedPosts);
    QCOMPARE(m_toFetch, QList<Blog*>{blog});
    QCOMPARE(account->entries(), QList<EntryPtr>{stored});
}

void tst_AccountArrayController::selectingAnAccountTakesAllItsBlogs()
{
    auto account = addAccount(QStringLiteral("Three"), 3);
    make();
    m_controller->awake();
    m_controller->select(account.get());
    QCOMPARE(m_controller->selectedBlogs().size(), 3);
    QCOMPARE(m_controller->windowTitle(), QStringLiteral("Three"));
    QCOMPARE(m_calls, (QList<Call>{{QStringLiteral("posts"), account.get(), nullptr}}));
}

void tst_AccountArrayController::retrieveCommandsFetchForcedPostsOrPages()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    make();
    m_controller->awake();
    Blog* blog = account->blogs()[0].get();
    m_controller->select(blog);
    m_calls.clear();
    m_controller->selectionDidChange(Fetch::ForcedPosts);
    m_controller->selectionDidChange(Fetch::Pages);
    m_controller->select(account.get());
    m_controller->selectionDidChange(Fetch::Pages);
    QCOMPARE(m_calls, (QList<Call>{{QStringLiteral("forced posts"), account.get(), blog},
                                   {QStringLiteral("pages"), account.get(), blog},
                                   {QStringLiteral("posts"), account.get(), nullptr},
                                   {QStringLiteral("pages"), account.get(), nullptr}}));
}

void tst_AccountArrayController::nothingSelected()
{
    addAccount(QStringLiteral("Home"), 1);
    make();
    m_controller->awake();
    QSignalSpy title(m_controller.get(), &AccountArrayController::titleChanged);
    m_controller->selectionDidChange(Fetch::ForcedPosts);
    QCOMPARE(title.size(), 1);
    QCOMPARE(m_controller->windowTitle(), QStringLiteral("plumet"));
    QVERIFY(m_controller->selectedBlogs().isEmpty());
    QVERIFY(m_calls.isEmpty());
}

void tst_AccountArrayController::selectionsBeforeAwakeAreIgnored()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    make();
    QSignalSpy selection(m_controller.get(), &AccountArrayController::selectionChanged);
    m_controller->select(account.get());
    m_controller->selectionDidChange();
    QCOMPARE(selection.size(), 0);
    QVERIFY(m_calls.isEmpty());
}

void tst_AccountArrayController::lastSelectedRowComesBackExceptTheFirst()
{
    auto first = addAccount(QStringLiteral("First"), 2);
    addAccount(QStringLiteral("Second"), 1);
    m_defaults->setValue(QStringLiteral("last_sel_acct"), 2);
    make();
    m_controller->awake();
    QCOMPARE(m_controller->selectedBlog(), first->blogs()[1].get());
    cleanup();

    m_list = std::make_unique<AccountList>();
    addAccount(QStringLiteral("Only"), 1);
    m_defaults->setValue(QStringLiteral("last_sel_acct"), 0);
    make();
    m_controller->awake();
    QVERIFY(!m_controller->selectedAccount());
    cleanup();

    m_list = std::make_unique<AccountList>();
    addAccount(QStringLiteral("Only"), 1);
    m_defaults->setValue(QStringLiteral("last_sel_acct"), 2); // past the last row
    make();
    m_controller->awake();
    QVERIFY(!m_controller->selectedAccount());
}

void tst_AccountArrayController::expansionIsKeptInTheAccount()
{
    auto open = addAccount(QStringLiteral("Open"), 2, true);
    auto closed = addAccount(QStringLiteral("Closed"), 2, false);
    make();
    m_controller->awake();
    QVERIFY(m_view->isExpanded(m_controller->model()->indexOf(open.get())));
    QVERIFY(!m_view->isExpanded(m_controller->model()->indexOf(closed.get())));
    QCOMPARE(m_controller->visibleRowCount(), 4);
    m_view->expand(m_controller->model()->indexOf(closed.get()));
    QVERIFY(closed->isExpanded());
    m_view->collapse(m_controller->model()->indexOf(open.get()));
    QVERIFY(!open->isExpanded());
}

void tst_AccountArrayController::collapsingMovesASelectedBlogToItsAccount()
{
    auto account = addAccount(QStringLiteral("Home"), 2);
    make();
    m_controller->awake();
    m_controller->select(account->blogs()[1].get());
    m_view->collapse(m_controller->model()->indexOf(account.get()));
    QVERIFY(!m_controller->selectedBlog());
    QCOMPARE(m_controller->selectedAccount(), account.get());
    QCOMPARE(m_controller->windowTitle(), QStringLiteral("Home"));
}

void tst_AccountArrayController::spinnerTurnsWhileBusyAndWraps()
{
    auto account = addAccount(QStringLiteral("Busy"), 1);
    make();
    m_controller->awake();
    QObject::connect(
        account.get(), &ModelRecord::valueChanged, m_center.get(), [&](const QString& key) {
            if (key == QLatin1String("isCritical"))
                m_center->post(account->isCritical() ? QStringLiteral("accountActive")
                                                     : QStringLiteral("accountInactive"),
                               account.get());
        });
    account->setIsCritical(true);
    const QModelIndex row = m_controller->model()->indexOf(account.get());
    QVERIFY(row.data(RVAccountCell::ProgressImageRole).isValid());
    QCOMPARE(m_controller->spinnerCounter(), 1);
    m_clock->advance(100 * 22);
    QCOMPARE(m_controller->spinnerCounter(), 23);
    m_clock->advance(100);
    QCOMPARE(m_controller->spinnerCounter(), 0); // image 0 follows image 23
    account->setIsCritical(false);
    QVERIFY(!row.data(RVAccountCell::ProgressImageRole).isValid());
    m_clock->advance(100); // one last step finds nobody busy and stops
    QCOMPARE(m_clock->pendingCount(), 0);
    QVERIFY(m_controller->busyAccounts().isEmpty());
}

void tst_AccountArrayController::entriesRetrievedRefreshesTheSelectedAccount()
{
    auto account = addAccount(QStringLiteral("Home"), 1);
    auto other = addAccount(QStringLiteral("Other"), 1);
    make();
    m_controller->awake();
    m_controller->select(account->blogs()[0].get());
    m_calls.clear();
    m_center->post(QStringLiteral("entriesRetrieved"), other->blogs()[0].get());
    QVERIFY(m_calls.isEmpty());
    m_center->post(QStringLiteral("entriesRetrieved"), account->blogs()[0].get());
    QCOMPARE(m_calls,
             (QList<Call>{{QStringLiteral("posts"), account.get(), account->blogs()[0].get()}}));
}

void tst_AccountArrayController::forceReloadKeepsTheSelection()
{
    auto account = addAccount(QStringLiteral("Home"), 2);
    make();
    m_controller->awake();
    Blog* blog = account->blogs()[1].get();
    m_controller->select(blog);
    m_center->post(QStringLiteral("forceReload"));
    QCOMPARE(m_controller->selectedBlog(), blog);
    // A reordering rebuilds the outline too.
    addAccount(QStringLiteral("Later"), 1);
    m_list->insertAccount(m_list->accounts().last(), 0);
    QCOMPARE(m_controller->selectedBlog(), blog);
    QCOMPARE(m_controller->windowTitle(), QStringLiteral("Home \u00BB Home blog 1"));
}

QTEST_MAIN(tst_AccountArrayController)
#include "tst_accountarraycontroller.moc"
