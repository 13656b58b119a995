#include "AccountBusyToken.h"
#include "AccountList.h"
#include "ActivityList.h"
#include "AddonManager.h"
#include "Blog.h"
#include "Category.h"
#include "DownloadJob.h"
#include "Entry.h"
#include "Format.h"
#include "JobRoads.h"
#include "KeyedArchiver.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "PluginBundles.h"
#include "PluginManager.h"
#include "RefreshAccountJob.h"
#include "RoadTesting.h"
#include "StringExtensions.h"
#include "TestHttpServer.h"
#include "TestSecretService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The account refresh and the blog categories road against a scripted server
// that answers as WordPress does, with the real drivers, the real keychain
// and the real activity list; the hostile server fails each phase in turn.
using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

constexpr int JobLimitMs = 20000;

using plumet::test::methodOf;
using plumet::test::xmlrpcAnswer;

QVariantMap categoryItem(int id, const QString& name)
{
    return {{QStringLiteral("categoryId"), id}, {QStringLiteral("categoryName"), name}};
}

// A blog server on loopback that answers the refresh's calls as WordPress
// does; `answers` may be changed between refreshes and `hostile` replaces
// the answer of one method.
struct FakeBlogServer {
    TestHttpServer http;
    QVariantList blogs;
    QVariantMap user{{"userid", "1"}, {"firstname", "Ada"}, {"lastname", ""}, {"nickname", "ada"}};
    QVariantList filters{QVariantMap{{"key", "markdown"}, {"label", "Markdown"}}};
    QHash<QString, QVariantList> categories; // blog id -> its list
    QHash<QString, Response> hostile;        // method -> the answer that breaks it

    FakeBlogServer()
    {
        http.setHandler([this](const TestHttpServer::Request& request) { return answer(request); });
    }
    bool listen()
    {
        if (!http.listen())
            return false;
        // Names as WordPress keeps them, HTML-escaped; the XML layer escapes them again.
        blogs = {QVariantMap{{"blogid", "1"},
                             {"blogName", "Peer &amp; Blog"},
                             {"url", http.url(QStringLiteral("/blog/")).toString()}}};
        categories.insert(QStringLiteral("1"),
                          {categoryItem(1, "Uncategorized"), categoryItem(3, "Tom &amp; Jerry's"),
                           categoryItem(4, "Ünïcode ✓")});
        return true;
    }
    Response answer(const TestHttpServer::Request& request)
    {
        const QString method = methodOf(request);
        if (hostile.contains(method))
            return hostile.value(method);
        if (method == QLatin1String("blogger.getUsersBlogs"))
            return xmlrpcAnswer(blogs);
        if (method == QLatin1String("blogger.getUserInfo"))
            return xmlrpcAnswer(user);
        if (method == QLatin1String("mt.supportedTextFilters"))
            return xmlrpcAnswer(filters);
        if (method == QLatin1String("mt.getCategoryList") ||
            method == QLatin1String("metaWeblog.getCategories")) {
            static const QRegularExpression blogId(QStringLiteral("<string>([^<]*)</string>"));
            const QString id = blogId.match(QString::fromUtf8(request.body)).captured(1);
            return xmlrpcAnswer(categories.value(id));
        }
        if (request.method == "GET")
            return Response::ok("<html><head><meta http-equiv=\"Content-Type\" "
                                "content=\"text/html; charset=utf-8\"></head></html>",
                                "text/html");
        return Response::htmlError(404);
    }
    QStringList methods() const
    {
        QStringList names;
        for (const auto& request : http.requests())
            names << methodOf(request);
        return names;
    }
};

QByteArray archived(const Account& account)
{
    return KeyedArchiver::archivedData(account);
}

} // namespace

class tst_RefreshAccountJob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void refreshMergesOnceAndSecondRefreshChangesNothing();
    void hostilePhases_data();
    void hostilePhases();
    void refusals_data();
    void refusals();
    void busyAccountKeepsItsHolder();
    void downloadNeverTouchesTheBusyFlag();
    void cancelledRefreshEndsAsCancelled();
    void roadTellsHowTheRefreshEnded();
    void removedBlogKeepsItsDrafts();
    void standaloneCategoriesRoad();
    void blogWithItsOwnCategoriesRowIsSkipped();
    void atomPagesCarryTheLoginOnItsOriginAlone();

