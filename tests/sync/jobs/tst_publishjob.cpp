#include "AccountBusyToken.h"
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
#include "EntryServerMerge.h"
#include "Ping.h"
#include "PropertyList.h"
#include "PublishPrompter.h"
#include "PublishTesting.h"
#include "RVPingTool.h"
#include "ServerRoads.h"
#include "StringExtensions.h"
#include "Template.h"
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

// The user, answering the question before a post is published again.
class AnsweringUser : public PublishPrompter {
public:
    void askToPublishAgain(const Entry& entry, Completion done) override
    {
        asked.append(entry.displayName());
        QTimer::singleShot(0, [this, done] {
            done(answer);
            answered = true;
        });
    }
    Answer answer = Answer::Cancel;
    QStringList asked;
    bool answered = false;
};

// The roads as the records reach them: publishing through the test's road,
// and the blogs whose recent posts were asked for.
class LookingRoads : public ServerRoads {
public:
    explicit LookingRoads(PublishRoad& road) : m_road(road) {}
    bool publish(const EntryPtr& entry) override { return m_road.publish(entry); }
    bool retrieveEntries(Blog& blog) override
    {
        looked.append(&blog);
        return true;
    }
    QList<Blog*> looked;

private:
    PublishRoad& m_road;
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

// The value of a member of the sent request (the content struct's), its XML
// escapes undone; null when the request has no such member.
QString sentMember(const QByteArray& body, const QString& name)
{
    const QRegularExpression member(
        QStringLiteral("<name>%1</name>\\s*<value>\\s*(?:<(?:string|int|i4|boolean)>)?([^<]*)")
            .arg(QRegularExpression::escape(name)));
    const QRegularExpressionMatch match = member.match(QString::fromUtf8(body));
    if (!match.hasMatch())
        return {};
    QString value = match.captured(1);
    value.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&apos;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return value.isNull() ? QLatin1String("") : value;
}

// An Atom entry as a server stores it.
QByteArray atomEntry(const QString& id, const QUrl& edit)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<entry xmlns=\"http://www.w3.org/2005/Atom\">"
           "<id>" +
           id.toUtf8() +
           "</id><title type=\"html\">Title</title>"
           "<content type=\"html\">&lt;p&gt;Body&lt;/p&gt;</content>"
           "<link rel=\"edit\" href=\"" +
           edit.toEncoded() + "\"/><published>2024-07-01T12:00:00Z</published></entry>\n";
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
    void atomNewPostWithoutItsEntryIsFoundAtItsAddress_data();
    void atomCategoriesAreEscapedOnce();
    void atomNewPostWithoutItsEntryIsFoundAtItsAddress();
    void contentRules_data();
    void contentRules();
    void pingRules_data();
    void pingRules();
    void stoppingAQueuedPublish();
    void stoppingARunningPublish();
    void hostileServer_data();
    void hostileServer();
    void failureAfterTheNewPostKeepsTheServerId();
    void aPublishCutShortAsksFirst_data();
    void aPublishCutShortAsksFirst();
    void attachmentsThatCannotFollowTheNewIdAreReported();
    void attachmentsGoUpFirst();
    void unreadLibraryStopsThePublish();
    void attachmentsGoUpOneAfterAnother();
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
    // Stored, but without its entry or its address: nothing ties the entry to it.
    QTest::newRow("201, empty, no address") << 201 << false << QByteArray();
    QTest::newRow("204, empty, no address") << 204 << false << QByteArray();
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
    if (!published) {
        QVERIFY(!errorRowMessage(*m_list).isEmpty());
        QVERIFY(entry->hasFlag(Entry::LocalOnly));
        QVERIFY(!entry->beingPublished());
    }
    if (status / 100 == 2)
        QVERIFY2(outcome.message.contains(QLatin1String("without saying where")),
                 qPrintable(outcome.message));
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

// The entry document escapes names itself: the server gets the name typed,
// not an already encoded one escaped again.
void tst_PublishJob::atomCategoriesAreEscapedOnce()
{
    m_server->setHandler(
        [](const TestHttpServer::Request&) { return Response::withStatus(400, QByteArray()); });
    const EntryPtr entry = newEntry(QStringLiteral("Atom 1.0"));
    m_setup.blog->addService(QStringLiteral("service.post"),
                             m_server->url(QStringLiteral("/atom/posts")).toString());
    auto category = Category::withTitle(QStringLiteral("Tom & Jerry's <b>"));
    category->setIsTag(false);
    category->setIsCategory(true);
    EntryContent(*entry).addCategories({category});
    publish(*m_road, entry);
    QCOMPARE(m_server->requests().size(), 1);
    const QString sent = QString::fromUtf8(m_server->requests().first().body);
    QVERIFY2(sent.contains(QLatin1String("term='Tom &amp; Jerry&apos;s &lt;b&gt;'")),
             qPrintable(sent));
    QVERIFY(!sent.contains(QLatin1String("&amp;amp;")));
}

void tst_PublishJob::atomNewPostWithoutItsEntryIsFoundAtItsAddress_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("readBack");
    QTest::addColumn<QString>("id");
    // Read back, the entry's own id names the post (its last "-" part, as for
    // any Atom entry); without it, the address's last part does.
    QTest::newRow("Location, entry read back") << QByteArray("Location") << true << "77";
    QTest::newRow("Content-Location") << QByteArray("Content-Location") << true << "77";
    QTest::newRow("read-back fails") << QByteArray("Location") << false << "42";
}

