#include "Account.h"
#include "AccountArrayController.h"
#include "AccountList.h"
#include "ActivityList.h"
#include "Blog.h"
#include "BlogController.h"
#include "BlogRoads.h"
#include "EntriesPane.h"
#include "Entry.h"
#include "EntryArrayController.h"
#include "EntryDeletion.h"
#include "EntryListModel.h"
#include "EntryPreview.h"
#include "PluginManager.h"
#include "RVEntriesView.h"
#include "RVSplitView.h"
#include "TestSecretService.h"
#include "UserDefaults.h"
#include "WordPressServer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

// The main window against WordPress: selecting a blog lists what the server
// holds, the account spins while the road runs, and Retrieve Pages brings
// the pages; a selected post shows in the preview and is deleted there and
// on the server, and a deletion the server refuses leaves the post usable.
class tst_MainWindowPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void selectingABlogFetchesAndListsItsPosts();
    void deletingAPostOnTheServer();

private:
    QString php(const QString& code);

    plumet::test::TestKeyring m_keyring;
    WordPressServer* m_wordpress = nullptr;
};

QString tst_MainWindowPeer::php(const QString& code)
{
    QString output;
    if (!m_wordpress->runInWordPress(code, &output))
        qWarning("%s", qPrintable(m_wordpress->problem()));
    return output.trimmed();
}

void tst_MainWindowPeer::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    m_wordpress = new WordPressServer(this);
    QVERIFY2(m_wordpress->start(), qPrintable(m_wordpress->problem()));
    const QString seeded = php(QStringLiteral(
        "for ($i = 1; $i <= 5; $i++)\n"
        "  wp_insert_post(['post_title' => \"Window post $i\", 'post_content' => \"<p>$i</p>\",\n"
        "    'post_status' => 'publish']);\n"
        "wp_insert_post(['post_title' => 'Window page', 'post_content' => '<p>page</p>',\n"
        "  'post_status' => 'publish', 'post_type' => 'page']);\n"
        "echo 'seeded';"));
    QCOMPARE(seeded, QStringLiteral("seeded"));
}

void tst_MainWindowPeer::selectingABlogFetchesAndListsItsPosts()
{
    ActivityList activities;
    activities.setRetryInterval(20);
    BlogRoads roads(activities);
    ServerRoads::setSharedInstance(&roads);
    UserDefaults::sharedInstance().setValue(QStringLiteral("num_entries"), 200);

    AccountList accounts;
    auto account = Account::create();
    account->setTitle(QStringLiteral("WordPress"));
    account->setPluginKey(QStringLiteral("Wordpress"));
    account->setUrl(m_wordpress->xmlrpcUrl().toString());
    account->setUsername(m_wordpress->username());
    account->setPassword(m_wordpress->password());
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    blog->setTitle(m_wordpress->blogTitle());
    account->addBlog(blog);
    accounts.insertAccount(account, -1);

    bool wasBusy = false;
    connect(account.get(), &ModelRecord::valueChanged, this, [&](const QString& key) {
        if (key == QLatin1String("isCritical") && account->isCritical())
            wasBusy = true;
    });

    BlogController window(accounts);
    window.start();
    window.outline()->select(blog.get());
    QTRY_VERIFY_WITH_TIMEOUT(window.entryList()->rowCount() >= 5, 120000);
    QStringList titles;
    for (int row = 0; row < window.entryList()->rowCount(); ++row)
        titles << window.entryList()->entryAt(row)->title();
    for (int i = 1; i <= 5; ++i)
        QVERIFY2(titles.contains(QStringLiteral("Window post %1").arg(i)),
                 qPrintable(titles.join(", ")));
    QVERIFY(wasBusy);
    QTRY_VERIFY_WITH_TIMEOUT(!account->isCritical(), 60000);

    // Retrieve Pages: the page joins the blog's entries.
    window.retrievePages();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const EntryPtr& entry : blog->entries())
                if (entry->hasFlag(Entry::IsPage) && entry->title() == QLatin1String("Window page"))
                    return true;
            return false;
        }(),
        120000);
    QTRY_VERIFY_WITH_TIMEOUT(!account->isCritical(), 60000);
    window.cleanUp();
    ServerRoads::setSharedInstance(nullptr);
    UserDefaults::sharedInstance().remove(QStringLiteral("num_entries"));
}