private:
    AccountPtr makeAccount(const FakeBlogServer& server,
                           const QString& driver = QStringLiteral("Wordpress"));
    // Runs a refresh to its end; the job stays for the test to read.
    RefreshAccountJob* refresh(Account& account, int* saves = nullptr);
    QStringList events() const;

    plumet::test::TestKeyring keyring;
    QTemporaryDir folder;
    PluginManager drivers;
};

void tst_RefreshAccountJob::initTestCase()
{
    QString problem;
    QVERIFY2(keyring.start(&problem), qPrintable(problem));
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    QVERIFY(drivers.pluginForKey(QStringLiteral("Wordpress")));
    Account::setPluginLookup([this](const QString& key) { return drivers.pluginForKey(key); });

    // An event add-on that notes what it hears.
    const QString addons = folder.filePath(QStringLiteral("addons"));
    QDir().mkpath(addons);
    plumet::test::makePluginBundle(
        addons, QStringLiteral("tool.addon"),
        QStringLiteral(PLUMET_FIXTURE_PLUGINS "/libfixture_addon_user.so"),
        QStringLiteral("FakeAddon"));
    AddonManager::sharedInstance().setBuiltInFolder(addons);
    AddonManager::sharedInstance().setUserFolder(QString());
    AddonManager::sharedInstance().loadPlugins();
    QCOMPARE(AddonManager::sharedInstance().pluginKeys(), QStringList{QStringLiteral("Tool")});

    JobRoads::install().setResponseTimeout(1500ms);
    ActivityList::sharedInstance().setRetryInterval(300);
}

void tst_RefreshAccountJob::init()
{
    QCoreApplication::processEvents(); // events of the test before
    qApp->setProperty("fakeAddonEvents", QVariant());
}

AccountPtr tst_RefreshAccountJob::makeAccount(const FakeBlogServer& server, const QString& driver)
{
    AccountPtr account = Account::create();
    account->setTitle(QStringLiteral("Test account"));
    account->setUrl(server.http.url(QStringLiteral("/xmlrpc.php")).toString());
    account->setUsername(QStringLiteral("ada"));
    account->setPassword(QStringLiteral("s3cret & <pässword>"));
    account->setPluginKey(driver);
    return account;
}

RefreshAccountJob* tst_RefreshAccountJob::refresh(Account& account, int* saves)
{
    auto* job = new RefreshAccountJob(&account, this);
    job->setAutoDelete(false);
    job->setResponseTimeout(1500ms);
    job->setSaver([saves](QString*) {
        if (saves)
            ++*saves;
        return true;
    });
    job->start();
    if (!QTest::qWaitFor([job] { return job->isFinished(); }, JobLimitMs))
        qWarning("the refresh did not end");
    return job;
}

QStringList tst_RefreshAccountJob::events() const
{
    QStringList heard;
    for (const QVariant& event : qApp->property("fakeAddonEvents").toList()) {
        const QVariantList fields = event.toList();
        heard << QStringLiteral("%1 %2 %3")
                     .arg(fields.value(0).toString(), fields.value(1).toString(),
                          fields.value(2).toString());
    }
    return heard;
}