void tst_PublishJob::atomNewPostWithoutItsEntryIsFoundAtItsAddress()
{
    QFETCH(QByteArray, header);
    QFETCH(bool, readBack);
    QFETCH(QString, id);
    const QUrl address = m_server->url(QStringLiteral("/atom/entry/42"));
    m_server->setHandler([&](const TestHttpServer::Request& request) {
        if (request.method == "POST") {
            Response created = Response::withStatus(201);
            created.headers.append({header, "/atom/entry/42"}); // relative, as servers may send it
            return created;
        }
        if (request.method == "GET" && !readBack)
            return Response::htmlError(500);
        return Response::ok(atomEntry(QStringLiteral("tag:example.org,2024:entry-77"), address),
                            "application/atom+xml");
    });
    const EntryPtr entry = newEntry(QStringLiteral("Atom 1.0"));
    m_setup.blog->addService(QStringLiteral("service.post"),
                             m_server->url(QStringLiteral("/atom/posts")).toString());
    Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.state, readBack ? Job::State::Finished : Job::State::Failed);
    QCOMPARE(outcome.requests, 2);
    QCOMPARE(m_server->requests().at(1).method, QByteArray("GET"));
    QCOMPARE(m_server->requests().at(1).target, QByteArray("/atom/entry/42"));
    // Tied to the post on the server, whatever the read-back gave.
    QVERIFY(!entry->hasFlag(Entry::LocalOnly));
    QCOMPARE(entry->uniqueID(), id);
    QCOMPARE(entry->editURI(), address.toString());
    QVERIFY(!m_setup.account->isCritical());
    if (readBack)
        QVERIFY(entry->diffs().value_or(QVariantMap()).isEmpty());

    // The next publish changes that post instead of making another.
    outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    QVERIFY(outcome.edit);
    QCOMPARE(m_server->requests().size(), 3);
    QCOMPARE(m_server->requests().at(2).method, QByteArray("PUT"));
    QCOMPARE(m_server->requests().at(2).target, QByteArray("/atom/entry/42"));
}

