#include "AccountList.h"
#include "AtomPubServer.h"
#include "Blog.h"
#include "Category.h"
#include "Entry.h"
#include "Format.h"
#include "JobRoads.h"
#include "KeyedArchiver.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "PageCharset.h"
#include "PluginManager.h"
#include "RefreshAccountJob.h"
#include "TestSecretService.h"
#include "URLUtilities.h"
#include "WordPressServer.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

// The account refresh and the categories road against real servers: a
// WordPress 6.1 with each XML-RPC driver, and the AtomPub server.
namespace {

using namespace std::chrono_literals;
constexpr int JobLimitMs = 60000;

// Thirty categories, some nested, with names that need escaping on the way.
const QStringList seededNames{
    "Tom & Jerry's", "a < b",
    "Café Crème",    "日本語",
    "Ünïcode ✓",     "Quotes \"here\"",
    "Parent One",    "Child 1.1",
    "Child 1.2",     "Grandchild 1.2.1",
    "Parent Two",    "Child 2.1",
    "Child 2.2",     "Child 2.3",
    "News",          "Tech",
    "Travel",        "Linux",
    "Music",         "Books",
    "Films",         "Food",
    "Garden",        "Sport",
    "Science",       "History",
    "Art",           "Photos",
    "Notes",         "Zebra & Co",
};

QString seedScript()
{
    // Children name their parent by index in the list.
    return QStringLiteral(R"PHP(
$names = json_decode(base64_decode('%1'), true);
$parents = ['Child 1.1' => 'Parent One', 'Child 1.2' => 'Parent One',
            'Grandchild 1.2.1' => 'Child 1.2', 'Child 2.1' => 'Parent Two',
            'Child 2.2' => 'Parent Two', 'Child 2.3' => 'Parent Two'];
$ids = [];
foreach ($names as $name) {
    $args = isset($parents[$name]) ? ['parent' => $ids[$parents[$name]]] : [];
    $made = wp_insert_term(wp_slash($name), 'category', $args);
    if (is_wp_error($made)) { echo 'ERROR ', $made->get_error_message(); exit; }
    $ids[$name] = $made['term_id'];
}
echo json_encode($ids);
)PHP")
        .arg(QString::fromLatin1(QJsonDocument::fromVariant(seededNames).toJson().toBase64()));
}

QHash<QString, QString> categoryIds(const Blog& blog)
{
    QHash<QString, QString> ids;
    for (const auto& category : blog.categories())
        ids.insert(category->title(), category->uniqueID());
    return ids;
}

} // namespace

class tst_AccountRefreshPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void wordPressWithEachDriver_data();
    void wordPressWithEachDriver();
    void wordPressPageIsReadAsUtf8();
    void renamedCategoryOnTheServer();
    void standaloneCategories();
    void atomServiceDocument();

private:
    AccountPtr makeAccount(const QString& driver);
    // Runs a refresh that saves into the list's file; answers the job, kept.
    RefreshAccountJob* refresh(Account& account);

    plumet::test::TestKeyring keyring;
    PluginManager drivers;
    WordPressServer* wordpress = nullptr;
    QHash<QString, QString> seeded; // name -> term id
    QTemporaryDir folder;
    AccountList accounts;
    QString accountsFile;
    int saves = 0;
};

void tst_AccountRefreshPeer::initTestCase()
{
    QString problem;
    QVERIFY2(keyring.start(&problem), qPrintable(problem));
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    Account::setPluginLookup([this](const QString& key) { return drivers.pluginForKey(key); });
    JobRoads::install();

    wordpress = new WordPressServer(this);
    QVERIFY2(wordpress->start(), qPrintable(wordpress->problem()));
    QString output;
    QVERIFY2(wordpress->runInWordPress(seedScript(), &output), qPrintable(wordpress->problem()));
    const QVariantMap ids = QJsonDocument::fromJson(output.trimmed().toUtf8()).toVariant().toMap();
    QVERIFY2(ids.size() == seededNames.size(), qPrintable(output));
    for (auto it = ids.cbegin(); it != ids.cend(); ++it)
        seeded.insert(it.key(), it.value().toString());
    seeded.insert(QStringLiteral("Uncategorized"), QStringLiteral("1"));
    accountsFile = folder.filePath(QStringLiteral("accounts.plist"));
}

void tst_AccountRefreshPeer::cleanupTestCase()
{
    delete wordpress;
    wordpress = nullptr;
}

AccountPtr tst_AccountRefreshPeer::makeAccount(const QString& driver)
{
    AccountPtr account = Account::create();
    account->setTitle(QStringLiteral("Peer ") + driver);
    account->setUrl(wordpress->xmlrpcUrl().toString());
    account->setUsername(wordpress->username());
    account->setPassword(wordpress->password());
    account->setPluginKey(driver);
    accounts.insertAccount(account, -1);
    return account;
}