void tst_RefreshAccountJob::refreshMergesOnceAndSecondRefreshChangesNothing()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    AccountPtr account = makeAccount(server);
    QList<RefreshAccountJob::Phase> phases;
    int saves = 0;
    {
        auto* job = new RefreshAccountJob(account.get(), this);
        job->setAutoDelete(false);
        job->setSaver([&saves](QString*) { return ++saves > 0; });
        connect(job, &RefreshAccountJob::phaseChanged, this,
                [&phases](RefreshAccountJob::Phase phase) { phases << phase; });
        QVERIFY(!account->isCritical());
        job->start();
        QTRY_VERIFY_WITH_TIMEOUT(job->isFinished(), JobLimitMs);
        QVERIFY2(job->state() == Job::State::Finished,
                 qPrintable(job->error() ? job->error()->message : QString()));
        QVERIFY(job->changedAccount());
        delete job;
    }
    using P = RefreshAccountJob::Phase;
    QCOMPARE(phases, (QList<P>{P::Blogs, P::UserInfo, P::TextFilters, P::Categories, P::Pages,
                               P::Merging, P::Done}));
    QCOMPARE(server.methods(),
             (QStringList{"blogger.getUsersBlogs", "blogger.getUserInfo", "mt.supportedTextFilters",
                          "mt.getCategoryList", "GET /blog/"}));
    // The text filters are asked for with no parameters.
    QVERIFY(!server.http.requests().at(2).body.contains("<param>"));
    QCOMPARE(saves, 1);
    QVERIFY(!account->isCritical());
    QCOMPARE(account->status(), QString());

    QCOMPARE(account->blogs().size(), 1);
    const BlogPtr blog = account->blogs().first();
    QCOMPARE(blog->title(), QStringLiteral("Peer & Blog"));
    QCOMPARE(blog->option(QStringLiteral("convertEntities")), QVariant(false)); // a UTF-8 page
    QCOMPARE(account->userID(), QStringLiteral("1"));
    QCOMPARE(account->users(), std::optional<QVariantMap>(QVariantMap{{"1", "Ada"}}));
    QCOMPARE(account->formats()->size(), 1);
    QCOMPARE(account->formats()->first()->title(), QStringLiteral("Markdown"));
    QStringList names;
    for (const auto& category : blog->categories())
        names << category->title() + QLatin1Char('#') + category->uniqueID();
    QCOMPARE(names, (QStringList{"Tom & Jerry's#3", "Uncategorized#1", "Ünïcode ✓#4"}));
    QTRY_COMPARE(events(), QStringList{QStringLiteral("Tool 1 Test account")});

    // Nothing changed on the server: nothing changes here and nothing is written.
    const QByteArray before = archived(*account);
    RefreshAccountJob* again = refresh(*account, &saves);
    QCOMPARE(again->state(), Job::State::Finished);
    QVERIFY(!again->changedAccount());
    QCOMPARE(saves, 1);
    QCOMPARE(archived(*account), before);
    QCOMPARE(account->blogs().first(), blog);
    delete again;
}

void tst_RefreshAccountJob::hostilePhases_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<Response>("answer");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("message");

    const QString blogs = QStringLiteral("blogger.getUsersBlogs");
    const QString user = QStringLiteral("blogger.getUserInfo");
    const QString filters = QStringLiteral("mt.supportedTextFilters");
    const QString categories = QStringLiteral("mt.getCategoryList");
    const QString noData = QStringLiteral("The server did not return data.");
    const QString fault = QStringLiteral("The hostile server refuses.");
    struct Breakage {
        const char* name;
        Response answer;
    };
    const QList<Breakage> breakages{
        {"time-out", Response::timeOut()},
        {"reset", Response::resetMidAnswer(QByteArray(4096, 'x'))},
        {"HTML 500", Response::htmlError(500)},
        {"empty", Response::empty()},
        {"fault", Response::xmlrpcFault(500, fault)},
    };
    for (const auto& [name, answer] : breakages) {
        const QString kind = QString::fromLatin1(name);
        const QString expected = kind == QLatin1String("empty")   ? noData
                                 : kind == QLatin1String("fault") ? fault
                                                                  : QString();
        QTest::addRow("blogs, %s", name) << blogs << answer << true << expected;
        // The user's name is a nicety: the refresh goes on without it.
        QTest::addRow("user info, %s", name) << user << answer << false << QString();
        // A server that answers the filters with nothing or a fault has none;
        // a broken exchange ends the refresh.
        const bool transport = kind != QLatin1String("empty") && kind != QLatin1String("fault");
        QTest::addRow("text filters, %s", name) << filters << answer << transport << QString();
        QTest::addRow("categories, %s", name) << categories << answer << true << expected;
    }
    QTest::newRow("blogs, no usable blog")
        << blogs << xmlrpcAnswer(QVariantList{QVariantMap{{"blogName", "no id"}}}) << true
        << QStringLiteral("The response from the server did not contain valid data.");
    QTest::newRow("blogs, not a list")
        << blogs << xmlrpcAnswer(QStringLiteral("text")) << true
        << QStringLiteral("The response from the server did not contain valid data.");
    QTest::newRow("categories, not a list")
        << categories << xmlrpcAnswer(7) << true
        << QStringLiteral("The response from the server did not contain valid data: Categories "
                          "must be returned either as an array or a struct.");
}

