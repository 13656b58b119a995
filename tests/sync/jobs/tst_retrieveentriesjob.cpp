#include "AccountBusyToken.h"
#include "AddonManager.h"
#include "BlogEntryStore.h"
#include "BlogRoads.h"
#include "Category.h"
#include "EntryCategoriesJob.h"
#include "EntryFile.h"
#include "ModelNotifications.h"
#include "NotificationCenter.h"
#include "RetrieveEntriesJob.h"
#include "RoadTesting.h"
#include "TestSecretService.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

// The posts, pages and per-post categories roads against a scripted server
// that answers as WordPress and an AtomPub server do: what is asked, what is
// merged, what a refresh takes away, and how every road ends once.
using namespace plumet::test;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

QVariantMap serverPost(int id, const QString& title, const QString& author = QStringLiteral("1"))
{
    return {{"postid", QString::number(id)},
            {"title", title},
            {"description", QStringLiteral("<p>%1</p>").arg(title)},
            {"userid", author},
            {"dateCreated", QDateTime(QDate(2024, 5, 1), QTime(10, id % 60), QTimeZone::utc())}};
}

QVariantMap serverPage(int id, const QString& title)
{
    QVariantMap page = serverPost(id, title);
    page.remove("postid");
    page.insert("page_id", id);
    return page;
}

QByteArray atomFeedBody(const QList<int>& ids)
{
    QByteArray feed = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Blog</title>";
    for (int id : ids)
        feed += "<entry><id>tag:peer.invalid,2024:post-" + QByteArray::number(id) +
                "</id><title>Atom " + QByteArray::number(id) +
                "</title><updated>2024-05-01T10:00:00Z</updated>"
                "<link rel=\"edit\" href=\"http://peer.invalid/atom/blog/" +
                QByteArray::number(id) +
                "\"/><content type=\"html\">&lt;p&gt;body&lt;/p&gt;</content></entry>";
    return feed + "</feed>";
}

QStringList ids(const QList<EntryPtr>& entries)
{
    QStringList list;
    for (const EntryPtr& entry : entries)
        list << entry->uniqueID();
    list.sort();
    return list;
}

} // namespace

class tst_RetrieveEntriesJob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void postsIntoAnEmptyBlog();
    void numberOfPostsAsked_data();
    void numberOfPostsAsked();
    void pagesAskForTheirNumberToo();
    void refreshWithoutOldEntries();
    void atomFeed();
    void emptyListTurnsThePostsRoadOff();
    void wrongAnswers_data();
    void wrongAnswers();
    void hostileServer_data();
    void hostileServer();
    void categoriesOfEachPost();
    void categoriesRoadStopsAtTheFirstFailure();
    void pagesOnlyForXmlRpcPageDrivers();
    void collectingStartsTheRoads();
    void blogGoingAwayStopsTheRoad();

private:
    std::shared_ptr<Ending> run(Blog& blog, bool pages = false);

    plumet::test::TestKeyring m_keyring;
    TestHttpServer* m_server = nullptr;
    ActivityList* m_list = nullptr;
    BlogRoads* m_roads = nullptr;
    EventRecorder m_events;
    QList<Job*> m_jobs;
    // Each job's end, watched from its making: a road that follows another
    // may end before the test looks.
    QList<std::shared_ptr<Ending>> m_endings;
    std::function<void(Job*)> m_onJob;
    QVariantList m_posts, m_pages;
    QHash<QString, QVariantList> m_categories;
    QHash<QString, Response> m_hostile;
};

void tst_RetrieveEntriesJob::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    loadDrivers();
    QVERIFY(AddonManager::sharedInstance().registerPlugin(&m_events, QStringLiteral("test")));
}

