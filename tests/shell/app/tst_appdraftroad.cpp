#include "Account.h"
#include "AccountArrayController.h"
#include "AccountController.h"
#include "AccountList.h"
#include "AppControl.h"
#include "AppMenus.h"
#include "Blog.h"
#include "BlogController.h"
#include "Draft.h"
#include "DraftController.h"
#include "Entry.h"
#include "EntryListModel.h"
#include "RVDraftWindow.h"
#include "RVEntriesView.h"
#include "RVTextView.h"
#include "TestSecretService.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

// The draft road through the whole program, as a user takes it: the main
// window opens a post, it is edited and saved, the program quits through its
// own quit road and starts again, and the draft is back where it was.
class tst_AppDraftRoad : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void openEditSaveQuitAndStartAgain();
    void onlyStoredDraftsThatOpenCount_data();
    void onlyStoredDraftsThatOpenCount();

private:
    std::unique_ptr<AppControl> launch();
    Blog* notesBlog() const;

    int m_quits = 0;
    QString m_entryID;
    QString m_accountID;
    QString m_diaryEntryID;
};

void tst_AppDraftRoad::initTestCase()
{
    AppControl::initialize();
    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.setValue(QStringLiteral("draft_option"), 1); // no new draft at start
    defaults.setValue(QStringLiteral("remember_open_drafts"), true);
    defaults.setValue(QStringLiteral("refresh_option"), false);

    // One account with one blog and one stored post, edited in the HTML view.
    auto account = Account::create();
    account->setTitle(QStringLiteral("Home"));
    account->setPluginKey(QStringLiteral("Wordpress"));
    account->setUrl(QStringLiteral("http://127.0.0.1:9/xmlrpc.php"));
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    blog->setTitle(QStringLiteral("Notes"));
    account->addBlog(blog);
    AccountList accounts;
    accounts.insertAccount(account, -1);
    const EntryPtr entry = Entry::create();
    entry->setTitle(QStringLiteral("By the river"));
    entry->setBody(QStringLiteral("<p>As first written.</p>"));
    entry->setEditMode(Draft::SourceMode);
    blog->addEntry(entry);
    QString error;
    QVERIFY2(blog->save(*entry, &error), qPrintable(error));
    // A second blog, whose entries nobody looks at during the launch.
    auto diary = std::make_shared<Blog>();
    diary->setUniqueID(QStringLiteral("2"));
    diary->setTitle(QStringLiteral("Diary"));
    account->addBlog(diary);
    const EntryPtr kept = Entry::create();
    kept->setTitle(QStringLiteral("Kept"));
    kept->setBody(QStringLiteral("<p>Still here.</p>"));
    diary->addEntry(kept);
    QVERIFY2(diary->save(*kept, &error), qPrintable(error));
    QVERIFY2(accounts.saveAccounts(AccountList::defaultPath(), &error), qPrintable(error));
    m_entryID = entry->uniqueID();
    m_accountID = account->accountID();
    m_diaryEntryID = kept->uniqueID();
}

std::unique_ptr<AppControl> tst_AppDraftRoad::launch()
{
    auto control = std::make_unique<AppControl>();
    control->setQuitFunction([this] { ++m_quits; });
    control->setRestartFunction([] { return true; });
    QSignalSpy finished(control.get(), &AppControl::launchFinished);
    control->applicationDidFinishLaunching();
    if (!QTest::qWaitFor([&] { return !finished.isEmpty(); }, 20000))
        return nullptr;
    return control;
}

Blog* tst_AppDraftRoad::notesBlog() const
{
    const QList<AccountPtr> accounts = AccountController::sharedInstance().accounts();
    if (accounts.isEmpty() || accounts.first()->blogs().isEmpty())
        return nullptr;
    return accounts.first()->blogs().first().get();
}