void tst_PublishJob::contentRules_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<int>("location"); // of the tag template; -1: unset
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("tagUrl");
    QTest::addColumn<QString>("extended");
    QTest::addColumn<bool>("convertEntities");
    // The sent members of the content, by name; an empty text for a member
    // checks it is sent empty.
    QTest::addColumn<QVariantMap>("sent");

    const QStringList tags{"one", "two words"};
    const QString body = QStringLiteral("<p>Body</p>");
    const QString block = QStringLiteral(
        "\n<div class=\"posttagsblock\"><a href=\"http://blog.example/tag/one\" "
        "rel=\"tag\">one</a>, "
        "<a href=\"http://blog.example/tag/two%20words\" rel=\"tag\">two words</a></div>");
    const QString tagUrl = QStringLiteral("http://blog.example/tag");
    const QString comma = QStringLiteral(", ");

    // supportsTags 2: mt_tags, joined by a comma without a blank.
    QTest::newRow("tags as mt_tags")
        << "MovableType 4" << tags << 0 << comma << tagUrl << QString() << false
        << QVariantMap{{"mt_tags", "one,two words"}, {"description", body}, {"mt_keywords", ""}};
    // supportsTags 1: into the keywords, behind the separator.
    QTest::newRow("tags into keywords")
        << "Wordpress" << tags << 0 << " | " << tagUrl << QString() << false
        << QVariantMap{{"mt_keywords", "old | one | two words"}, {"description", body}};
    // supportsTags 0: a block of links; the address gets its "/".
    QTest::newRow("block, no location")
        << "MetaWeblog" << tags << -1 << comma << tagUrl << QString() << false
        << QVariantMap{{"description", body + block}};
    QTest::newRow("block, location 0, address with its /")
        << "MetaWeblog" << tags << 0 << comma << tagUrl + "/" << QString() << false
        << QVariantMap{{"description", body + block}};
    QTest::newRow("location 1: extended")
        << "TypePad" << tags << 1 << comma << tagUrl << "More" << false
        << QVariantMap{{"description", body}, {"mt_text_more", "More" + block}};
    QTest::newRow("location 1, no extended text: body")
        << "TypePad" << tags << 1 << comma << tagUrl << QString() << false
        << QVariantMap{{"description", body + block}, {"mt_text_more", ""}};
    QTest::newRow("location 1, no extended field: body")
        << "MetaWeblog" << tags << 1 << comma << tagUrl << "More" << false
        << QVariantMap{{"description", body + block}, {"mt_text_more", "More"}};
    QTest::newRow("location 2: summary")
        << "TypePad" << tags << 2 << comma << tagUrl << QString() << false
        << QVariantMap{{"description", body}, {"mt_excerpt", block}};
    QTest::newRow("location 2, no summary field: body")
        << "MetaWeblog" << tags << 2 << comma << tagUrl << QString() << false
        << QVariantMap{{"description", body + block}, {"mt_excerpt", ""}};
    QTest::newRow("location 3: keywords")
        << "TypePad" << tags << 3 << comma << tagUrl << QString() << false
        << QVariantMap{{"description", body}, {"mt_keywords", "old, one, two words"}};
    QTest::newRow("location 3, no keywords field: body")
        << "MetaWeblog" << tags << 3 << comma << tagUrl << QString() << false
        << QVariantMap{{"description", body + block}, {"mt_keywords", "old"}};
    // A tag's name and the template's address are text, never markup.
    QTest::newRow("markup in a tag and the address")
        << "MetaWeblog" << QStringList{"<b>\"A&B\"</b>"} << 0 << comma
        << "http://x.example/?a=1&b=" << QString() << false
        << QVariantMap{{"description",
                        body + "\n<div class=\"posttagsblock\"><a href=\"http://x.example/"
                               "?a=1&amp;b=/%3Cb%3E%22A%26B%22%3C%2Fb%3E\" rel=\"tag\">&lt;b&gt;"
                               "&quot;A&amp;B&quot;&lt;/b&gt;</a></div>"}};
    QTest::newRow("convertEntities")
        << "MetaWeblog" << QStringList() << 0 << comma << tagUrl << "Ü" << true
        << QVariantMap{{"title", "Caf&#233;"}, {"mt_text_more", "&#220;"}, {"mt_keywords", "old"}};
    QTest::newRow("no convertEntities")
        << "MetaWeblog" << QStringList() << 0 << comma << tagUrl << "Ü" << false
        << QVariantMap{{"title", "Café"}, {"mt_text_more", "Ü"}};
}

