#include "Account.h"
#include "AuthPrompter.h"
#include "Blog.h"
#include "JobRoads.h"
#include "KeyChain.h"
#include "TestHttpServer.h"
#include "TestSecretService.h"

#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

// Answers the login sheet with one login and notes what it was asked.
class TypedLogin : public AuthPrompter {
public:
    TypedLogin() { AuthPrompter::setSharedInstance(this); }
    ~TypedLogin() override { AuthPrompter::setSharedInstance(nullptr); }
    void ask(const QString& caption, const QString&, Completion done) override
    {
        captions << caption;
        QMetaObject::invokeMethod(
            &context,
            [done] {
                done({true, QStringLiteral("gate"), QStringLiteral("gate-pw")});
            },
            Qt::QueuedConnection);
    }
    QStringList captions;
    QObject context;
};

struct Fetched {
    int answers = 0;
    QString text, error;
    QUrl address;
};

std::shared_ptr<Fetched> download(Account& account, const QString& address, QObject* context)
{
    auto fetched = std::make_shared<Fetched>();
    const bool started = account.downloadFromURL(
        address, context, [fetched](const QString& text, const QUrl& from, const QString& why) {
            ++fetched->answers;
            fetched->text = text;
            fetched->address = from;
            fetched->error = why;
        });
    if (!started)
        fetched->answers = -1;
    return fetched;
}

} // namespace

// The new-account wizard's page fetch (Account::downloadFromURL): the page's
// text and where it finally came from, or the cause of the failure. A page is
// read within the limits of a page fetch, not those of a blog's server
// answers; a login typed for it stays with the download. A blog's charset
// check (Blog::detectEncoding) fetches its page the same way.
class tst_DownloadJob : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void answersTheTextOrTheCause_data();
    void answersTheTextOrTheCause();
    void redirectedPageAnswersWhereItCameFrom();
    void typedLoginStaysWithTheDownload();
    void blogEncodingFromItsPage_data();
    void blogEncodingFromItsPage();

private:
    plumet::test::TestKeyring keyring;
};

void tst_DownloadJob::initTestCase()
{
    QString error;
    QVERIFY2(keyring.start(&error), qPrintable(error));
    JobRoads::install();
}

void tst_DownloadJob::answersTheTextOrTheCause_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error"); // "ADDRESS" is the server's
    QTest::newRow("a page") << Response::ok("<html><head><title>Blog</title></head></html>",
                                            "text/html")
                            << "<html><head><title>Blog</title></head></html>" << QString();
    QTest::newRow("no data") << Response::empty() << QString()
                             << "The provided url [ADDRESS] did not contain data.";
    QTest::newRow("missing page") << Response::withStatus(404, "missing") << QString()
                                  << "The provided web address does not exist.";
    QTest::newRow("endless answer")
        << Response::endlessChunked() << QString()
        << "The answer from \"ADDRESS\" is larger than 8 MB, the most plumet accepts for this "
           "request, so it was not read [-1103].";
    QTest::newRow("100 MB announced")
        << Response::junk(100 * 1024 * 1024) << QString()
        << "The answer from \"ADDRESS\" is larger than 8 MB, the most plumet accepts for this "
           "request, so it was not read [-1103].";
}

void tst_DownloadJob::answersTheTextOrTheCause()
{
    QFETCH(Response, response);
    QFETCH(QString, text);
    QFETCH(QString, error);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([response](const auto&) { return response; });
    const QString address = server.url(QStringLiteral("/")).toString();
    Account scratch;
    scratch.setUrl(address);

    QObject context;
    const auto fetched = download(scratch, address, &context);
    QTRY_COMPARE_WITH_TIMEOUT(fetched->answers, 1, 20000);
    QCOMPARE(fetched->text, text);
    QVERIFY2(fetched->error.startsWith(QString(error).replace(QStringLiteral("ADDRESS"), address)),
             qPrintable(fetched->error));
    QCOMPARE(fetched->error.isEmpty(), error.isEmpty());
}