void tst_RetrieveEntriesJob::init()
{
    m_posts.clear();
    m_pages.clear();
    m_categories.clear();
    m_hostile.clear();
    m_events.events.clear();
    m_jobs.clear();
    m_endings.clear();
    m_onJob = nullptr;
    m_server = new TestHttpServer(this);
    m_server->setHandler([this](const TestHttpServer::Request& request) {
        const QString method = methodOf(request);
        if (m_hostile.contains(method))
            return m_hostile.value(method);
        if (method == QLatin1String("metaWeblog.getRecentPosts"))
            return xmlrpcAnswer(m_posts);
        if (method == QLatin1String("wp.getPages"))
            return xmlrpcAnswer(m_pages);
        if (method == QLatin1String("mt.getPostCategories"))
            return xmlrpcAnswer(m_categories.value(paramsOf(request).value(0)));
        if (request.method == "GET" && request.target.startsWith("/atom/blog"))
            return m_hostile.value(QStringLiteral("Atom feed"),
                                   Response::ok(atomFeedBody({5, 6}), "application/atom+xml"));
        return Response::xmlrpcFault(-32601, QStringLiteral("server error. requested method %1 "
                                                            "does not exist.")
                                                 .arg(method));
    });
    QVERIFY(m_server->listen());
    m_list = new ActivityList(this);
    m_list->setRetryInterval(20);
    m_roads = new BlogRoads(*m_list, this);
    m_roads->setTimeOut(5);
    m_roads->setResponseTimeout(std::chrono::milliseconds(3000));
    m_roads->setCategoryPacing(std::chrono::milliseconds(60));
    connect(m_roads, &BlogRoads::jobCreated, this, [this](Job* job) {
        m_jobs.append(job);
        m_endings.append(watch(job));
        if (m_onJob)
            m_onJob(job);
    });
    ServerRoads::setSharedInstance(m_roads);
}

void tst_RetrieveEntriesJob::cleanup()
{
    ServerRoads::setSharedInstance(nullptr);
    delete m_roads;
    delete m_list;
    delete m_server;
    for (const char* key : {"num_entries", "keep_old_entries", "show_all_entries"})
        UserDefaults::sharedInstance().remove(QString::fromLatin1(key));
}

std::shared_ptr<Ending> tst_RetrieveEntriesJob::run(Blog& blog, bool pages)
{
    const int before = static_cast<int>(m_jobs.size());
    const bool started = pages ? blog.retrievePages() : blog.retrieveEntries();
    if (!started || m_jobs.size() == before)
        return nullptr;
    auto ending = watch(m_jobs.last());
    [&] { QVERIFY(waitForEnd(ending)); }();
    return ending;
}

void tst_RetrieveEntriesJob::postsIntoAnEmptyBlog()
{
    for (int id = 1; id <= 30; ++id)
        m_posts << serverPost(id, QStringLiteral("Post %1").arg(id));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url("/xmlrpc.php"));
    int notices = 0;
    QObject observer;
    NotificationCenter::sharedInstance().observe(
        QString::fromLatin1(ModelNotifications::entriesRetrieved), &observer,
        [&](const Notification&) { ++notices; }, setup.blog.get());

    const auto ending = run(*setup.blog);
    QVERIFY(ending);
    QCOMPARE(ending->endings, 1);
    QCOMPARE(ending->state, Job::State::Finished);
    QCOMPARE(setup.blog->entries().size(), 30);
    const EntryPtr seventh = setup.blog->entryWithID(QStringLiteral("7"));
    QVERIFY(seventh);
    QCOMPARE(seventh->title(), QStringLiteral("Post 7"));
    QCOMPARE(seventh->body(), QStringLiteral("<p>Post 7</p>"));
    QVERIFY(!seventh->hasFlag(Entry::LocalOnly));
    QVERIFY(!setup.account->isCritical());
    QTRY_COMPARE(m_list->count(), 0);
    QVERIFY(!setup.blog->entriesActivity());
    // One batch of new entries, then the road's own notice.
    QCOMPARE(notices, 2);
    QTRY_COMPARE(m_events.events.size(), 1);
    QCOMPARE(m_events.events.at(0).first, 2);
    QCOMPARE(m_events.events.at(0).second.toString(), QStringLiteral("Test Blog"));
    // WordPress sends categories with the posts: no per-post road follows.
    QCOMPARE(m_jobs.size(), 1);
}

