#include "ActivityList.h"
#include "AddonManager.h"
#include "Attachment.h"
#include "AttachmentLibrary.h"
#include "AttachmentUploads.h"
#include "BlogEntryStore.h"
#include "Category.h"
#include "DraftRegistry.h"
#include "EntryContent.h"
#include "EntryFile.h"
#include "PropertyList.h"
#include "PublishTesting.h"
#include "ServerRoads.h"
#include "TestHttpServer.h"
#include "TestSecretService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using namespace plumet::test;

// The publishing road against a scripted XML-RPC or Atom server: the phases
// each blog system takes, the answers that are no success, and a server that
// breaks the exchange in every way it can.
namespace {

// The draft windows as a failed publish reaches them: the drafts opened and
// the alerts shown on them.
class FailureDrafts : public DraftRegistry {
public:
    QObject* hasOpenDraft(const Entry* entry) const override
    {
        return opened.contains(entry) ? const_cast<QObject*>(&draft) : nullptr;
    }
    void reloadEntry(QObject*) override {}
    void openDrafts(const QList<Entry*>& entries) override
    {
        for (Entry* entry : entries) {
            opened.append(entry);
            stillPublishing |= entry->beingPublished();
        }
    }
    void openDraftForEntry(Entry*, const QVariant&) override {}
    void saveIfNeeded(std::function<void()> done) override { done(); }
    void handleErrorMessage(QObject* shown, const QString& title, const QString& body) override
    {
        if (shown == &draft)
            alerts.append({title, body});
    }

    QObject draft;
    QList<const Entry*> opened;
    bool stillPublishing = false;
    QList<QPair<QString, QString>> alerts;
};

QByteArray answer(const QByteArray& value)
{
    return "<?xml version=\"1.0\"?>\n<methodResponse><params><param><value>" + value +
           "</value></param></params></methodResponse>";
}

QByteArray storedPost(const QString& id, const QString& title, const QString& body)
{
    return answer("<struct><member><name>postid</name><value><string>" + id.toUtf8() +
                  "</string></value></member><member><name>title</name><value><string>" +
                  title.toHtmlEscaped().toUtf8() +
                  "</string></value></member><member><name>description</name><value><string>" +
                  body.toHtmlEscaped().toUtf8() +
                  "</string></value></member><member><name>dateCreated</name><value>"
                  "<dateTime.iso8601>20240701T12:00:00Z</dateTime.iso8601></value></member>"
                  "<member><name>mt_keywords</name><value><string></string></value></member>"
                  "</struct>");
}

} // namespace

class tst_PublishJob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newPostCostsTwoRequests();
    void separateCategoriesTakeTheirOwnRequests_data();
    void separateCategoriesTakeTheirOwnRequests();
    void anEditAlwaysSendsTheKeywords();
    void falseIsARefusal();
    void aValueNoRequestCanCarryIsNamed();
    void atomCountsOnlyTwoHundreds_data();
    void atomCountsOnlyTwoHundreds();
    void hostileServer_data();
    void hostileServer();
    void failureAfterTheNewPostKeepsTheServerId();
    void attachmentsGoUpFirst();
    void aFailureReopensTheDraftWithTheReason();
    void aPublishIsAnnouncedToEventAddonsWhenAsked();

private:
    EntryPtr newEntry(const QString& driver);
    // The XML-RPC server: answers by method, records the methods asked.
    Response serve(const TestHttpServer::Request& request);

    plumet::test::TestKeyring m_keyring;
    TestHttpServer* m_server = nullptr;
    ActivityList* m_list = nullptr;
    PublishRoad* m_road = nullptr;
    BlogSetup m_setup;
    QStringList m_methods;
    QList<QByteArray> m_bodies;
    QByteArray m_editAnswer;
};

void tst_PublishJob::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    loadDrivers();
}

void tst_PublishJob::init()
{
    m_server = new TestHttpServer(this);
    QVERIFY(m_server->listen());
    m_server->setHandler([this](const TestHttpServer::Request& request) { return serve(request); });
    m_list = new ActivityList(this);
    m_list->setRetryInterval(50);
    m_road = new PublishRoad(*m_list, this);
    ServerRoads::setSharedInstance(m_road);
    m_methods.clear();
    m_bodies.clear();
    m_editAnswer = answer("<boolean>1</boolean>");
}