void tst_RefreshAccountJob::hostilePhases()
{
    QFETCH(QString, method);
    QFETCH(Response, answer);
    QFETCH(bool, fails);
    QFETCH(QString, message);

    FakeBlogServer server;
    QVERIFY(server.listen());
    AccountPtr account = makeAccount(server);
    // What the account held before: a blog under another name, its category,
    // a blog the server no longer lists, no user, no formats.
    auto known = std::make_shared<Blog>();
    known->setUniqueID(QStringLiteral("1"));
    known->setTitle(QStringLiteral("Old name"));
    known->processCategories(QVariantList{QStringLiteral("Old category")});
    auto gone = std::make_shared<Blog>();
    gone->setUniqueID(QStringLiteral("2"));
    gone->setTitle(QStringLiteral("Gone"));
    account->setBlogs({known, gone});
    const QByteArray before = archived(*account);
    server.hostile.insert(method, answer);

    int saves = 0;
    RefreshAccountJob* job = refresh(*account, &saves);
    QVERIFY(!account->isCritical());
    if (fails) {
        QCOMPARE(job->state(), Job::State::Failed);
        const QString got = job->error()->message;
        QVERIFY2(!got.isEmpty() && got != QLatin1String("Unknown error"), qPrintable(got));
        if (!message.isEmpty())
            QCOMPARE(got, message);
        QCOMPARE(archived(*account), before);
        QCOMPARE(account->blogs(), (QList<BlogPtr>{known, gone}));
        QCOMPARE(saves, 0);
        QTest::qWait(50);
        QVERIFY(events().isEmpty());
    } else {
        QVERIFY2(job->state() == Job::State::Finished,
                 qPrintable(job->error() ? job->error()->message : QString()));
        QCOMPARE(account->blogs(), QList<BlogPtr>{known});
        QCOMPARE(known->title(), QStringLiteral("Peer & Blog"));
        QCOMPARE(saves, 1);
        if (method == QLatin1String("blogger.getUserInfo"))
            QVERIFY(account->userID().isEmpty());
        else
            QCOMPARE(account->formats(), std::optional<QList<FormatPtr>>(QList<FormatPtr>()));
        QTRY_COMPARE(events().size(), 1);
    }
    delete job;
}

void tst_RefreshAccountJob::refusals_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("message");
    QTest::newRow("no address") << "url"
                                << "This account has no access point!";
    QTest::newRow("no driver key") << "pluginKey"
                                   << "This account has no plugin defined!";
    QTest::newRow("no user name") << "username"
                                  << "Username and password must be set for this account!";
    QTest::newRow("driver not loaded")
        << "missing"
        << "The plugin for this account type is missing! Please reinstall the \"Nowhere\" plugin.";
}

void tst_RefreshAccountJob::refusals()
{
    QFETCH(QString, field);
    QFETCH(QString, message);
    FakeBlogServer server;
    QVERIFY(server.listen());
    AccountPtr account = makeAccount(server);
    if (field == QLatin1String("url"))
        account->setUrl(QString());
    else if (field == QLatin1String("pluginKey"))
        account->setPluginKey(QString());
    else if (field == QLatin1String("username"))
        account->setUsername(QString());
    else
        account->setPluginKey(QStringLiteral("Nowhere"));
    RefreshAccountJob* job = refresh(*account);
    QCOMPARE(job->state(), Job::State::Failed);
    QCOMPARE(job->error()->message, message);
    QVERIFY(!account->isCritical());
    QVERIFY(server.http.requests().isEmpty());
    delete job;
}