void tst_MainWindowPeer::deletingAPostOnTheServer()
{
    ActivityList activities;
    activities.setRetryInterval(20);
    BlogRoads roads(activities);
    ServerRoads::setSharedInstance(&roads);
    UserDefaults::sharedInstance().setValue(QStringLiteral("num_entries"), 200);

    AccountList accounts;
    auto account = Account::create();
    account->setTitle(QStringLiteral("WordPress"));
    account->setPluginKey(QStringLiteral("Wordpress"));
    account->setUrl(m_wordpress->xmlrpcUrl().toString());
    account->setUsername(m_wordpress->username());
    account->setPassword(m_wordpress->password());
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    blog->setTitle(m_wordpress->blogTitle());
    account->addBlog(blog);
    accounts.insertAccount(account, -1);

    BlogController window(accounts);
    window.resize(900, 700);
    window.start();
    // Room for the whole post below the list, whatever an earlier run kept.
    window.splitView()->setSizes({400, 250});
    window.outline()->select(blog.get());
    const auto find = [&](const QString& title) -> EntryPtr {
        for (const EntryPtr& entry : blog->entries())
            if (entry->title() == title)
                return entry;
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(find(QStringLiteral("Window post 3")), 120000);
    QTRY_VERIFY_WITH_TIMEOUT(!account->isCritical(), 60000);
    const EntryPtr doomed = find(QStringLiteral("Window post 3"));
    const QString id = doomed->uniqueID();
    QCOMPARE(php(QStringLiteral("echo get_post_status(%1);").arg(id)), QStringLiteral("publish"));

    // Selected: the preview shows it as the blog's template renders it.
    EntryArrayController* arranged = window.arrangedEntries();
    window.entriesView()->selectRow(arranged->rowOfEntry(doomed.get()));
    QCOMPARE(window.selectedEntries(), QList<Entry*>{doomed.get()});
    QTRY_COMPARE(window.inlinePreview()->shownEntry(), doomed.get());
    QCOMPARE(window.inlinePreview()->shownMode(), EntryPreview::Mode::Full);

    // Delete, both copies.
    window.action(QStringLiteral("delete"))->trigger();
    QMessageBox* sheet = window.entriesPane()->deletion()->sheet();
    QVERIFY(sheet);
    QAbstractButton* both = nullptr;
    for (QAbstractButton* button : sheet->buttons())
        if (button->text() == QLatin1String("Local and Server Copies"))
            both = button;
    QVERIFY(both);
    both->click();
    QTRY_VERIFY_WITH_TIMEOUT(!find(QStringLiteral("Window post 3")), 60000);
    QVERIFY(window.inlinePreview()->shownEntry() != doomed.get());
    const QString status = php(QStringLiteral("echo get_post_status(%1) ?: 'gone';").arg(id));
    QVERIFY2(status == QLatin1String("trash") || status == QLatin1String("gone"),
             qPrintable(status));

    // A post the server no longer has: it refuses in its own words, and the
    // entry stays, unmarked, to be opened or deleted locally.
    EntryPtr ghost = Entry::create();
    ghost->setUniqueID(QStringLiteral("987654"));
    ghost->setTitle(QStringLiteral("Ghost"));
    ghost->setFlag(0);
    blog->addEntry(ghost);
    QSignalSpy failed(window.entriesPane()->deletion(), &EntryDeletion::failed);
    window.entriesPane()->deletion()->perform({ghost}, EntryDeletion::Choice::LocalAndServer);
    QVERIFY(failed.wait(60000));
    const QString said = failed.first().at(1).toString();
    QVERIFY2(said.contains(QLatin1String("post"), Qt::CaseInsensitive), qPrintable(said));
    QVERIFY(window.entriesPane()->deletion()->alert());
    QVERIFY(window.entriesPane()->deletion()->alert()->informativeText().contains(said));
    QVERIFY(find(QStringLiteral("Ghost")));
    QCOMPARE(ghost->flag(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!account->isCritical(), 60000);

    window.cleanUp();
    ServerRoads::setSharedInstance(nullptr);
    UserDefaults::sharedInstance().remove(QStringLiteral("num_entries"));
}

PLUMET_SECRET_SERVICE_WIDGETS_TEST_MAIN(tst_MainWindowPeer)
#include "tst_mainwindowpeer.moc"