void tst_DownloadJob::redirectedPageAnswersWhereItCameFrom()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    const QByteArray blog = server.url(QStringLiteral("/blog/")).toEncoded();
    server.setHandler([blog](const TestHttpServer::Request& request) {
        return request.target == "/" ? Response::redirect(301, blog)
                                     : Response::ok("<html>blog</html>", "text/html");
    });
    Account scratch;
    QObject context;
    const auto fetched = download(scratch, server.url(QStringLiteral("/")).toString(), &context);
    QTRY_COMPARE_WITH_TIMEOUT(fetched->answers, 1, 20000);
    QCOMPARE(fetched->error, QString());
    QCOMPARE(fetched->address, server.url(QStringLiteral("/blog/")));
}

void tst_DownloadJob::typedLoginStaysWithTheDownload()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([](const TestHttpServer::Request& request) {
        return request.header("Authorization").isEmpty() ? Response::challenge("Members")
                                                         : Response::ok("<html>in</html>");
    });
    const QString address = server.url(QStringLiteral("/private/")).toString();
    // The wizard's scratch account looks at another address than the page.
    Account scratch;
    scratch.setUrl(server.url(QStringLiteral("/xmlrpc.php")).toString());
    TypedLogin login;
    QObject context;
    const auto fetched = download(scratch, address, &context);
    QTRY_COMPARE_WITH_TIMEOUT(fetched->answers, 1, 20000);
    QCOMPARE(fetched->text, QStringLiteral("<html>in</html>"));
    // The sheet named the page, and the login went nowhere else.
    QCOMPARE(login.captions.size(), 1);
    QVERIFY2(login.captions.first().contains(address), qPrintable(login.captions.first()));
    QCOMPARE(scratch.authUsername(), QString());
    QCOMPARE(scratch.authPassword(), QString(""));
    QCOMPARE(KeyChain::sharedInstance().genericPassword(
                 QStringLiteral("plumet(auth) : %1").arg(scratch.url()), QStringLiteral("gate")),
             QString(""));
}

void tst_DownloadJob::blogEncodingFromItsPage_data()
{
    QTest::addColumn<Response>("page");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QVariant>("after");
    const QByteArray head = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; ";
    QTest::newRow("utf-8 page") << Response::ok(head + "charset=UTF-8\"></head></html>",
                                                "text/html")
                                << QVariant() << QVariant(false);
    QTest::newRow("latin-1 page") << Response::ok(head + "charset=iso-8859-1\"></head></html>",
                                                  "text/html")
                                  << QVariant(false) << QVariant(true);
    QTest::newRow("WordPress meta charset")
        << Response::ok("<html><head><meta charset=\"UTF-8\" /></head></html>", "text/html")
        << QVariant(true) << QVariant(false);
    QTest::newRow("the header names it")
        << Response::ok("<html><head><title>Blog</title></head></html>", "text/html; charset=UTF-8")
        << QVariant(true) << QVariant(false);
    QTest::newRow("error page keeps the setting")
        << Response::withStatus(500, "<html><body>Internal error</body></html>") << QVariant(false)
        << QVariant(false);
    QTest::newRow("no answer, still unset")
        << Response::withAction(Response::Action::Close) << QVariant() << QVariant();
}

void tst_DownloadJob::blogEncodingFromItsPage()
{
    QFETCH(Response, page);
    QFETCH(QVariant, before);
    QFETCH(QVariant, after);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setHandler([page](const auto&) { return page; });
    Blog blog;
    blog.setUrl(server.url(QStringLiteral("/blog/")).toString());
    blog.setOption(QStringLiteral("convertEntities"), before);
    bool ended = false;
    blog.detectEncoding([&ended] { ended = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ended, 15000);
    QCOMPARE(blog.option(QStringLiteral("convertEntities")), after);
    QVERIFY(!server.requests().isEmpty());
    QCOMPARE(server.requests().first().target, QByteArray("/blog/"));

    Blog withoutAddress; // nothing to fetch: ends at once, nothing set
    bool endedAtOnce = false;
    withoutAddress.detectEncoding([&endedAtOnce] { endedAtOnce = true; });
    QVERIFY(endedAtOnce);
    QVERIFY(!withoutAddress.option(QStringLiteral("convertEntities")).isValid());
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_DownloadJob)
#include "tst_downloadjob.moc"