void tst_RefreshAccountJob::busyAccountKeepsItsHolder()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    AccountPtr account = makeAccount(server);
    AccountBusyToken publish = AccountBusyToken::take(account.get());
    QVERIFY(publish);

    QString heard = QStringLiteral("(nothing)");
    QVERIFY(account->updateCache([&heard](const RefreshEnd& end) { heard = end.message; }));
    QTRY_COMPARE(heard, QStringLiteral("This account is busy, please try again later!"));
    // The job that holds the account keeps it, and gives it back itself.
    QVERIFY(account->isCritical());
    QVERIFY(publish.isHeld());
    QVERIFY(server.http.requests().isEmpty());
    publish.release();
    QVERIFY(!account->isCritical());

    heard = QStringLiteral("(nothing)");
    QVERIFY(account->updateCache([&heard](const RefreshEnd& end) { heard = end.message; }));
    QTRY_COMPARE_WITH_TIMEOUT(heard, QString(), JobLimitMs);
}

void tst_RefreshAccountJob::downloadNeverTouchesTheBusyFlag()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    server.hostile.insert(QStringLiteral("GET /missing"), Response::htmlError(404));
    server.hostile.insert(QStringLiteral("GET /empty"), Response::empty());
    server.hostile.insert(QStringLiteral("GET /endless"), Response::endlessChunked());
    // The refresh waits for its categories while the downloads run and fail.
    server.hostile.insert(QStringLiteral("mt.getCategoryList"), Response::timeOut());
    AccountPtr account = makeAccount(server);
    QString refreshEnd = QStringLiteral("(running)");
    QVERIFY(account->updateCache([&refreshEnd](const RefreshEnd& end) {
        QCOMPARE(end.kind, RefreshEnd::Kind::Failed);
        refreshEnd = end.message;
    }));
    RefreshAccountJob* job = JobRoads::install().refreshOf(account.get());
    QVERIFY(job);
    QTRY_COMPARE_WITH_TIMEOUT(job->phase(), RefreshAccountJob::Phase::Categories, JobLimitMs);

    QStringList heard;
    QObject context;
    auto note = [&heard](const QString& text, const QUrl&, const QString& error) {
        heard << (error.isEmpty() ? QStringLiteral("text: ") + text : error);
    };
    QVERIFY(account->downloadFromURL(server.http.url(QStringLiteral("/missing")).toString(),
                                     &context, note));
    QVERIFY(account->downloadFromURL(server.http.url(QStringLiteral("/empty")).toString(), &context,
                                     note));
    QVERIFY(account->downloadFromURL(QString(), &context, note));
    QVERIFY(account->downloadFromURL(server.http.url(QStringLiteral("/page")).toString(), &context,
                                     note));
    const QString endless = server.http.url(QStringLiteral("/endless")).toString();
    QVERIFY(account->downloadFromURL(endless, &context, note));
    QTRY_COMPARE_WITH_TIMEOUT(heard.size(), 5, JobLimitMs);
    // A page is read no further than a page may be.
    QVERIFY(heard.removeOne(QStringLiteral("The answer from \"%1\" is larger than 8 MB, the most "
                                           "plumet accepts for this request, so it was not read "
                                           "[-1103].")
                                .arg(endless)));
    heard.sort();
    QCOMPARE(heard.at(0), QStringLiteral("For some obscure reason a download request could not be "
                                         "made."));
    QCOMPARE(heard.at(1),
             QStringLiteral("The provided url [%1] did not contain data.").arg(account->url()));
    QVERIFY(heard.contains(QStringLiteral("text: <html><head><meta http-equiv=\"Content-Type\" "
                                          "content=\"text/html; charset=utf-8\"></head></html>")));
    // The refresh still holds the account and still ends its own way.
    QVERIFY(account->isCritical());
    QCOMPARE(refreshEnd, QStringLiteral("(running)"));
    QTRY_VERIFY_WITH_TIMEOUT(refreshEnd != QLatin1String("(running)"), JobLimitMs);
    QVERIFY(!refreshEnd.isEmpty()); // the categories timed out
    QVERIFY(!account->isCritical());
}