void tst_RetrieveEntriesJob::numberOfPostsAsked_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<QString>("asked");
    QTest::newRow("unset") << QVariant() << "20";
    QTest::newRow("0") << QVariant(0) << "20";
    QTest::newRow("negative") << QVariant(-4) << "20";
    QTest::newRow("7") << QVariant(7) << "7";
}

void tst_RetrieveEntriesJob::numberOfPostsAsked()
{
    QFETCH(QVariant, setting);
    QFETCH(QString, asked);
    if (setting.isValid())
        UserDefaults::sharedInstance().setValue(QStringLiteral("num_entries"), setting);
    const BlogSetup setup = makeBlog(QStringLiteral("MetaWeblog"), m_server->url("/xmlrpc"));
    QVERIFY(run(*setup.blog));
    const QStringList params = paramsOf(m_server->requests().at(0));
    QCOMPARE(params.value(3), asked);
    QCOMPARE(params.size(), 4);
}

void tst_RetrieveEntriesJob::pagesAskForTheirNumberToo()
{
    // Without a count WordPress lists ten pages only.
    UserDefaults::sharedInstance().setValue(QStringLiteral("num_entries"), 50);
    for (int id = 100; id < 115; ++id)
        m_pages << serverPage(id, QStringLiteral("Page %1").arg(id));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url("/xmlrpc"));
    const auto ending = run(*setup.blog, true);
    QVERIFY(ending);
    QCOMPARE(ending->state, Job::State::Finished);
    QCOMPARE(methodOf(m_server->requests().at(0)), QStringLiteral("wp.getPages"));
    QCOMPARE(paramsOf(m_server->requests().at(0)),
             (QStringList{"1", "joe", "s3cret &amp; &lt;pässword&gt;", "50"}));
    QCOMPARE(setup.blog->entries().size(), 15);
    for (const EntryPtr& page : setup.blog->entries())
        QCOMPARE(page->flag(), int(Entry::IsPage));
    QTRY_COMPARE(m_events.events.size(), 1);
}

void tst_RetrieveEntriesJob::refreshWithoutOldEntries()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url("/xmlrpc"));
    for (int id = 1; id <= 3; ++id)
        m_posts << serverPost(id, QStringLiteral("Post %1").arg(id));
    m_pages << serverPage(10, QStringLiteral("About"));
    QVERIFY(run(*setup.blog));
    QVERIFY(run(*setup.blog, true));
    QCOMPARE(setup.blog->entries().size(), 4);
    auto draft = Entry::create(); // exists only here
    setup.blog->addEntry(draft);
    setup.blog->entryWithID(QStringLiteral("2"))->addFlag(Entry::ChangedLocally);
    QVERIFY(setup.blog->save());
    QVERIFY(setup.blog->store().flush());

    // Posts 2 and 3 are gone from the server, and the page is not in a post list.
    UserDefaults::sharedInstance().setValue(QStringLiteral("keep_old_entries"), false);
    m_posts = {serverPost(1, QStringLiteral("Post 1"))};
    const QString gone =
        setup.blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(QStringLiteral("3"));
    QVERIFY(QFile::exists(gone));
    QVERIFY(run(*setup.blog));
    QStringList expected{"1", "10", "2", draft->uniqueID()};
    expected.sort();
    QCOMPARE(ids(setup.blog->entries()), expected);
    QVERIFY(!QFile::exists(gone));

    // With the default every entry stays.
    UserDefaults::sharedInstance().remove(QStringLiteral("keep_old_entries"));
    m_pages.clear();
    m_posts.clear();
    m_posts << serverPost(4, QStringLiteral("Post 4"));
    QVERIFY(run(*setup.blog, true));
    QVERIFY(run(*setup.blog));
    expected << QStringLiteral("4");
    expected.sort();
    QCOMPARE(ids(setup.blog->entries()), expected);
}

