#include "AccountBusyToken.h"
#include "BlogEntryStore.h"
#include "BlogRoads.h"
#include "DeleteJob.h"
#include "EntryFile.h"
#include "RoadTesting.h"
#include "TestSecretService.h"

#include <QCoreApplication>
#include <QFile>

// Deleting posts and pages through the road: the driver's delete calls over
// XML-RPC, an HTTP DELETE over Atom, the entry and its file gone only when
// the server said so, and every other ending leaving both as they were.
using namespace plumet::test;
Q_DECLARE_METATYPE(TestHttpServer::Response)

class tst_DeleteJob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void deletesPostsAndPages_data();
    void deletesPostsAndPages();
    void refusalsKeepTheEntry_data();
    void refusalsKeepTheEntry();
    void pageThroughADriverWithoutPages();
    void atomDeletesByItsEditAddress_data();
    void atomDeletesByItsEditAddress();
    void atomWithoutEditAddress();
    void hostileServer_data();
    void hostileServer();
    void secondDeletionWaitsForTheRowToGo();
    void entryBeingPublishedIsNotDeleted();
    void waitsForTheAccount();
    void blogGoingAwayStopsTheDeletion();

private:
    EntryPtr addPublishedEntry(Blog& blog, const QString& id, bool page = false);
    QString entryFile(Blog& blog, const QString& id);
    std::shared_ptr<Ending> deleteNow(const EntryPtr& entry);

    plumet::test::TestKeyring m_keyring;
    TestHttpServer* m_server = nullptr;
    ActivityList* m_list = nullptr;
    BlogRoads* m_roads = nullptr;
    QList<QMetaObject::Connection> m_watching;
    std::shared_ptr<Ending> m_lastEnding;
};

void tst_DeleteJob::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    loadDrivers();
}

void tst_DeleteJob::init()
{
    m_server = new TestHttpServer(this);
    QVERIFY(m_server->listen());
    m_list = new ActivityList(this);
    m_list->setRetryInterval(20);
    m_roads = new BlogRoads(*m_list, this);
    m_roads->setTimeOut(5);
    m_roads->setResponseTimeout(std::chrono::milliseconds(3000));
    ServerRoads::setSharedInstance(m_roads);
    connect(m_roads, &BlogRoads::jobCreated, this, [this](Job* job) { m_lastEnding = watch(job); });
}

void tst_DeleteJob::cleanup()
{
    ServerRoads::setSharedInstance(nullptr);
    delete m_roads;
    delete m_list;
    delete m_server;
    m_lastEnding.reset();
}

EntryPtr tst_DeleteJob::addPublishedEntry(Blog& blog, const QString& id, bool page)
{
    auto entry = Entry::create();
    entry->setUniqueID(id);
    entry->setTitle(QStringLiteral("Post %1").arg(id));
    entry->setFlag(page ? Entry::IsPage : 0);
    entry->setEditURI(m_server->url(QStringLiteral("/atom/blog/%1").arg(id)).toString());
    blog.addEntry(entry);
    QString error;
    [&] { QVERIFY2(blog.save(*entry, &error), qPrintable(error)); }();
    return entry;
}

QString tst_DeleteJob::entryFile(Blog& blog, const QString& id)
{
    return blog.store().folder() + QLatin1Char('/') + EntryFile::fileName(id);
}

std::shared_ptr<Ending> tst_DeleteJob::deleteNow(const EntryPtr& entry)
{
    m_lastEnding.reset();
    entry->addFlag(Entry::BeingDeleted); // as the entries list marks it
    if (!entry->deleteFromServer())
        return nullptr;
    auto ending = m_lastEnding;
    [&] { QVERIFY(waitForEnd(ending)); }();
    return ending;
}

void tst_DeleteJob::deletesPostsAndPages_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<bool>("page");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("params");

    const QStringList post{"ignore", "42", "joe", "s3cret &amp; &lt;pässword&gt;", "1"};
    const QStringList page{"1", "joe", "s3cret &amp; &lt;pässword&gt;", "42"};
    for (const char* driver :
         {"Wordpress", "MovableType 4", "TypePad", "MovableType", "MetaWeblog"})
        QTest::addRow("%s post", driver) << driver << false << "blogger.deletePost" << post;
    for (const char* driver : {"Wordpress", "MovableType 4", "TypePad"})
        QTest::addRow("%s page", driver) << driver << true << "wp.deletePage" << page;
}