void tst_RefreshAccountJob::cancelledRefreshEndsAsCancelled()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    server.hostile.insert(QStringLiteral("mt.getCategoryList"), Response::timeOut());
    AccountPtr account = makeAccount(server);
    auto known = std::make_shared<Blog>();
    known->setUniqueID(QStringLiteral("1"));
    known->setTitle(QStringLiteral("Old name"));
    account->setBlogs({known});
    const QByteArray before = archived(*account);

    bool told = false;
    QVERIFY(account->updateCache([&told](const RefreshEnd&) { told = true; }));
    QPointer<RefreshAccountJob> job = JobRoads::install().refreshOf(account.get());
    QVERIFY(job);
    QTRY_COMPARE_WITH_TIMEOUT(job->phase(), RefreshAccountJob::Phase::Categories, JobLimitMs);
    QTRY_VERIFY(server.methods().contains(QStringLiteral("mt.getCategoryList")));
    QVERIFY(account->isCritical());
    QSignalSpy ended(job.data(), &Job::finished);
    account->cancel();
    QCOMPARE(ended.count(), 1);
    QCOMPARE(job->state(), Job::State::Cancelled);
    QVERIFY(!account->isCritical());
    QTest::qWait(100);
    QVERIFY(!told);
    QVERIFY(events().isEmpty());
    QCOMPARE(archived(*account), before);
    QCOMPARE(known->title(), QStringLiteral("Old name"));
    QTRY_VERIFY(!job); // it deletes itself
}

void tst_RefreshAccountJob::roadTellsHowTheRefreshEnded()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    AccountPtr account = makeAccount(server);
    auto gone = std::make_shared<Blog>();
    gone->setUniqueID(QStringLiteral("2"));
    gone->setTitle(QStringLiteral("Closed blog"));
    account->setBlogs({gone});
    auto draft = Entry::create();
    gone->addEntry(draft);
    QVERIFY(gone->save());

    // A success tells where the drafts of a blog that left were kept.
    std::optional<RefreshEnd> heard;
    QVERIFY(account->updateCache([&heard](const RefreshEnd& end) { heard = end; }));
    QTRY_VERIFY_WITH_TIMEOUT(heard, JobLimitMs);
    QCOMPARE(heard->kind, RefreshEnd::Kind::Succeeded);
    QVERIFY2(heard->notice.startsWith(QStringLiteral("\"Closed blog\" is no longer on the server: "
                                                     "1 draft(s) kept in \"")),
             qPrintable(heard->notice));
    QCOMPARE(heard->notice, account->status());

    // A step stopped from below, not through Account::cancel: the caller
    // hears the refresh ended, as Cancelled, with the account given back.
    heard.reset();
    server.hostile.insert(QStringLiteral("blogger.getUsersBlogs"), Response::timeOut());
    const QByteArray before = archived(*account);
    QVERIFY(account->updateCache([&heard](const RefreshEnd& end) { heard = end; }));
    RefreshAccountJob* job = JobRoads::install().refreshOf(account.get());
    QVERIFY(job);
    QTRY_COMPARE(server.methods().count(QStringLiteral("blogger.getUsersBlogs")), 2);
    QList<Job*> steps = job->findChildren<Job*>();
    steps.removeIf([](const Job* step) { return step->isFinished(); });
    QCOMPARE(steps.size(), 1);
    steps.first()->cancel();
    QTRY_VERIFY_WITH_TIMEOUT(heard, JobLimitMs);
    QCOMPARE(heard->kind, RefreshEnd::Kind::Cancelled);
    QVERIFY(!account->isCritical());
    QCOMPARE(archived(*account), before);
}