void tst_PublishJob::cleanup()
{
    ServerRoads::setSharedInstance(nullptr);
    delete m_road;
    delete m_list;
    delete m_server;
    m_setup = {};
}

TestHttpServer::Response tst_PublishJob::serve(const TestHttpServer::Request& request)
{
    const QString method = methodOf(request.body);
    m_methods << method;
    m_bodies << request.body;
    if (method == QLatin1String("metaWeblog.newPost"))
        return Response::ok(answer("<string>77</string>"), "text/xml");
    if (method == QLatin1String("metaWeblog.getPost"))
        return Response::ok(storedPost("77", "Title", "<p>Body</p>"), "text/xml");
    if (method == QLatin1String("metaWeblog.editPost"))
        return Response::ok(m_editAnswer, "text/xml");
    if (method == QLatin1String("mt.setPostCategories"))
        return Response::ok(answer("<boolean>1</boolean>"), "text/xml");
    return Response::xmlrpcFault(-32601, QStringLiteral("no such method"));
}

EntryPtr tst_PublishJob::newEntry(const QString& driver)
{
    m_setup = makeBlog(driver, m_server->url(QStringLiteral("/xmlrpc.php")), QStringLiteral("me"),
                       QStringLiteral("secret"), QStringLiteral("1"));
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Title"));
    entry->setBody(QStringLiteral("<p>Body</p>"));
    entry->setEntryDate(QDateTime(QDate(2024, 7, 1), QTime(12, 0), QTimeZone::utc()));
    m_setup.blog->addEntry(entry);
    return entry;
}

void tst_PublishJob::newPostCostsTwoRequests()
{
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    m_setup.blog->setHasZeroEntries(true);
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.state, Job::State::Finished);
    QCOMPARE(m_methods, QStringList({"metaWeblog.newPost", "metaWeblog.getPost"}));
    QCOMPARE(outcome.requests, 2);
    QVERIFY(!outcome.edit);
    QCOMPARE(entry->uniqueID(), QStringLiteral("77"));
    QVERIFY(!entry->hasFlag(Entry::LocalOnly));
    QVERIFY(!entry->beingPublished());
    QVERIFY(entry->diffs().value_or(QVariantMap()).isEmpty());
    QVERIFY(!m_setup.account->isCritical());
    QVERIFY(!m_setup.blog->hasZeroEntries());
    QTRY_COMPARE(m_list->count(), 0);
    // On disk under its new name.
    const QString file =
        m_setup.blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(*entry);
    QVERIFY(QFileInfo::exists(file));
    // The new post carried the blog, the login and the texts.
    const QString sent = QString::fromUtf8(m_bodies.first());
    QVERIFY(sent.contains(QLatin1String("<string>1</string>")));
    QVERIFY(sent.contains(QLatin1String("<string>secret</string>")));
    QVERIFY(sent.contains(QLatin1String("&lt;p&gt;Body&lt;/p&gt;")));
}

void tst_PublishJob::separateCategoriesTakeTheirOwnRequests_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QStringList>("methods");
    QTest::newRow("new post") << false
                              << QStringList{"metaWeblog.newPost", "mt.setPostCategories",
                                             "metaWeblog.editPost", "metaWeblog.getPost"};
    QTest::newRow("existing post")
        << true << QStringList{"mt.setPostCategories", "metaWeblog.editPost", "metaWeblog.getPost"};
}

void tst_PublishJob::separateCategoriesTakeTheirOwnRequests()
{
    QFETCH(bool, existing);
    QFETCH(QStringList, methods);
    const EntryPtr entry = newEntry(QStringLiteral("MovableType"));
    auto category = Category::withTitle(QStringLiteral("News"));
    category->setUniqueID(QStringLiteral("5"));
    category->setIsTag(false);
    category->setIsCategory(true);
    EntryContent(*entry).addCategories({category});
    if (existing) {
        entry->setUniqueID(QStringLiteral("77"));
        entry->removeFlag(Entry::LocalOnly);
    }
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    QCOMPARE(m_methods, methods);
    if (!existing) {
        // Made unpublished and without categories; the edit publishes it.
        const QString created = QString::fromUtf8(m_bodies.at(0));
        QVERIFY(!created.contains(QLatin1String("<name>categories</name>")));
        QVERIFY(created.contains(QLatin1String("<boolean>0</boolean>")));
    }
    const QString categories = QString::fromUtf8(m_bodies.at(existing ? 0 : 1));
    QVERIFY(categories.contains(QLatin1String("<name>categoryId</name>")));
    QVERIFY(categories.contains(QLatin1String("<string>5</string>")));
    QVERIFY(QString::fromUtf8(m_bodies.at(existing ? 1 : 2))
                .contains(QLatin1String("<boolean>1</boolean>")));
}