void tst_RetrieveEntriesJob::atomFeed()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Atom 1.0"), m_server->url("/atom"));
    setup.blog->setServices(QVariantMap{{"service.post", m_server->url("/atom/blog").toString()}});
    const auto ending = run(*setup.blog);
    QVERIFY(ending);
    QCOMPARE(ending->state, Job::State::Finished);
    const TestHttpServer::Request& request = m_server->requests().at(0);
    QCOMPARE(request.target, QByteArray("/atom/blog?max-results=20"));
    QVERIFY(request.header("X-WSSE").contains("Username=\"joe\""));
    QCOMPARE(ids(setup.blog->entries()), (QStringList{"5", "6"}));
    QCOMPARE(setup.blog->entryWithID(QStringLiteral("5"))->editURI(),
             QStringLiteral("http://peer.invalid/atom/blog/5"));
    // Pages are an XML-RPC road.
    QVERIFY(!setup.blog->retrievePages());
}

void tst_RetrieveEntriesJob::emptyListTurnsThePostsRoadOff()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url("/xmlrpc"));
    QVERIFY(run(*setup.blog));
    QVERIFY(setup.blog->hasZeroEntries());
    QVERIFY(!setup.blog->retrieveEntries());
    QCOMPARE(m_server->requests().size(), 1);
}

void tst_RetrieveEntriesJob::wrongAnswers_data()
{
    QTest::addColumn<bool>("pages");
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("message");

    QTest::newRow("posts not an array")
        << false << xmlrpcAnswer(QVariantMap{{"a", 1}})
        << "The response from the server did not contain valid data: Posts must be returned in "
           "an array.";
    QTest::newRow("pages not an array")
        << true << xmlrpcAnswer(QStringLiteral("x"))
        << "The response from the server did not contain valid data: Pages must be returned in "
           "an array.";
    QTest::newRow("fault") << false << Response::xmlrpcFault(403, QStringLiteral("Bad login."))
                           << "Bad login.";
    QTest::newRow("empty") << false << Response::empty() << "The server did not return data.";
}

void tst_RetrieveEntriesJob::wrongAnswers()
{
    QFETCH(bool, pages);
    QFETCH(Response, answer);
    QFETCH(QString, message);

    m_hostile.insert(pages ? QStringLiteral("wp.getPages")
                           : QStringLiteral("metaWeblog.getRecentPosts"),
                     answer);
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url("/xmlrpc"));
    const EntryPtr kept = Entry::create();
    kept->setUniqueID(QStringLiteral("77"));
    kept->setFlag(pages ? Entry::IsPage : 0);
    setup.blog->addEntry(kept);
    UserDefaults::sharedInstance().setValue(QStringLiteral("keep_old_entries"), false);
    const auto ending = run(*setup.blog, pages);
    QVERIFY(ending);
    QCOMPARE(ending->endings, 1);
    QCOMPARE(ending->message, message);
    QCOMPARE(errorRowMessage(*m_list), message);
    QCOMPARE(setup.blog->entries(), QList<EntryPtr>{kept});
    QVERIFY(!setup.account->isCritical());
    // The error row stays until cleared, and with it the road.
    QVERIFY(pages ? !setup.blog->retrievePages() : !setup.blog->retrieveEntries());
    m_list->itemAt(0)->stop();
    QTRY_VERIFY(!(pages ? setup.blog->pagesActivity() : setup.blog->entriesActivity()));
}

void tst_RetrieveEntriesJob::hostileServer_data()
{
    QTest::addColumn<QString>("road");
    QTest::addColumn<Response>("answer");
    for (const char* road : {"posts", "pages", "per-post categories", "Atom posts"}) {
        for (const auto kind : Response::allMisbehaviours()) {
            if (kind == Response::Misbehaviour::Trickle)
                continue;
            QTest::addRow("%s: %s", road, Response::name(kind))
                << QString::fromLatin1(road) << Response::misbehaving(kind);
        }
    }
}