void tst_PublishJob::contentRules()
{
    QFETCH(QString, driver);
    QFETCH(QStringList, tags);
    QFETCH(int, location);
    QFETCH(QString, separator);
    QFETCH(QString, tagUrl);
    QFETCH(QString, extended);
    QFETCH(bool, convertEntities);
    QFETCH(QVariantMap, sent);
    const EntryPtr entry = newEntry(driver);
    auto tagTemplate = std::make_shared<Template>();
    tagTemplate->setUrl(tagUrl);
    tagTemplate->setSeparator(separator);
    tagTemplate->setLocation(location < 0 ? std::nullopt : std::optional<int>(location));
    m_setup.blog->setTagTemplate(tagTemplate);
    m_setup.blog->setOption(QStringLiteral("convertEntities"), convertEntities);
    entry->setTitle(QStringLiteral("Café"));
    entry->setKeywords(driver == QLatin1String("MovableType 4") ? QString()
                                                                : QStringLiteral("old"));
    entry->setExtended(extended);
    entry->setCommentOption(1);
    entry->setTrackbackOption(0);
    entry->setFormat(QStringLiteral("markdown"));
    EntryContent(*entry).addTags(tags);

    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    const QByteArray& request = m_bodies.first();
    QVERIFY(methodOf(request).endsWith(QLatin1String(".newPost")));
    for (auto it = sent.cbegin(); it != sent.cend(); ++it)
        QCOMPARE(sentMember(request, it.key()), it.value().toString());
    if (!sent.contains(QStringLiteral("mt_tags")))
        QVERIFY(sentMember(request, QStringLiteral("mt_tags")).isNull());
    // The buffers stay as the comparison reads them: the block went onto a copy.
    QVERIFY(!entry->body().contains(QLatin1String("posttagsblock")));
    // The options as whole numbers, the format as it is.
    const QString text = QString::fromUtf8(request);
    QVERIFY(text.contains(QRegularExpression(
        QStringLiteral("<name>mt_allow_comments</name>\\s*<value>\\s*<(int|i4)>1</"))));
    QVERIFY(text.contains(QRegularExpression(
        QStringLiteral("<name>mt_allow_pings</name>\\s*<value>\\s*<(int|i4)>0</"))));
    QCOMPARE(sentMember(request, QStringLiteral("mt_convert_breaks")), QStringLiteral("markdown"));
}

void tst_PublishJob::pingRules_data()
{
    QTest::addColumn<bool>("asDraft");
    QTest::addColumn<bool>("pingOption");
    QTest::addColumn<bool>("withTrackbacks");
    QTest::addColumn<bool>("publishFails");
    QTest::addColumn<int>("pings");
    QTest::addColumn<int>("trackbacks");
    QTest::newRow("published, pings on") << false << true << true << false << 2 << 1;
    QTest::newRow("published, no trackbacks") << false << true << false << false << 2 << 0;
    QTest::newRow("pings off") << false << false << true << false << 0 << 1;
    // A draft tells no update service; its trackbacks go all the same.
    QTest::newRow("sent as a draft") << true << true << true << false << 0 << 1;
    QTest::newRow("publish fails") << false << true << true << true << 0 << 0;
}

