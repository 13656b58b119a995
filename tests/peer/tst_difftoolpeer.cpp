#include "Account.h"
#include "AccountArrayController.h"
#include "AccountList.h"
#include "ActivityList.h"
#include "Blog.h"
#include "BlogController.h"
#include "BlogRoads.h"
#include "Entry.h"
#include "EntryListModel.h"
#include "PluginManager.h"
#include "RVDiffArrayController.h"
#include "RVDiffTool.h"
#include "RVDiffWindow.h"
#include "TestSecretService.h"
#include "UserDefaults.h"
#include "WebContentView.h"
#include "WordPressServer.h"

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

// The comparison window against WordPress: a post changed on the server
// behind the client's back shows there after the next refresh, word by
// word, and once the server's copy is accepted the refresh after finds
// nothing more to compare.
class tst_DiffToolPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aPostChangedOnTheServerShowsAfterTheNextRefresh();

private:
    QString php(const QString& code);

    plumet::test::TestKeyring m_keyring;
    WordPressServer* m_wordpress = nullptr;
    QString m_postID;
};

QString tst_DiffToolPeer::php(const QString& code)
{
    QString output;
    if (!m_wordpress->runInWordPress(code, &output))
        qWarning("%s", qPrintable(m_wordpress->problem()));
    return output.trimmed();
}

void tst_DiffToolPeer::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    m_wordpress = new WordPressServer(this);
    QVERIFY2(m_wordpress->start(), qPrintable(m_wordpress->problem()));
    m_postID = php(QStringLiteral(
        "echo wp_insert_post(['post_title' => 'Harbour walk',\n"
        "  'post_content' => '<p>We walked along the old harbour wall at dawn.</p>',\n"
        "  'post_status' => 'publish']);"));
    QVERIFY2(m_postID.toInt() > 0, qPrintable(m_postID));
}

void tst_DiffToolPeer::aPostChangedOnTheServerShowsAfterTheNextRefresh()
{
    ActivityList activities;
    activities.setRetryInterval(20);
    BlogRoads roads(activities);
    ServerRoads::setSharedInstance(&roads);
    UserDefaults::sharedInstance().remove(QStringLiteral("diffIgnoreHTML"));

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

    RVDiffWindow differences(RVDiffTool::sharedInstance());
    BlogController window(accounts);
    window.start();
    window.outline()->select(blog.get());
    auto post = [&]() -> EntryPtr {
        for (const EntryPtr& entry : blog->entries())
            if (entry->uniqueID() == m_postID)
                return entry;
        return {};
    };
    QTRY_VERIFY_WITH_TIMEOUT(post() != nullptr, 120000);
    QTRY_VERIFY_WITH_TIMEOUT(!account->isCritical(), 60000);
    QVERIFY(!RVDiffTool::sharedInstance().contains(post().get()));
    QVERIFY(!differences.isVisible());

    // Someone edits the post on the server.
    QCOMPARE(php(QStringLiteral("wp_update_post(['ID' => %1, 'post_content' =>\n"
                                "  '<p>We walked along the new harbour wall at noon.</p>']);\n"
                                "echo 'edited';")
                     .arg(m_postID)),
             QStringLiteral("edited"));

    window.retrieveEntries();
    QTRY_VERIFY_WITH_TIMEOUT(RVDiffTool::sharedInstance().contains(post().get()), 120000);
    QVERIFY(differences.isVisible());
    QCOMPARE(differences.controller()->selectedEntry(), post());
    QCOMPARE(differences.controller()->currentTab(), int(RVDiffArrayController::MainTab));
    // Our copy keeps its words until the user decides.
    QVERIFY(post()->body().contains(QLatin1String("old harbour")));
    // The page shows the words that changed.
    auto shownMarkup = [&] {
        QString markup;
        bool done = false;
        differences.webView()->page()->toHtml([&](const QString& html) {
            markup = html;
            done = true;
        });
        QTest::qWaitFor([&] { return done; }, 30000);
        return markup;
    };
    QTRY_VERIFY_WITH_TIMEOUT(
        shownMarkup().contains(QLatin1String("<del>dawn</del><ins>noon</ins>")), 30000);
    const QString markup = shownMarkup();
    QVERIFY2(markup.contains(QLatin1String("<del>old</del><ins>new</ins>")), qPrintable(markup));
    QTRY_VERIFY_WITH_TIMEOUT(!account->isCritical(), 60000);

    // The server's copy wins; the next refresh finds the copies alike.
    differences.acceptButton()->click();
    QVERIFY(post()->body().contains(QLatin1String("new harbour wall at noon")));
    QVERIFY(!RVDiffTool::sharedInstance().contains(post().get()));
    QVERIFY(!differences.isVisible());
    QSignalSpy added(&RVDiffTool::sharedInstance(), &RVDiffTool::entryAdded);
    bool refreshed = false;
    connect(account.get(), &ModelRecord::valueChanged, this, [&](const QString& key) {
        if (key == QLatin1String("isCritical") && account->isCritical())
            refreshed = true;
    });
    window.retrieveEntries();
    QTRY_VERIFY_WITH_TIMEOUT(refreshed, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!account->isCritical(), 120000);
    QCOMPARE(added.count(), 0);
    QVERIFY(!differences.isVisible());

    window.cleanUp();
    ServerRoads::setSharedInstance(nullptr);
}

PLUMET_SECRET_SERVICE_WIDGETS_TEST_MAIN(tst_DiffToolPeer)
#include "tst_difftoolpeer.moc"