void tst_AppDraftRoad::openEditSaveQuitAndStartAgain()
{
    std::unique_ptr<AppControl> control = launch();
    QVERIFY(control);
    BlogController* window = control->blogController();
    QVERIFY(window);
    Blog* blog = notesBlog();
    QVERIFY(blog);

    // The post is double-clicked in the entries table.
    window->outline()->select(blog);
    QTRY_COMPARE(window->entryList()->rowCount(), 1);
    RVEntriesView* table = window->entriesView();
    table->selectRow(0);
    const QRect row = table->visualRect(table->model()->index(0, 0));
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, row.center());
    DraftController& drafts = DraftController::sharedInstance();
    QTRY_COMPARE(drafts.listOfDrafts().size(), 1);
    Draft* draft = drafts.listOfDrafts().first();
    QCOMPARE(draft->entry()->uniqueID(), m_entryID);
    QCOMPARE(draft->mode(), int(Draft::SourceMode));

    // Edited, saved, the window moved.
    auto* source = dynamic_cast<RVTextView*>(draft->editor(Draft::SourceMode, false));
    QVERIFY(source);
    source->selectAll();
    source->insertPlainText(QStringLiteral("<p>Edited before the restart.</p>"));
    QVERIFY(draft->window()->isWindowModified());
    draft->saveDocument();
    QVERIFY(!draft->window()->isWindowModified());
    draft->window()->move(240, 130);

    // The program's own quit road: the drafts are reviewed, nothing is
    // unsaved, the program may go; then it terminates.
    control->menus()->action(QStringLiteral("quit"))->trigger();
    QTRY_COMPARE(m_quits, 1);
    control->applicationWillTerminate();
    control.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The next start: the draft is open again, on the saved text, where it was.
    control = launch();
    QVERIFY(control);
    QTRY_COMPARE(DraftController::sharedInstance().listOfDrafts().size(), 1);
    Draft* again = DraftController::sharedInstance().listOfDrafts().first();
    QCOMPARE(again->entry()->uniqueID(), m_entryID);
    QCOMPARE(again->entry()->body(), QStringLiteral("<p>Edited before the restart.</p>"));
    auto* reopened = dynamic_cast<RVTextView*>(again->editor(Draft::SourceMode, false));
    QVERIFY(reopened);
    QCOMPARE(reopened->string(), QStringLiteral("<p>Edited before the restart.</p>"));
    QCOMPARE(again->window()->pos(), QPoint(240, 130));
    QVERIFY(!again->window()->isWindowModified());

    control->menus()->action(QStringLiteral("quit"))->trigger();
    QTRY_COMPARE(m_quits, 2);
    control->applicationWillTerminate();
    control.reset();
}

void tst_AppDraftRoad::onlyStoredDraftsThatOpenCount_data()
{
    QTest::addColumn<bool>("storeKept");
    QTest::addColumn<int>("draftOption");
    QTest::addColumn<QString>("expected"); // "kept", "new" or "none"

    // An untitled draft left unsaved at the quit is in the stored list, but
    // its entry is gone: the new draft the user asked for comes all the same.
    QTest::newRow("gone, a new draft at start") << false << 0 << QStringLiteral("new");
    QTest::newRow("gone, no new draft at start") << false << 1 << QStringLiteral("none");
    // A stored draft of a blog the launch does not show opens, and stands for
    // the new draft.
    QTest::newRow("gone and one kept") << true << 0 << QStringLiteral("kept");
}

void tst_AppDraftRoad::onlyStoredDraftsThatOpenCount()
{
    QFETCH(bool, storeKept);
    QFETCH(int, draftOption);
    QFETCH(QString, expected);

    UserDefaults& defaults = UserDefaults::sharedInstance();
    defaults.setValue(QStringLiteral("draft_option"), draftOption);
    const auto cleanup =
        qScopeGuard([&defaults] { defaults.setValue(QStringLiteral("draft_option"), 1); });
    QVariantList stored{
        QVariantMap{{QStringLiteral("account"), m_accountID},
                    {QStringLiteral("entry"), QStringLiteral("gone")},
                    {QStringLiteral("pos"), QStringLiteral("40.000000 40.000000")}}};
    if (storeKept)
        stored.append(QVariantMap{{QStringLiteral("account"), m_accountID},
                                  {QStringLiteral("entry"), m_diaryEntryID},
                                  {QStringLiteral("pos"), QStringLiteral("80.000000 60.000000")}});
    defaults.setValue(QStringLiteral("open_drafts"), stored);

    const int quits = m_quits;
    std::unique_ptr<AppControl> control = launch();
    QVERIFY(control);
    DraftController& drafts = DraftController::sharedInstance();
    if (expected == QLatin1String("none")) {
        QVERIFY(drafts.listOfDrafts().isEmpty());
    } else {
        QCOMPARE(drafts.listOfDrafts().size(), 1);
        const EntryPtr entry = drafts.listOfDrafts().first()->entry();
        if (expected == QLatin1String("kept")) {
            QCOMPARE(entry->uniqueID(), m_diaryEntryID);
            QCOMPARE(entry->body(), QStringLiteral("<p>Still here.</p>"));
        } else {
            QVERIFY(entry->isNew());
            QVERIFY(entry->uniqueID() != m_diaryEntryID && entry->uniqueID() != m_entryID);
        }
    }

    // Nothing is kept for the next start: the drafts go unsaved, then the quit.
    const QList<Draft*> open = drafts.listOfDrafts();
    for (Draft* draft : open)
        drafts.close(draft);
    control->menus()->action(QStringLiteral("quit"))->trigger();
    QTRY_COMPARE(m_quits, quits + 1);
    control->applicationWillTerminate();
    control.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    tst_AppDraftRoad test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appdraftroad.moc"