void tst_RefreshAccountJob::removedBlogKeepsItsDrafts()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    AccountPtr account = makeAccount(server);
    auto gone = std::make_shared<Blog>();
    gone->setUniqueID(QStringLiteral("2"));
    gone->setTitle(QStringLiteral("Closed blog"));
    account->setBlogs({gone});
    auto draft = Entry::create();
    auto other = Entry::create();
    auto published = Entry::create();
    published->setFlag(0);
    for (const auto& entry : {draft, other, published})
        gone->addEntry(entry);
    QVERIFY(gone->save());

    RefreshAccountJob* job = refresh(*account);
    QVERIFY2(job->state() == Job::State::Finished,
             qPrintable(job->error() ? job->error()->message : QString()));
    QCOMPARE(account->blogs().size(), 1);
    QVERIFY(!account->blogForID(QStringLiteral("2")));
    QCOMPARE(job->keptBlogs().size(), 1);
    const KeptBlogFiles kept = job->keptBlogs().first();
    QCOMPARE(kept.drafts, 2);
    QCOMPARE(kept.files, 3);
    QVERIFY(
        kept.folder.startsWith(account->accountDirectory() + QStringLiteral("/Removed blogs/")));
    QVERIFY(kept.folder.endsWith(QStringLiteral(" Closed blog")));
    QCOMPARE(QDir(kept.folder).entryList({QStringLiteral("*.plumet")}, QDir::Files).size(), 3);
    const QString notice = QStringLiteral("\"Closed blog\" is no longer on the server: 2 draft(s) "
                                          "kept in \"%1\".")
                               .arg(kept.folder);
    QCOMPARE(job->status(), notice);
    QCOMPARE(account->status(), notice);
    delete job;
}

void tst_RefreshAccountJob::standaloneCategoriesRoad()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    AccountPtr account = makeAccount(server);
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    blog->setTitle(QStringLiteral("Peer Blog"));
    account->setBlogs({blog});
    QList<QObject*> refreshed;
    QObject observer;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::categoriesRefreshed), &observer,
        [&refreshed](const Notification& n) { refreshed << n.object.data(); });

    // It waits for a busy account without taking it.
    AccountBusyToken other = AccountBusyToken::take(account.get());
    QVERIFY(blog->refreshCategories());
    auto* row = qobject_cast<ActivityItem*>(blog->categoriesActivity());
    QVERIFY(row);
    QCOMPARE(row->status(), QStringLiteral("Retrieving categories for \"Peer Blog\"..."));
    QVERIFY(!blog->refreshCategories()); // one row per blog
    QTRY_COMPARE(row->state(), ActivityItem::State::Waiting);
    other.release();
    QTRY_VERIFY_WITH_TIMEOUT(!blog->categoriesActivity(), JobLimitMs);
    QCOMPARE(server.methods(), QStringList{QStringLiteral("mt.getCategoryList")});
    QCOMPARE(blog->categories().size(), 3);
    QCOMPARE(refreshed, QList<QObject*>{blog.get()});
    QTRY_COMPARE(events(), QStringList{QStringLiteral("Tool 3 Peer Blog")});
    QVERIFY(!account->isCritical());

    // A failure stays in the row until it is cleared; meanwhile nothing starts.
    server.hostile.insert(QStringLiteral("mt.getCategoryList"),
                          Response::xmlrpcFault(403, QStringLiteral("Not yours.")));
    qApp->setProperty("fakeAddonEvents", QVariant());
    QVERIFY(blog->refreshCategories());
    row = qobject_cast<ActivityItem*>(blog->categoriesActivity());
    QTRY_VERIFY_WITH_TIMEOUT(row->isError(), JobLimitMs);
    QCOMPARE(row->errorMessage(), QStringLiteral("Not yours."));
    QVERIFY(!blog->refreshCategories());
    QCOMPARE(blog->categories().size(), 3);
    row->stop();
    QTRY_VERIFY(!blog->categoriesActivity());
    QCOMPARE(refreshed.size(), 1);
    QVERIFY(events().isEmpty());

    // An Atom blog without a categories document has nothing to fetch.
    AccountPtr atom = makeAccount(server, QStringLiteral("Atom 1.0"));
    auto feed = std::make_shared<Blog>();
    feed->setUniqueID(QStringLiteral("f"));
    atom->setBlogs({feed});
    const int requests = server.http.requests().size();
    QVERIFY(feed->refreshCategories());
    QTRY_VERIFY(!feed->categoriesActivity());
    QCOMPARE(server.http.requests().size(), requests);
    QCOMPARE(refreshed.size(), 1);
}