RefreshAccountJob* tst_AccountRefreshPeer::refresh(Account& account)
{
    auto* job = new RefreshAccountJob(&account, this);
    job->setAutoDelete(false);
    job->setSaver([this](QString* error) {
        ++saves;
        return accounts.saveAccounts(accountsFile, error);
    });
    job->start();
    if (!QTest::qWaitFor([job] { return job->isFinished(); }, JobLimitMs))
        qWarning("the refresh did not end");
    return job;
}

void tst_AccountRefreshPeer::wordPressWithEachDriver_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<bool>("hasFormats");
    for (const char* key : {"Wordpress", "MovableType 4", "TypePad", "MovableType"})
        QTest::newRow(key) << QString::fromLatin1(key) << true;
    QTest::newRow("MetaWeblog") << QStringLiteral("MetaWeblog") << false;
}

void tst_AccountRefreshPeer::wordPressWithEachDriver()
{
    QFETCH(QString, driver);
    QFETCH(bool, hasFormats);
    QVERIFY(drivers.pluginForKey(driver));
    AccountPtr account = makeAccount(driver);
    const int savesBefore = saves;

    std::unique_ptr<RefreshAccountJob> job(refresh(*account));
    QVERIFY2(job->state() == Job::State::Finished,
             qPrintable((job->error() ? job->error()->message : QString()) + wordpress->logs()));
    QCOMPARE(saves, savesBefore + 1);
    QVERIFY(!account->isCritical());

    QCOMPARE(account->blogs().size(), 1);
    const BlogPtr blog = account->blogs().first();
    QCOMPARE(blog->title(), wordpress->blogTitle());
    QVERIFY(!blog->uniqueID().isEmpty());
    QCOMPARE(QUrl(blog->url()).host(), wordpress->siteUrl().host());
    QVERIFY(!account->userID().isEmpty());
    QVERIFY(account->users() && account->users()->contains(account->userID()));
    if (hasFormats) // WordPress offers no text filters
        QCOMPARE(account->formats(), std::optional<QList<FormatPtr>>(QList<FormatPtr>()));
    else
        QVERIFY(!account->formats());
    QCOMPARE(categoryIds(*blog), seeded);
    for (const auto& category : blog->categories())
        QVERIFY(category->isCategory() && !category->isTag());

    // Again: nothing changed on the server, so nothing changes here and
    // nothing is written.
    const QDateTime written = QFileInfo(accountsFile).lastModified();
    const QByteArray before = KeyedArchiver::archivedData(*account);
    QTest::qWait(20);
    job.reset(refresh(*account));
    QCOMPARE(job->state(), Job::State::Finished);
    QVERIFY(!job->changedAccount());
    QCOMPARE(saves, savesBefore + 1);
    QCOMPARE(QFileInfo(accountsFile).lastModified(), written);
    QCOMPARE(KeyedArchiver::archivedData(*account), before);
    QCOMPARE(account->blogs().first(), blog);
}

void tst_AccountRefreshPeer::wordPressPageIsReadAsUtf8()
{
    // The site comes without a theme, and so with a blank home page. With the
    // smallest block theme WordPress writes its own page head.
    QString output;
    QVERIFY2(wordpress->runInWordPress(QStringLiteral(R"(
        $folder = get_theme_root() . '/peer-blocks';
        wp_mkdir_p($folder . '/templates');
        file_put_contents($folder . '/style.css', "/*\nTheme Name: Peer Blocks\n*/\n");
        file_put_contents($folder . '/templates/index.html', "<!-- wp:post-title /-->\n");
        update_option('template', 'peer-blocks');
        update_option('stylesheet', 'peer-blocks');
        echo get_option('stylesheet');
    )"),
                                       &output),
             qPrintable(wordpress->problem()));
    QCOMPARE(output.trimmed(), QStringLiteral("peer-blocks"));

    // The page itself, head and header each on its own: both say UTF-8.
    std::optional<URLUtilities::Page> page;
    QObject context;
    URLUtilities::pageFromURL(wordpress->siteUrl(), &context,
                              [&page](const URLUtilities::Page& fetched) { page = fetched; });
    QTRY_VERIFY_WITH_TIMEOUT(page.has_value(), JobLimitMs);
    QCOMPARE(page->status, std::optional<int>(200));
    QVERIFY2(page->text.contains(QLatin1String("<meta charset=\"UTF-8\" />")),
             qPrintable(page->text.left(400)));
    // What the refresh read before: the page never says "charset=utf".
    QVERIFY(!page->text.contains(QLatin1String("charset=utf"), Qt::CaseInsensitive));
    QCOMPARE(PageCharset::fromPage(page->text).value_or(QString()).toLower(), u"utf-8");
    QCOMPARE(
        PageCharset::declaredCharset(page->contentType, page->text).value_or(QString()).toLower(),
        u"utf-8");

    // A new blog found by a refresh keeps sending its characters as they are.
    AccountPtr account = makeAccount(QStringLiteral("Wordpress"));
    std::unique_ptr<RefreshAccountJob> job(refresh(*account));
    QCOMPARE(job->state(), Job::State::Finished);
    QCOMPARE(account->blogs().size(), 1);
    const BlogPtr blog = account->blogs().first();
    QCOMPARE(blog->option(QStringLiteral("convertEntities")), QVariant(false));
}