void tst_DeleteJob::deletesPostsAndPages()
{
    QFETCH(QString, driver);
    QFETCH(bool, page);
    QFETCH(QString, method);
    QFETCH(QStringList, params);

    m_server->enqueue(xmlrpcAnswer(true));
    const BlogSetup setup = makeBlog(driver, m_server->url(QStringLiteral("/xmlrpc.php")));
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"), page);
    const EntryPtr other = addPublishedEntry(*setup.blog, QStringLiteral("43"), page);
    const QString file = entryFile(*setup.blog, QStringLiteral("42"));
    QVERIFY(QFile::exists(file));

    const auto ending = deleteNow(entry);
    QVERIFY(ending);
    QCOMPARE(ending->endings, 1);
    QCOMPARE(ending->state, Job::State::Finished);
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(methodOf(m_server->requests().at(0)), method);
    QCOMPARE(paramsOf(m_server->requests().at(0)), params);
    QCOMPARE(setup.blog->entries(), QList<EntryPtr>{other});
    QVERIFY(!QFile::exists(file));
    QVERIFY(QFile::exists(entryFile(*setup.blog, QStringLiteral("43"))));
    QVERIFY(!setup.account->isCritical());
    QTRY_COMPARE(m_list->count(), 0);
}

void tst_DeleteJob::refusalsKeepTheEntry_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("message");

    QTest::newRow("false") << xmlrpcAnswer(false) << "The server did not delete \"Post 42\".";
    QTest::newRow("fault") << Response::xmlrpcFault(404, QStringLiteral("Invalid post ID."))
                           << "Invalid post ID.";
    QTest::newRow("empty") << Response::empty() << "The server did not return data.";
    QTest::newRow("no value") << Response::ok(
                                     "<?xml version=\"1.0\"?><methodResponse><params></params>"
                                     "</methodResponse>",
                                     "text/xml")
                              << "The response from the server did not contain valid data.";
}

void tst_DeleteJob::refusalsKeepTheEntry()
{
    QFETCH(Response, answer);
    QFETCH(QString, message);

    m_server->enqueue(answer);
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url());
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    const auto ending = deleteNow(entry);
    QVERIFY(ending);
    QCOMPARE(ending->endings, 1);
    QCOMPARE(ending->state, Job::State::Failed);
    QCOMPARE(ending->message, message);
    QCOMPARE(errorRowMessage(*m_list), message);
    QCOMPARE(setup.blog->entries(), QList<EntryPtr>{entry});
    QVERIFY(QFile::exists(entryFile(*setup.blog, QStringLiteral("42"))));
    QVERIFY(!entry->hasFlag(Entry::BeingDeleted));
    QVERIFY(!setup.account->isCritical());
}

void tst_DeleteJob::pageThroughADriverWithoutPages()
{
    const BlogSetup setup = makeBlog(QStringLiteral("MetaWeblog"), m_server->url());
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"), true);
    const auto ending = deleteNow(entry);
    QVERIFY(ending);
    QCOMPARE(ending->state, Job::State::Failed);
    const QString message = QStringLiteral(
        "\"Post 42\" is a page, and this blog system has no pages to delete it from.");
    QCOMPARE(ending->message, message);
    QCOMPARE(errorRowMessage(*m_list), message);
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(setup.blog->entries(), QList<EntryPtr>{entry});
    QVERIFY(!entry->hasFlag(Entry::BeingDeleted));
}

void tst_DeleteJob::atomDeletesByItsEditAddress_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("message");

    QTest::newRow("200, empty") << Response::empty() << true << QString();
    QTest::newRow("204") << Response::withStatus(204) << true << QString();
    QTest::newRow("200 with a text") << Response::ok("Deleted.") << true << QString();
    // Servers that answer a refusal without a word must not read as success.
    QTest::newRow("404, empty") << Response::withStatus(404) << false << QString();
    QTest::newRow("500, empty") << Response::withStatus(500) << false << QString();
    QTest::newRow("405, empty") << Response::withStatus(405) << false
                                << "The server did not delete \"Post 42\" (HTTP status 405).";
    QTest::newRow("409 with a page") << Response::withStatus(409, "<html>Conflict</html>") << false
                                     << "The server did not delete \"Post 42\" (HTTP status 409).";
}

void tst_DeleteJob::atomDeletesByItsEditAddress()
{
    QFETCH(Response, answer);
    QFETCH(bool, deleted);
    QFETCH(QString, message);

    m_server->enqueue(answer);
    const BlogSetup setup = makeBlog(QStringLiteral("Atom 1.0"), m_server->url("/atom"));
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    const auto ending = deleteNow(entry);
    QVERIFY(ending);
    QCOMPARE(ending->endings, 1);
    const TestHttpServer::Request& request = m_server->requests().value(0);
    QCOMPARE(request.method, QByteArray("DELETE"));
    QCOMPARE(request.target, QByteArray("/atom/blog/42"));
    QVERIFY(request.body.isEmpty());
    QVERIFY(request.header("X-WSSE").contains("Username=\"joe\""));
    QCOMPARE(ending->state, deleted ? Job::State::Finished : Job::State::Failed);
    QCOMPARE(setup.blog->entries().isEmpty(), deleted);
    QCOMPARE(QFile::exists(entryFile(*setup.blog, QStringLiteral("42"))), !deleted);
    QVERIFY(!entry->hasFlag(Entry::BeingDeleted) || deleted);
    if (!deleted) {
        QVERIFY(!ending->message.isEmpty());
        if (!message.isEmpty())
            QCOMPARE(ending->message, message);
    }
    QVERIFY(!setup.account->isCritical());
}