void tst_PublishJob::pingRules()
{
    QFETCH(bool, asDraft);
    QFETCH(bool, pingOption);
    QFETCH(bool, withTrackbacks);
    QFETCH(bool, publishFails);
    QFETCH(int, pings);
    QFETCH(int, trackbacks);
    TestHttpServer pingServer;
    QVERIFY(pingServer.listen());
    pingServer.setHandler([](const TestHttpServer::Request& request) {
        if (request.target.startsWith("/trackback"))
            return Response::ok("<?xml version=\"1.0\"?><response><error>0</error></response>",
                                "text/xml");
        return Response::ok(answer("<struct><member><name>flerror</name><value><boolean>0"
                                   "</boolean></value></member></struct>"),
                            "text/xml");
    });
    if (publishFails)
        m_server->setHandler([](const TestHttpServer::Request&) {
            return Response::xmlrpcFault(500, QStringLiteral("No."));
        });
    RVPingTool& tool = RVPingTool::sharedInstance();
    tool.setPause(std::chrono::milliseconds(0));

    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    m_setup.blog->setUrl(QStringLiteral("http://blog.example/"));
    m_setup.blog->setOption(QStringLiteral("pingOption"), pingOption);
    m_setup.blog->setPingUrls(QVariantList{
        QVariant::fromValue(Ping::pingWithTitle(
            QStringLiteral("One"), pingServer.url(QStringLiteral("/rpc1")).toString())),
        QVariant::fromValue(Ping::pingWithTitle(
            QStringLiteral("Two"), pingServer.url(QStringLiteral("/rpc2")).toString()))});
    entry->setPermaLink(QStringLiteral("http://blog.example/post"));
    entry->setDraftOrPublish(asDraft);
    if (withTrackbacks) // an empty address beside it is dropped
        entry->setPingUris(PingList{
            Ping::pingWithTitle({}, {}),
            Ping::pingWithTitle({}, pingServer.url(QStringLiteral("/trackback/1")).toString())});

    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, publishFails ? Job::State::Failed : Job::State::Finished);
    if (pings + trackbacks > 0) {
        QTRY_COMPARE_WITH_TIMEOUT(pingServer.requests().size(), pings + trackbacks, 10000);
        QTRY_VERIFY(!tool.isRunning());
    }
    // Queued or not, at once: nothing more is coming.
    QVERIFY(!tool.isRunning());
    QCOMPARE(pingServer.requests().size(), pings + trackbacks);
    int pinged = 0;
    int trackedBack = 0;
    for (const auto& request : pingServer.requests()) {
        if (request.target.startsWith("/trackback"))
            ++trackedBack;
        else if (methodOf(request.body) == QLatin1String("weblogUpdates.ping"))
            ++pinged;
    }
    QCOMPARE(pinged, pings);
    QCOMPARE(trackedBack, trackbacks);
    // Sent trackbacks leave the entry; unsent ones stay in it.
    bool listed = false;
    for (const auto& ping : entry->pingUris())
        listed |= ping->address().endsWith(QLatin1String("/trackback/1"));
    QCOMPARE(listed, withTrackbacks && trackbacks == 0);
}

void tst_PublishJob::stoppingAQueuedPublish()
{
    FailureDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    // Another road of the account holds it: the publish waits in its row.
    AccountBusyToken other = AccountBusyToken::take(m_setup.account.get());
    QVERIFY(other);
    QVERIFY(entry->publish());
    QVERIFY(entry->beingPublished());
    QCOMPARE(m_list->count(), 1);
    QVERIFY(entry->publishActivity());
    QTest::qWait(150); // a few retries
    QVERIFY(m_server->requests().isEmpty());

    m_list->itemAt(0)->stop();
    QVERIFY(!entry->beingPublished());
    QVERIFY(!entry->publishActivity());
    QTRY_COMPARE(m_list->count(), 0);
    // The other road still holds the account; nothing was sent, nothing alerted.
    QVERIFY(other);
    QVERIFY(m_setup.account->isCritical());
    QTest::qWait(150);
    QVERIFY(m_server->requests().isEmpty());
    QVERIFY(drafts.opened.isEmpty());
    QVERIFY(entry->hasFlag(Entry::LocalOnly));

    // Once free, the entry publishes as ever.
    other.release();
    QCOMPARE(publish(*m_road, entry).state, Job::State::Finished);
    DraftRegistry::setSharedInstance(nullptr);
}

void tst_PublishJob::stoppingARunningPublish()
{
    FailureDrafts drafts;
    DraftRegistry::setSharedInstance(&drafts);
    m_server->setHandler([](const TestHttpServer::Request&) { return Response::timeOut(); });
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    auto ending = std::make_shared<int>(0);
    auto state = std::make_shared<Job::State>(Job::State::Waiting);
    connect(m_road, &PublishRoad::jobCreated, this, [ending, state](QObject* object) {
        auto* job = qobject_cast<PublishJob*>(object);
        connect(job, &Job::finished, [ending, state, job] {
            ++*ending;
            *state = job->state();
        });
    });
    QVERIFY(entry->publish());
    QTRY_COMPARE(m_server->requests().size(), 1);
    QVERIFY(m_setup.account->isCritical());
    m_list->itemAt(0)->stop();
    QTRY_COMPARE(*ending, 1);
    QCOMPARE(*state, Job::State::Cancelled);
    QVERIFY(!entry->beingPublished());
    QVERIFY(!entry->publishActivity());
    QVERIFY(!m_setup.account->isCritical());
    QTRY_COMPARE(m_list->count(), 0);
    QVERIFY(drafts.opened.isEmpty());
    QVERIFY(entry->hasFlag(Entry::LocalOnly));
    QTest::qWait(50);
    QCOMPARE(*ending, 1);
    DraftRegistry::setSharedInstance(nullptr);
}