void tst_AccountRefreshPeer::renamedCategoryOnTheServer()
{
    AccountPtr account = makeAccount(QStringLiteral("Wordpress"));
    std::unique_ptr<RefreshAccountJob> job(refresh(*account));
    QCOMPARE(job->state(), Job::State::Finished);
    const QString id = seeded.value(QStringLiteral("Tech"));
    // A post that chose the category, and one holding its own copy of it.
    Blog& blog = *account->blogs().first();
    const CategoryPtr tech = blog.hasCategoryWithName(QStringLiteral("Tech"));
    QVERIFY(tech);
    auto sharing = Entry::create();
    sharing->setCategories(CategoryList{tech});
    auto own = Entry::create();
    own->setCategories(CategoryList{tech->copy()});
    blog.addEntry(sharing);
    blog.addEntry(own);
    QVERIFY2(wordpress->runInWordPress(
                 QStringLiteral("wp_update_term(%1, 'category', ['name' => 'Tech & Gadgets']);")
                     .arg(id)),
             qPrintable(wordpress->problem()));

    job.reset(refresh(*account));
    QCOMPARE(job->state(), Job::State::Finished);
    QVERIFY(job->changedAccount());
    const QHash<QString, QString> ids = categoryIds(*account->blogs().first());
    QVERIFY(!ids.contains(QStringLiteral("Tech")));
    QCOMPARE(ids.value(QStringLiteral("Tech & Gadgets")), id);
    QCOMPARE(ids.size(), seeded.size());
    // The record kept its place, and the posts send the new name.
    QCOMPARE(blog.hasCategoryWithName(QStringLiteral("Tech & Gadgets")), tech);
    QCOMPARE(sharing->categories()->first()->title(), QStringLiteral("Tech & Gadgets"));
    QCOMPARE(own->categories()->first()->title(), QStringLiteral("Tech & Gadgets"));

    QVERIFY(wordpress->runInWordPress(
        QStringLiteral("wp_update_term(%1, 'category', ['name' => 'Tech']);").arg(id)));
}

void tst_AccountRefreshPeer::standaloneCategories()
{
    AccountPtr account = makeAccount(QStringLiteral("MovableType"));
    std::unique_ptr<RefreshAccountJob> job(refresh(*account));
    QCOMPARE(job->state(), Job::State::Finished);
    const BlogPtr blog = account->blogs().first();
    blog->setCategories(CategoryList{});
    bool refreshed = false;
    QObject observer;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::categoriesRefreshed), &observer,
        [&refreshed](const Notification&) { refreshed = true; }, blog.get());
    QVERIFY(blog->refreshCategories());
    QTRY_VERIFY_WITH_TIMEOUT(!blog->categoriesActivity(), JobLimitMs);
    QVERIFY(refreshed);
    QCOMPARE(categoryIds(*blog), seeded);
}

void tst_AccountRefreshPeer::atomServiceDocument()
{
    AtomPubServer atom;
    QVERIFY2(atom.start(), qPrintable(atom.problem()));
    AccountPtr account = Account::create();
    account->setTitle(QStringLiteral("Atom"));
    account->setUrl(atom.serviceUrl().toString());
    account->setUsername(atom.username());
    account->setPassword(atom.password());
    account->setPluginKey(QStringLiteral("Atom 1.0"));
    accounts.insertAccount(account, -1);

    std::unique_ptr<RefreshAccountJob> job(refresh(*account));
    QVERIFY2(job->state() == Job::State::Finished,
             qPrintable((job->error() ? job->error()->message : QString()) + atom.logs()));
    // The service document lists two collections: the blog and its media.
    QCOMPARE(account->blogs().size(), 2);
    const BlogPtr blog = account->blogForID(atom.blogTitle());
    QVERIFY(blog);
    QCOMPARE(blog->services().value("service.post").toString(), atom.collectionUrl().toString());
    QCOMPARE(blog->services().value("service.categories").toString(),
             atom.categoriesUrl().toString());
    // No user information, text filters or categories: the service document
    // is the one request to the server, besides the new blogs' pages, which
    // go with the login as it did (no 401 round trip, no replayed nonce).
    QVERIFY(account->userID().isEmpty());
    QVERIFY(!account->formats());
    QStringList requests = atom.logs().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    requests.removeIf([](const QString& line) { return !line.contains(QLatin1String(" -> ")); });
    const QString service = QStringLiteral("GET %1 -> 200").arg(atom.serviceUrl().path());
    const QString page = QStringLiteral("GET %1 -> 200").arg(QUrl(blog->url()).path());
    QCOMPARE(requests, (QStringList{service, page, page})); // the two blogs share one address

    // The blog's own categories road reads the categories document.
    QVERIFY(blog->refreshCategories());
    QTRY_VERIFY_WITH_TIMEOUT(!blog->categoriesActivity(), JobLimitMs);
    QVERIFY2(atom.logs().contains(atom.categoriesUrl().path()), qPrintable(atom.logs()));
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_AccountRefreshPeer)
#include "tst_accountrefreshpeer.moc"