void tst_PublishJob::anEditAlwaysSendsTheKeywords()
{
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    entry->setUniqueID(QStringLiteral("77"));
    entry->removeFlag(Entry::LocalOnly);
    entry->setKeywords(QString());
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    QVERIFY(outcome.edit);
    QCOMPARE(m_methods.first(), QStringLiteral("metaWeblog.editPost"));
    QVERIFY(QString::fromUtf8(m_bodies.first())
                .contains(QRegularExpression(QStringLiteral(
                    "<name>mt_keywords</name>\\s*<value><string></string></value>"))));
}

void tst_PublishJob::falseIsARefusal()
{
    m_editAnswer = answer("<boolean>0</boolean>");
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    entry->setUniqueID(QStringLiteral("77"));
    entry->removeFlag(Entry::LocalOnly);
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.state, Job::State::Failed);
    QVERIFY(outcome.message.contains(QLatin1String("did not accept")));
    QCOMPARE(errorRowMessage(*m_list), outcome.message);
    QCOMPARE(m_methods, QStringList{"metaWeblog.editPost"});
    QVERIFY(!m_setup.account->isCritical());
}

void tst_PublishJob::aValueNoRequestCanCarryIsNamed()
{
    const EntryPtr entry = newEntry(QStringLiteral("Wordpress"));
    entry->setPluginSettings(
        QVariantMap{{QStringLiteral("custom_fields"),
                     QVariantList{QVariantMap{{QStringLiteral("key"), QStringLiteral("lon")},
                                              {QStringLiteral("value"), qQNaN()}}}}});
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.state, Job::State::Failed);
    // The encoder's words, which name the value, not a shrug.
    QVERIFY2(outcome.message.contains(QString::fromUtf8("\u201Cvalue\u201D")) &&
                 outcome.message.contains(QLatin1String("not a number")),
             qPrintable(outcome.message));
    QCOMPARE(errorRowMessage(*m_list), outcome.message);
    QVERIFY(m_methods.isEmpty());
}

void tst_PublishJob::atomCountsOnlyTwoHundreds_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("published");
    QTest::addColumn<QByteArray>("page");
    QTest::newRow("201, empty") << 201 << true << QByteArray();
    QTest::newRow("204, empty") << 204 << true << QByteArray();
    QTest::newRow("400, empty") << 400 << false << QByteArray();
    QTest::newRow("409, empty") << 409 << false << QByteArray();
    QTest::newRow("409 with the server's reason")
        << 409 << false << QByteArray("<?xml version=\"1.0\"?>\n<error>Slug taken</error>\n");
    QTest::newRow("302 without a place") << 302 << false << QByteArray();
}

void tst_PublishJob::atomCountsOnlyTwoHundreds()
{
    QFETCH(int, status);
    QFETCH(bool, published);
    QFETCH(QByteArray, page);
    m_server->setHandler([status, page](const TestHttpServer::Request&) {
        return Response::withStatus(status, page);
    });
    const EntryPtr entry = newEntry(QStringLiteral("Atom 1.0"));
    m_setup.blog->addService(QStringLiteral("service.post"),
                             m_server->url(QStringLiteral("/atom/posts")).toString());
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.state, published ? Job::State::Finished : Job::State::Failed);
    if (!published)
        QVERIFY(!errorRowMessage(*m_list).isEmpty());
    if (!page.isEmpty())
        QVERIFY2(
            outcome.message.endsWith(QStringLiteral("The server said: \u201cSlug taken\u201d")),
            qPrintable(outcome.message));
    QVERIFY(!m_setup.account->isCritical());
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requests().first().method, QByteArray("POST"));
    QCOMPARE(m_server->requests().first().header("Content-Type"),
             QByteArray("application/atom+xml"));
}