void tst_PublishJob::hostileServer_data()
{
    QTest::addColumn<QString>("road");
    QTest::addColumn<int>("kind");
    using Kind = Response::Misbehaviour;
    const QList<Kind> kinds{Kind::TimeOut,
                            Kind::ResetMidAnswer,
                            Kind::HtmlError,
                            Kind::Truncated,
                            Kind::Empty,
                            Kind::XmlRpcFault,
                            Kind::HundredMegabytesOfJunk};
    // The new post itself, the read-back once the post is made, and an Atom post.
    for (const char* road : {"new post", "read-back", "Atom"})
        for (Kind kind : kinds)
            QTest::addRow("%s: %s", road, Response::name(kind))
                << QString::fromLatin1(road) << int(kind);
}

void tst_PublishJob::hostileServer()
{
    QFETCH(QString, road);
    QFETCH(int, kind);
    const auto misbehaviour = static_cast<Response::Misbehaviour>(kind);
    const bool readBack = road == QLatin1String("read-back");
    m_server->setHandler([misbehaviour, readBack](const TestHttpServer::Request& request) {
        if (readBack && methodOf(request.body) == QLatin1String("metaWeblog.newPost"))
            return Response::ok(answer("<string>88</string>"), "text/xml");
        return Response::misbehaving(misbehaviour);
    });
    m_road->setTimeOut(1.5);
    const bool atom = road == QLatin1String("Atom");
    const EntryPtr entry =
        newEntry(atom ? QStringLiteral("Atom 1.0") : QStringLiteral("MetaWeblog"));
    if (atom)
        m_setup.blog->addService(QStringLiteral("service.post"),
                                 m_server->url(QStringLiteral("/atom/posts")).toString());
    const QString oldID = entry->uniqueID();
    QVERIFY(m_setup.blog->save(*entry));
    const QString folder = m_setup.blog->store().folder() + QLatin1Char('/');
    const QString file = folder + EntryFile::fileName(*entry);

    const Outcome outcome = publish(*m_road, entry, 60000);
    QVERIFY2(outcome.ended, "the job never ended");
    QCOMPARE(outcome.endings, 1);
    QCOMPARE(outcome.state, Job::State::Failed);
    QVERIFY2(!outcome.message.trimmed().isEmpty(), "no message");
    QCOMPARE(errorRowMessage(*m_list), outcome.message);
    QVERIFY(!m_setup.account->isCritical());
    QVERIFY(!entry->beingPublished());
    if (readBack) {
        // The post is on the server: the entry is it, on disk under its new name.
        QCOMPARE(m_server->requests().size(), 2);
        QVERIFY(!entry->hasFlag(Entry::LocalOnly));
        QCOMPARE(entry->uniqueID(), QStringLiteral("88"));
        QVERIFY(!QFileInfo::exists(file));
        const QString renamed = folder + EntryFile::fileName(QStringLiteral("88"));
        QCOMPARE(EntryFile::entryFromFile(renamed)->uniqueID(), QStringLiteral("88"));
        return;
    }
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY(entry->hasFlag(Entry::LocalOnly));
    QCOMPARE(entry->uniqueID(), oldID);
    // Only a fault says no post was made; after any other end the server may
    // hold it, and the file says so for the next publish.
    const bool refused = misbehaviour == Response::Misbehaviour::XmlRpcFault;
    QCOMPARE(entry->publishUnanswered(), !refused);
    QVERIFY(m_setup.blog->store().flush());
    const EntryPtr onDisk = EntryFile::entryFromFile(file);
    QVERIFY(onDisk);
    QCOMPARE(onDisk->uniqueID(), oldID);
    QVERIFY(onDisk->hasFlag(Entry::LocalOnly));
    QCOMPARE(onDisk->body(), entry->body());
    QCOMPARE(onDisk->publishUnanswered(), !refused);
}

