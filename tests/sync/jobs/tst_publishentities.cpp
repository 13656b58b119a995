#include "Blog.h"
#include "Entry.h"
#include "PublishTesting.h"
#include "ServerRoads.h"
#include "TestHttpServer.h"
#include "TestSecretService.h"

#include <QTest>
#include <QTimeZone>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using namespace plumet::test;

// A blog that takes only ASCII ("convertEntities" on), published to a server
// that keeps the texts as they came and hands them back: what the post says
// survives the trip, and the read-back shows no difference.
namespace {

QByteArray answer(const QByteArray& value)
{
    return "<?xml version=\"1.0\"?>\n<methodResponse><params><param><value>" + value +
           "</value></param></params></methodResponse>";
}

// The member's value as the request carries it, XML escapes and all.
QByteArray rawMember(const QByteArray& body, const QByteArray& name)
{
    const QRegularExpression member(
        QStringLiteral("<name>%1</name>\\s*<value>\\s*(?:<string>)?([^<]*)")
            .arg(QString::fromLatin1(name)));
    return member.match(QString::fromUtf8(body)).captured(1).toUtf8();
}

QString unescaped(const QByteArray& xml)
{
    return QString::fromUtf8(xml)
        .replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&apos;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
}

} // namespace

class tst_PublishEntities : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void publishedThenReadBack_data();
    void publishedThenReadBack();

private:
    plumet::test::TestKeyring m_keyring;
};

void tst_PublishEntities::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    loadDrivers();
}

void tst_PublishEntities::publishedThenReadBack_data()
{
    QTest::addColumn<QString>("text");     // the body and the extended text
    QTest::addColumn<QString>("sentPart"); // found in what went out
    QTest::addColumn<QString>("readBack"); // the body after the read-back

    const QString xss = QStringLiteral("<p>&lt;script&gt;alert(1)&lt;/script&gt;</p>");
    QTest::newRow("escaped script stays text") << xss << xss << xss;
    const QString quoted = QStringLiteral("<p><a href=\"/x\" title=\"a &quot;b&quot;\">y</a></p>");
    QTest::newRow("quotes in an attribute") << quoted << quoted << quoted;
    const QString script = QStringLiteral("<script>if (a && b) go();</script><p>x</p>");
    QTest::newRow("&& in a script") << script << script << script;
    QTest::newRow("characters outside ASCII")
        << QString::fromUtf8("<p>Caf\u00e9 \u2713 \U0001F600</p>")
        << "<p>Caf&#233; &#10003; &#128512;</p>"
        << QString::fromUtf8("<p>Caf\u00e9 \u2713 \U0001F600</p>");
    // The server keeps the escape the way out made; the copies still agree.
    QTest::newRow("a stray ampersand") << "<p>Tom & Jerry</p>"
                                       << "<p>Tom &#38; Jerry</p>"
                                       << "<p>Tom &#38; Jerry</p>";
}

void tst_PublishEntities::publishedThenReadBack()
{
    QFETCH(QString, text);
    QFETCH(QString, sentPart);
    QFETCH(QString, readBack);

    TestHttpServer server;
    QVERIFY(server.listen());
    QByteArray description;
    QByteArray more;
    QByteArray sent;
    server.setHandler([&](const TestHttpServer::Request& request) {
        const QString method = methodOf(request.body);
        if (method == QLatin1String("metaWeblog.newPost")) {
            sent = request.body;
            description = rawMember(request.body, "description");
            more = rawMember(request.body, "mt_text_more");
            return Response::ok(answer("<string>77</string>"), "text/xml");
        }
        if (method == QLatin1String("metaWeblog.getPost"))
            return Response::ok(
                answer("<struct><member><name>postid</name><value><string>77</string></value>"
                       "</member><member><name>title</name><value><string>Title</string>"
                       "</value></member><member><name>description</name><value><string>" +
                       description +
                       "</string></value></member><member><name>mt_text_more</name><value>"
                       "<string>" +
                       more +
                       "</string></value></member><member><name>dateCreated</name><value>"
                       "<dateTime.iso8601>20240701T12:00:00Z</dateTime.iso8601></value>"
                       "</member><member><name>mt_keywords</name><value><string></string>"
                       "</value></member></struct>"),
                "text/xml");
        return Response::xmlrpcFault(-32601, QStringLiteral("no such method"));
    });

    ActivityList list;
    PublishRoad road(list);
    ServerRoads::setSharedInstance(&road);
    const auto uninstall = qScopeGuard([] { ServerRoads::setSharedInstance(nullptr); });
    BlogSetup setup =
        makeBlog(QStringLiteral("MetaWeblog"), server.url(QStringLiteral("/xmlrpc.php")),
                 QStringLiteral("me"), QStringLiteral("secret"), QStringLiteral("1"));
    setup.blog->setOption(QStringLiteral("convertEntities"), true);
    auto entry = Entry::create();
    entry->setTitle(QStringLiteral("Title"));
    entry->setBody(text);
    entry->setExtended(text);
    entry->setEntryDate(QDateTime(QDate(2024, 7, 1), QTime(12, 0), QTimeZone::utc()));
    setup.blog->addEntry(entry);

    const Outcome outcome = publish(road, entry);
    QCOMPARE(outcome.state, Job::State::Finished);
    QCOMPARE(unescaped(description), sentPart);
    QCOMPARE(unescaped(more), sentPart);
    for (const char c : description + more)
        QVERIFY2(uchar(c) < 128, sent.constData());

    QVERIFY2(entry->diffs().value_or(QVariantMap()).isEmpty(),
             qPrintable(entry->diffs()->keys().join(u',')));
    QCOMPARE(entry->body(), readBack);
    QCOMPARE(entry->extended(), readBack);
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_PublishEntities)
#include "tst_publishentities.moc"