void tst_PublishJob::hostileServer_data()
{
    QTest::addColumn<int>("kind");
    using Kind = Response::Misbehaviour;
    for (Kind kind : {Kind::TimeOut, Kind::ResetMidAnswer, Kind::HtmlError, Kind::Truncated,
                      Kind::Empty, Kind::XmlRpcFault, Kind::HundredMegabytesOfJunk})
        QTest::newRow(Response::name(kind)) << int(kind);
}

void tst_PublishJob::hostileServer()
{
    QFETCH(int, kind);
    const auto misbehaviour = static_cast<Response::Misbehaviour>(kind);
    m_server->setHandler([misbehaviour](const TestHttpServer::Request&) {
        return Response::misbehaving(misbehaviour);
    });
    m_road->setTimeOut(1.5);
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    const QString oldID = entry->uniqueID();
    QVERIFY(m_setup.blog->save(*entry));
    const QString file =
        m_setup.blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(*entry);
    QFile stored(file);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    const QByteArray before = stored.readAll();
    stored.close();

    const Outcome outcome = publish(*m_road, entry, 60000);
    QVERIFY2(outcome.ended, "the job never ended");
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.state, Job::State::Failed);
    QVERIFY2(!outcome.message.trimmed().isEmpty(), "no message");
    QCOMPARE(errorRowMessage(*m_list), outcome.message);
    QVERIFY(!m_setup.account->isCritical());
    QVERIFY(!entry->beingPublished());
    QVERIFY(entry->hasFlag(Entry::LocalOnly));
    QCOMPARE(entry->uniqueID(), oldID);
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), before);
}

void tst_PublishJob::failureAfterTheNewPostKeepsTheServerId()
{
    m_server->setHandler([](const TestHttpServer::Request& request) {
        if (methodOf(request.body) == QLatin1String("metaWeblog.newPost"))
            return Response::ok(answer("<string>88</string>"), "text/xml");
        return Response::htmlError(500);
    });
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Failed);
    QCOMPARE(outcome.requests, 2);
    // The post is on the server: the entry knows it by its id.
    QCOMPARE(entry->uniqueID(), QStringLiteral("88"));
    QVERIFY(!entry->hasFlag(Entry::LocalOnly));
    QVERIFY(!m_setup.account->isCritical());
}

namespace {

// One attachment, known by its key.
struct OneAttachmentLibrary : AttachmentLibrary {
    AttachmentPtr attachment;
    bool isLoaded() const override { return true; }
    AttachmentPtr attachmentForKey(const QString& key) override
    {
        return attachment && attachment->uniqueID() == key ? attachment : nullptr;
    }
};

// Uploads by giving the attachment an address, or fails with a sentence.
struct ScriptedUploads : AttachmentUploads {
    QString failure;
    int calls = 0;
    void upload(const AttachmentPtr& attachment, const EntryPtr&, std::function<void()> done,
                std::function<void(const QString&)> failed) override
    {
        ++calls;
        QTimer::singleShot(0, [=, this] {
            if (!failure.isEmpty()) {
                failed(failure);
                return;
            }
            attachment->setUploadPath(QStringLiteral("http://media.example/picture.png"));
            done();
        });
    }
};

} // namespace

void tst_PublishJob::attachmentsGoUpFirst()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("picture.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("picture");
    file.close();
    OneAttachmentLibrary library;
    library.attachment = Attachment::attachmentWithPath(path);
    QVERIFY(library.attachment);
    AttachmentLibrary::setSharedInstance(&library);
    const QString key = library.attachment->uniqueID();

    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    entry->setBody(QStringLiteral("<p>Look: ") + key + QStringLiteral("</p>"));
    entry->addKeyToAttachments(key);

    // No upload road: said in a row, nothing sent.
    QVERIFY(entry->publish());
    QVERIFY(!entry->beingPublished());
    QVERIFY(errorRowMessage(*m_list).contains(QLatin1String("cannot be uploaded")));
    QVERIFY(m_methods.isEmpty());

    ScriptedUploads uploads;
    AttachmentUploads::setSharedInstance(&uploads);
    uploads.failure = QStringLiteral("The media server is full.");
    QVERIFY(entry->publish());
    QTRY_VERIFY(!entry->beingPublished());
    QVERIFY(m_methods.isEmpty());
    QCOMPARE(uploads.calls, 1);

    uploads.failure.clear();
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    QCOMPARE(uploads.calls, 2);
    // The post went out with the attachment's markup in place of its key.
    const QString sent = QString::fromUtf8(m_bodies.first());
    QVERIFY(!sent.contains(key));
    QVERIFY(sent.contains(QLatin1String("media.example/picture.png")));
    AttachmentUploads::setSharedInstance(nullptr);
    AttachmentLibrary::setSharedInstance(nullptr);
}