void tst_PublishJob::aPublishCutShortAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("methods");
    QTest::addColumn<bool>("looked");
    using Answer = PublishPrompter::Answer;
    QTest::newRow("cancel") << int(Answer::Cancel) << QStringList() << false;
    QTest::newRow("look on server") << int(Answer::LookOnServer) << QStringList() << true;
    QTest::newRow("publish anyway")
        << int(Answer::PublishAnyway) << QStringList{"metaWeblog.newPost", "metaWeblog.getPost"}
        << false;
}

void tst_PublishJob::aPublishCutShortAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(QStringList, methods);
    QFETCH(bool, looked);
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    m_setup.blog->setHasZeroEntries(true);
    entry->setPublishUnanswered(true);
    QVERIFY(m_setup.blog->save(*entry));
    AnsweringUser user;
    user.answer = static_cast<PublishPrompter::Answer>(answer);
    PublishPrompter::setSharedInstance(&user);
    LookingRoads roads(*m_road);
    ServerRoads::setSharedInstance(&roads);

    QVERIFY(entry->publish());
    QVERIFY(entry->publish()); // while the question is open, nothing more is asked
    QTRY_VERIFY(user.answered);
    QCOMPARE(user.asked, QStringList{QStringLiteral("Title")});
    if (!methods.isEmpty())
        QTRY_VERIFY(!entry->beingPublished());
    QCOMPARE(m_methods, methods);
    QCOMPARE(roads.looked, looked ? QList<Blog*>{m_setup.blog.get()} : QList<Blog*>());
    // Only the server's answer takes the mark away, on disk too.
    const bool published = !methods.isEmpty();
    QCOMPARE(entry->publishUnanswered(), !published);
    QVERIFY(m_setup.blog->store().flush());
    const EntryPtr onDisk = EntryFile::entryFromFile(
        m_setup.blog->store().folder() + QLatin1Char('/') + EntryFile::fileName(*entry));
    QVERIFY(onDisk);
    QCOMPARE(onDisk->publishUnanswered(), !published);
    QCOMPARE(onDisk->uniqueID(), published ? QStringLiteral("77") : entry->uniqueID());
    PublishPrompter::setSharedInstance(nullptr);
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