void tst_RetrieveEntriesJob::hostileServer()
{
    QFETCH(QString, road);
    QFETCH(Response, answer);
    const bool pages = road == QLatin1String("pages");
    const bool perPost = road == QLatin1String("per-post categories");
    const bool atom = road == QLatin1String("Atom posts");
    m_roads->setResponseTimeout(std::chrono::milliseconds(500));
    const BlogSetup setup =
        atom ? makeBlog(QStringLiteral("Atom 1.0"), m_server->url("/atom"))
             : makeBlog(perPost ? QStringLiteral("MovableType") : QStringLiteral("Wordpress"),
                        m_server->url("/xmlrpc"));
    if (atom)
        setup.blog->setServices(
            QVariantMap{{"service.post", m_server->url("/atom/blog").toString()}});
    const EntryPtr kept = Entry::create();
    kept->setUniqueID(QStringLiteral("77"));
    kept->setFlag(pages ? Entry::IsPage : 0);
    setup.blog->addEntry(kept);

    std::shared_ptr<Ending> ending;
    if (perPost) {
        // The posts come; the categories of the first one asked do not.
        for (int id = 1; id <= 3; ++id)
            m_posts << serverPost(id, QStringLiteral("Post %1").arg(id));
        m_hostile.insert(QStringLiteral("mt.getPostCategories"), answer);
        QVERIFY(run(*setup.blog));
        QCOMPARE(m_jobs.size(), 2);
        ending = m_endings.at(1);
        QVERIFY(waitForEnd(ending));
    } else {
        m_hostile.insert(atom    ? QStringLiteral("Atom feed")
                         : pages ? QStringLiteral("wp.getPages")
                                 : QStringLiteral("metaWeblog.getRecentPosts"),
                         answer);
        UserDefaults::sharedInstance().setValue(QStringLiteral("keep_old_entries"), false);
        ending = run(*setup.blog, pages);
        QVERIFY(ending);
    }
    QCOMPARE(ending->endings, 1);
    QCOMPARE(ending->state, Job::State::Failed);
    QVERIFY(!ending->message.isEmpty());
    QCOMPARE(errorRowMessage(*m_list), ending->message);
    QVERIFY(!setup.account->isCritical());
    if (perPost) {
        QCOMPARE(setup.blog->entries().size(), 4);
        for (const EntryPtr& post : setup.blog->entries())
            QVERIFY(post->categories().value_or(CategoryList()).isEmpty());
    } else {
        QCOMPARE(setup.blog->entries(), QList<EntryPtr>{kept});
        QVERIFY(m_events.events.isEmpty());
    }
}

void tst_RetrieveEntriesJob::categoriesOfEachPost()
{
    // The per-post road finds the account free: it never waits for a retry.
    m_list->setRetryInterval(10 * 60 * 1000);
    for (int id = 1; id <= 3; ++id) {
        m_posts << serverPost(id, QStringLiteral("Post %1").arg(id));
        m_categories.insert(QString::number(id),
                            {QVariantMap{{"categoryId", QString::number(10 + id)},
                                         {"categoryName", QStringLiteral("Cat &amp; %1").arg(id)},
                                         {"isPrimary", true}}});
    }
    const BlogSetup setup = makeBlog(QStringLiteral("MovableType"), m_server->url("/mt.cgi"));
    QList<double> progress;
    double maximum = 0;
    bool perPost = false;
    m_onJob = [&](Job* job) {
        if (!qobject_cast<EntryCategoriesJob*>(job))
            return;
        perPost = true;
        connect(job, &Job::progressChanged, this, [&](double value, double max) {
            progress << value;
            maximum = max;
        });
    };
    QVERIFY(run(*setup.blog));
    QCOMPARE(m_jobs.size(), 2);
    QVERIFY(perPost);
    // Three requests, a pacing apart: it still runs.
    QVERIFY(setup.blog->entryCategoriesActivity());
    const auto ending = m_endings.at(1);
    QVERIFY(waitForEnd(ending));
    QCOMPARE(ending->state, Job::State::Finished);
    QCOMPARE(progress, (QList<double>{0, 1, 2, 3})); // the maximum is known from the start
    QCOMPARE(maximum, 3.0);
    QCOMPARE(m_server->requests().size(), 4);
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(methodOf(m_server->requests().at(i)), QStringLiteral("mt.getPostCategories"));
        const EntryPtr post =
            setup.blog->entryWithID(paramsOf(m_server->requests().at(i)).value(0));
        QVERIFY(post);
        const CategoryList list = post->categories().value_or(CategoryList());
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.at(0)->title(), QStringLiteral("Cat & %1").arg(post->uniqueID()));
        QVERIFY(list.at(0)->isPrimary());
    }
    QVERIFY(!setup.account->isCritical());
    QTRY_COMPARE(m_list->count(), 0);
}