void tst_RefreshAccountJob::blogWithItsOwnCategoriesRowIsSkipped()
{
    FakeBlogServer server;
    QVERIFY(server.listen());
    server.blogs.append(QVariantMap{{"blogid", "2"}, {"blogName", "Second"}});
    server.categories.insert(QStringLiteral("2"), {categoryItem(9, "Second's")});
    AccountPtr account = makeAccount(server);
    auto blog = std::make_shared<Blog>();
    blog->setUniqueID(QStringLiteral("1"));
    blog->setTitle(QStringLiteral("Peer Blog"));
    account->setBlogs({blog});

    AccountBusyToken other = AccountBusyToken::take(account.get());
    QVERIFY(blog->refreshCategories()); // waits for the account
    other.release();
    RefreshAccountJob* job = refresh(*account);
    QCOMPARE(job->state(), Job::State::Finished);
    QStringList asked = server.methods();
    QCOMPARE(asked.count(QStringLiteral("mt.getCategoryList")), 1); // the second blog's only
    // Then the blog's own road runs.
    QTRY_VERIFY_WITH_TIMEOUT(!blog->categoriesActivity(), JobLimitMs);
    QCOMPARE(server.methods().count(QStringLiteral("mt.getCategoryList")), 2);
    QCOMPARE(blog->categories().size(), 3);
    QCOMPARE(account->blogForID(QStringLiteral("2"))->categories().size(), 1);
    delete job;
}

// An Atom server that wants its login for every address: the new blogs' pages
// get it as the service document did, each request a token of its own, while
// a blog whose page lies on another origin is fetched without it.
void tst_RefreshAccountJob::atomPagesCarryTheLoginOnItsOriginAlone()
{
    TestHttpServer atom;
    TestHttpServer elsewhere;
    QVERIFY(atom.listen());
    QVERIFY(elsewhere.listen());
    const QByteArray service =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<service xmlns=\"http://www.w3.org/2007/app\" "
        "xmlns:atom=\"http://www.w3.org/2005/Atom\"><workspace><atom:title>W</atom:title>"
        "<collection href=\"" +
        atom.url(QStringLiteral("/atom/blog")).toEncoded() +
        "\"><atom:title>Here</atom:title></collection>"
        "<collection href=\"" +
        elsewhere.url(QStringLiteral("/other/blog")).toEncoded() +
        "\"><atom:title>Elsewhere</atom:title></collection></workspace></service>";
    const QByteArray page = "<html><head><meta charset=\"utf-8\"></head></html>";
    atom.setHandler([&](const TestHttpServer::Request& request) {
        if (!request.header("X-WSSE").startsWith("UsernameToken Username=\"ada\""))
            return Response::withStatus(401);
        if (request.target == "/atom")
            return Response::ok(service, "application/atomsvc+xml");
        return Response::ok(page, "text/html");
    });
    elsewhere.setHandler([&](const auto&) { return Response::ok(page, "text/html"); });

    AccountPtr account = Account::create();
    account->setUrl(atom.url(QStringLiteral("/atom")).toString());
    account->setUsername(QStringLiteral("ada"));
    account->setPassword(QStringLiteral("s3cret & <pässword>"));
    account->setPluginKey(QStringLiteral("Atom 1.0"));
    std::unique_ptr<RefreshAccountJob> job(refresh(*account));
    QVERIFY2(job->state() == Job::State::Finished,
             qPrintable(job->error() ? job->error()->message : QString()));
    QCOMPARE(account->blogs().size(), 2);

    QStringList targets;
    QSet<QByteArray> tokens;
    for (const auto& request : atom.requests()) {
        targets << QString::fromLatin1(request.target);
        tokens.insert(request.header("X-WSSE"));
        QCOMPARE(request.header("Authorization"), QByteArray(R"(WSSE profile="UsernameToken")"));
    }
    // The service document, then the page of the blog on its origin: no 401 between.
    QCOMPARE(targets, (QStringList{QStringLiteral("/atom"), QStringLiteral("/atom/")}));
    QCOMPARE(tokens.size(), 2);
    QCOMPARE(elsewhere.requests().size(), 1);
    QCOMPARE(elsewhere.requests().first().target, QByteArray("/other/"));
    QVERIFY(elsewhere.requests().first().header("X-WSSE").isEmpty());
    QVERIFY(elsewhere.requests().first().header("Authorization").isEmpty());
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_RefreshAccountJob)
#include "tst_refreshaccountjob.moc"