void tst_PublishJob::attachmentsThatCannotFollowTheNewIdAreReported()
{
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    const QString oldFolder = EntryServerMerge::attachmentFolder(*entry, entry->uniqueID());
    QVERIFY(!oldFolder.isEmpty());
    QVERIFY(QDir().mkpath(oldFolder));
    QFile picture(oldFolder + QStringLiteral("/picture.png"));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.close();
    // A file stands where the folder of the new id goes.
    QFile blocker(EntryServerMerge::attachmentFolder(*entry, QStringLiteral("77")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    QCOMPARE(entry->uniqueID(), QStringLiteral("77"));
    // Published; the files stay where they were, and the user hears where.
    QVERIFY(QFileInfo::exists(picture.fileName()));
    QVERIFY2(errorRowMessage(*m_list).contains(oldFolder), qPrintable(errorRowMessage(*m_list)));
    QVERIFY(QFile::remove(blocker.fileName()));
    QVERIFY(QDir(oldFolder).removeRecursively());
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

void tst_PublishJob::unreadLibraryStopsThePublish()
{
    // The library's file could not be read: it knows nothing, not even that
    // the key is gone.
    struct UnreadLibrary : AttachmentLibrary {
        int lookups = 0;
        bool isLoaded() const override { return false; }
        AttachmentPtr attachmentForKey(const QString&) override
        {
            ++lookups;
            return nullptr;
        }
    } library;
    const QString key = QStringLiteral("0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A01");
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    entry->setBody(QStringLiteral("<p>Look: ") + key + QStringLiteral("</p>"));
    entry->addKeyToAttachments(key);
    for (AttachmentLibrary* installed :
         {static_cast<AttachmentLibrary*>(&library), static_cast<AttachmentLibrary*>(nullptr)}) {
        AttachmentLibrary::setSharedInstance(installed);
        QVERIFY(entry->publish());
        QVERIFY(!entry->beingPublished());
        QCOMPARE(errorRowMessage(*m_list),
                 QStringLiteral("The attachment library is not loaded yet."));
        QVERIFY(m_methods.isEmpty());
        // The key and the text stay for the next try.
        QCOMPARE(entry->attachments().value(), QStringList{key});
        QVERIFY(entry->body().contains(key));
    }
    QCOMPARE(library.lookups, 1); // which would have ended a load still running
    AttachmentLibrary::setSharedInstance(nullptr);
}

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

namespace {

// Attachments known by their keys.
struct AttachmentShelf : AttachmentLibrary {
    QList<AttachmentPtr> attachments;
    bool isLoaded() const override { return true; }
    AttachmentPtr attachmentForKey(const QString& key) override
    {
        for (const AttachmentPtr& attachment : std::as_const(attachments))
            if (attachment->uniqueID() == key)
                return attachment;
        return nullptr;
    }
};

// Uploads later, noting how many go up at once; fails the upload asked for
// `failing`-th (from 1; 0 for none).
struct PacedUploads : AttachmentUploads {
    int failing = 0;
    QStringList order;
    int inFlight = 0;
    int mostInFlight = 0;
    void upload(const AttachmentPtr& attachment, const EntryPtr&, std::function<void()> done,
                std::function<void(const QString&)> failed) override
    {
        order << QFileInfo(attachment->filePath()).fileName();
        mostInFlight = std::max(mostInFlight, ++inFlight);
        const bool fails = order.size() == failing;
        QTimer::singleShot(20, [=, this] {
            --inFlight;
            if (fails) {
                failed(QStringLiteral("The media server is full."));
                return;
            }
            attachment->setUploadPath(QStringLiteral("http://media.example/") +
                                      QFileInfo(attachment->filePath()).fileName());
            done();
        });
    }
};

} // namespace

void tst_PublishJob::attachmentsGoUpOneAfterAnother()
{
    QTemporaryDir folder;
    AttachmentShelf library;
    const EntryPtr entry = newEntry(QStringLiteral("MetaWeblog"));
    QString body;
    for (const char* name : {"a.txt", "b.txt"}) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name);
        file.close();
        library.attachments << Attachment::attachmentWithPath(path);
        body += library.attachments.last()->uniqueID() + QLatin1Char(' ');
        entry->addKeyToAttachments(library.attachments.last()->uniqueID());
    }
    AttachmentLibrary::setSharedInstance(&library);
    PacedUploads uploads;
    AttachmentUploads::setSharedInstance(&uploads);
    entry->setBody(body);

    // The second fails: nothing is published, the reason shows in a row.
    uploads.failing = 2;
    QVERIFY(entry->publish());
    QTRY_VERIFY(!entry->beingPublished());
    QStringList both = uploads.order;
    both.sort();
    QCOMPARE(both, QStringList({"a.txt", "b.txt"}));
    QCOMPARE(uploads.mostInFlight, 1);
    QVERIFY(m_methods.isEmpty());
    QCOMPARE(errorRowMessage(*m_list), QStringLiteral("The media server is full."));
    QVERIFY(!m_setup.account->isCritical());

    // Both up, one after the other, then the post with both addresses.
    uploads.failing = 0;
    const QString failed = uploads.order.last();
    uploads.order.clear();
    const Outcome outcome = publish(*m_road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    QCOMPARE(uploads.order, QStringList({failed})); // the other has its address already
    const QString sent = QString::fromUtf8(m_bodies.first());
    QVERIFY(sent.contains(QLatin1String("media.example/a.txt")));
    QVERIFY(sent.contains(QLatin1String("media.example/b.txt")));
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