void tst_RetrieveEntriesJob::categoriesRoadStopsAtTheFirstFailure()
{
    for (int id = 1; id <= 3; ++id)
        m_posts << serverPost(id, QStringLiteral("Post %1").arg(id));
    m_hostile.insert(QStringLiteral("mt.getPostCategories"), xmlrpcAnswer(QStringLiteral("x")));
    const BlogSetup setup = makeBlog(QStringLiteral("MovableType 4"), m_server->url("/mt.cgi"));
    QVERIFY(run(*setup.blog));
    QCOMPARE(m_jobs.size(), 2);
    const auto ending = m_endings.at(1);
    QVERIFY(waitForEnd(ending));
    QCOMPARE(ending->endings, 1);
    QCOMPARE(ending->message,
             QStringLiteral("The response from the server did not contain valid data: Categories "
                            "must be returned as an array."));
    QCOMPARE(m_server->requests().size(), 2);
    QVERIFY(!setup.account->isCritical());
}

void tst_RetrieveEntriesJob::pagesOnlyForXmlRpcPageDrivers()
{
    for (const char* driver : {"MovableType", "MetaWeblog", "Atom 1.0"}) {
        const BlogSetup setup = makeBlog(QString::fromLatin1(driver), m_server->url("/x"));
        QVERIFY2(!setup.blog->retrievePages(), driver);
    }
    QCOMPARE(m_list->count(), 0);
}

void tst_RetrieveEntriesJob::collectingStartsTheRoads()
{
    m_posts << serverPost(1, QStringLiteral("Post 1"));
    m_pages << serverPage(2, QStringLiteral("About"));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url("/xmlrpc"));
    QCOMPARE(setup.account->collectEntries(nullptr, false), QList<Blog*>{setup.blog.get()});
    QCOMPARE(m_jobs.size(), 1);
    QCOMPARE(setup.account->collectPages(setup.blog.get()), QList<Blog*>{setup.blog.get()});
    QCOMPARE(m_jobs.size(), 2);
    // The pages road waits for the posts road's account.
    QTRY_COMPARE(setup.blog->entries().size(), 2);
    QTRY_COMPARE(m_list->count(), 0);
    // With local entries and no force, nothing is fetched.
    QVERIFY(setup.account->collectEntries(setup.blog.get(), false).isEmpty());
    QCOMPARE(m_jobs.size(), 2);
}

void tst_RetrieveEntriesJob::blogGoingAwayStopsTheRoad()
{
    m_hostile.insert(QStringLiteral("metaWeblog.getRecentPosts"), Response::timeOut());
    BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url("/xmlrpc"));
    QVERIFY(setup.blog->retrieveEntries());
    const auto ending = watch(m_jobs.last());
    QTRY_COMPARE(m_server->requests().size(), 1);
    setup.account->setBlogs({});
    setup.blog.reset();
    QVERIFY(waitForEnd(ending));
    QCOMPARE(ending->state, Job::State::Cancelled);
    QVERIFY(!setup.account->isCritical());
    QTRY_COMPARE(m_list->count(), 0);
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_RetrieveEntriesJob)
#include "tst_retrieveentriesjob.moc"