void tst_DeleteJob::atomWithoutEditAddress()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Atom 1.0"), m_server->url("/atom"));
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    entry->setEditURI(QString());
    const auto ending = deleteNow(entry);
    QVERIFY(ending);
    QCOMPARE(ending->state, Job::State::Failed);
    QCOMPARE(ending->message,
             QStringLiteral("There is no access point to send DELETE requests to. This blog "
                            "system may not support deleting posts by third party clients."));
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(setup.blog->entries().size(), 1);
}

void tst_DeleteJob::hostileServer_data()
{
    QTest::addColumn<Response>("answer");
    QTest::addColumn<QString>("driver");
    for (const auto kind : Response::allMisbehaviours()) {
        if (kind == Response::Misbehaviour::Trickle || kind == Response::Misbehaviour::TimeOut)
            continue; // bounded by time-outs below; slow, covered once
        QTest::addRow("%s xml-rpc", Response::name(kind))
            << Response::misbehaving(kind) << QStringLiteral("Wordpress");
        if (kind != Response::Misbehaviour::Empty && kind != Response::Misbehaviour::XmlRpcFault)
            QTest::addRow("%s atom", Response::name(kind))
                << Response::misbehaving(kind) << QStringLiteral("Atom 1.0");
    }
    QTest::addRow("time-out") << Response::timeOut() << QStringLiteral("Wordpress");
}

void tst_DeleteJob::hostileServer()
{
    QFETCH(Response, answer);
    QFETCH(QString, driver);

    m_roads->setResponseTimeout(std::chrono::milliseconds(500));
    m_server->enqueue(answer);
    const BlogSetup setup = makeBlog(driver, m_server->url("/xmlrpc"));
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    const auto ending = deleteNow(entry);
    QVERIFY(ending);
    QCOMPARE(ending->endings, 1);
    QCOMPARE(ending->state, Job::State::Failed);
    QVERIFY(!ending->message.isEmpty());
    QCOMPARE(errorRowMessage(*m_list), ending->message);
    QCOMPARE(setup.blog->entries(), QList<EntryPtr>{entry});
    QVERIFY(QFile::exists(entryFile(*setup.blog, QStringLiteral("42"))));
    QVERIFY(!setup.account->isCritical());
}

void tst_DeleteJob::secondDeletionWaitsForTheRowToGo()
{
    m_server->enqueue(xmlrpcAnswer(false));
    m_server->enqueue(xmlrpcAnswer(true));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url());
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    QVERIFY(deleteNow(entry));
    QVERIFY(entry->deleteActivity());
    // The error row stays until the user clears it, and with it the deletion.
    QVERIFY(!entry->deleteFromServer());
    QCOMPARE(m_server->requests().size(), 1);
    m_list->itemAt(0)->stop();
    QTRY_VERIFY(!entry->deleteActivity());
    const auto second = deleteNow(entry);
    QVERIFY(second);
    QCOMPARE(second->state, Job::State::Finished);
    QVERIFY(setup.blog->entries().isEmpty());
}

void tst_DeleteJob::entryBeingPublishedIsNotDeleted()
{
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url());
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    entry->setBeingPublished(true);
    QVERIFY(!entry->deleteFromServer());
    QCOMPARE(m_list->count(), 0);
    QVERIFY(m_server->requests().isEmpty());
}

void tst_DeleteJob::waitsForTheAccount()
{
    m_server->enqueue(xmlrpcAnswer(true));
    const BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url());
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    AccountBusyToken other = AccountBusyToken::take(setup.account.get());
    QVERIFY(other);
    entry->addFlag(Entry::BeingDeleted);
    QVERIFY(entry->deleteFromServer());
    auto ending = m_lastEnding;
    QTest::qWait(100);
    QVERIFY(m_server->requests().isEmpty());
    QCOMPARE(ending->endings, 0);
    other.release();
    QVERIFY(waitForEnd(ending));
    QCOMPARE(ending->state, Job::State::Finished);
    QVERIFY(!setup.account->isCritical());
}

void tst_DeleteJob::blogGoingAwayStopsTheDeletion()
{
    m_server->enqueue(Response::timeOut());
    BlogSetup setup = makeBlog(QStringLiteral("Wordpress"), m_server->url());
    const EntryPtr entry = addPublishedEntry(*setup.blog, QStringLiteral("42"));
    entry->addFlag(Entry::BeingDeleted);
    QVERIFY(entry->deleteFromServer());
    auto ending = m_lastEnding;
    QTRY_COMPARE(m_server->requests().size(), 1);
    setup.account->setBlogs({});
    setup.blog.reset();
    QVERIFY(waitForEnd(ending));
    QCOMPARE(ending->state, Job::State::Cancelled);
    QVERIFY(!entry->hasFlag(Entry::BeingDeleted));
    QVERIFY(!setup.account->isCritical());
    QTRY_COMPARE(m_list->count(), 0);
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_DeleteJob)
#include "tst_deletejob.moc"