void tst_PublishJob::aFailureReopensTheDraftWithTheReason()
{
    FailureDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    m_server->setHandler([](const TestHttpServer::Request&) {
        return Response::xmlrpcFault(403, QStringLiteral("Incorrect username or password."));
    });
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    const Outcome outcome = publish(*m_road, entry);
    DraftRegistry::setSharedInstance(nullptr);
    QCOMPARE(outcome.state, Job::State::Failed);
    QCOMPARE(drafts.opened, QList<const Entry*>{entry.get()});
    QVERIFY(!drafts.stillPublishing);
    QCOMPARE(drafts.alerts.size(), 1);
    QCOMPARE(drafts.alerts.first().first, QStringLiteral("Publishing Failure!"));
    QCOMPARE(drafts.alerts.first().second, QStringLiteral("Incorrect username or password."));
}

void tst_PublishJob::aPublishIsAnnouncedToEventAddonsWhenAsked()
{
    // An event add-on, as the add-on manager loads it.
    QTemporaryDir folders;
    const QString bundle = folders.filePath(QStringLiteral("other.addon"));
    QVERIFY(QDir().mkpath(bundle + QStringLiteral("/Resources")));
    QVERIFY(QFile::copy(QStringLiteral(PLUMET_FIXTURE_PLUGINS "/libfixture_addon_other.so"),
                        bundle + QStringLiteral("/libplugin.so")));
    const QVariantMap plist{
        {QStringLiteral("CFBundleExecutable"), QStringLiteral("libplugin.so")},
        {QStringLiteral("NSPrincipalClass"), QStringLiteral("FakeAddon")},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.plumet.test.other.addon")}};
    PropertyList::writeFile(bundle + QStringLiteral("/Info.plist"), plist,
                            PropertyList::Format::Xml);
    AddonManager& addons = AddonManager::sharedInstance();
    addons.setBuiltInFolder(folders.path());
    addons.setUserFolder(folders.filePath(QStringLiteral("none")));
    addons.loadPlugins();
    QVERIFY(addons.pluginKeys().contains(QStringLiteral("Other")));
    qApp->setProperty("fakeAddonEvents", QVariant());

    const EntryPtr quiet = newEntry(QStringLiteral("MetaWeblog"));
    QCOMPARE(publish(*m_road, quiet).state, Job::State::Finished);
    QTest::qWait(50);
    QVERIFY(qApp->property("fakeAddonEvents").toList().isEmpty());

    const EntryPtr told = newEntry(QStringLiteral("MetaWeblog"));
    m_setup.blog->setUrl(QStringLiteral("https://blog.example/"));
    told->setNotifyOption(true);
    QCOMPARE(publish(*m_road, told).state, Job::State::Finished);
    QTRY_COMPARE(qApp->property("fakeAddonEvents").toList().size(), 1);
    const QVariantList heard = qApp->property("fakeAddonEvents").toList().first().toList();
    QCOMPARE(heard.value(1).toInt(), 0);
    QVERIFY(heard.value(3).toBool()); // on the main thread
    const QVariantMap data = heard.value(2).toMap();
    QCOMPARE(data.value(QStringLiteral("blogtitle")).toString(), QStringLiteral("Test Blog"));
    QCOMPARE(data.value(QStringLiteral("blogurl")).toString(),
             QStringLiteral("https://blog.example/"));
    QCOMPARE(data.value(QStringLiteral("isAnEdit")), QVariant(false));
    QCOMPARE(data.value(QStringLiteral("title")).toString(), QStringLiteral("Title"));
    QCOMPARE(data.value(QStringLiteral("uniqueID")).toString(), QStringLiteral("77"));
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    tst_PublishJob test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_publishjob.moc"
