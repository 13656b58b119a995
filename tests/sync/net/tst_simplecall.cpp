#include "RecordingDelegate.h"
#include "SimpleCall.h"
#include "TestHttpServer.h"

#include <QSslConfiguration>
#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;

namespace {

class Recorder : public SimpleCallDelegate {
public:
    void simpleCallDidFinish(SimpleCall* call) override
    {
        ++finishes;
        body = call->restData();
    }
    void simpleCallDidFail(SimpleCall*, const std::optional<RestError>& failure) override
    {
        ++failures;
        error = failure;
    }
    int finishes = 0;
    int failures = 0;
    QByteArray body;
    std::optional<RestError> error;
};

QByteArray fixedLogin()
{
    return "Basic " + QByteArray("tester:R#6m9").toBase64();
}

Response challenge()
{
    Response answer = Response::withStatus(401);
    answer.headers.append({QByteArray("WWW-Authenticate"), QByteArray("Basic realm=\"updates\"")});
    return answer;
}

// A TLS server whose certificate the calls of this test trust.
bool listenTrusted(TestHttpServer& server)
{
    if (!server.listenTlsSelfSigned())
        return false;
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(server.certificate());
    QSslConfiguration::setDefaultConfiguration(trusting);
    return true;
}

} // namespace

class tst_SimpleCall : public QObject {
    Q_OBJECT
private slots:
    void fetchesFollowingRedirects();
    void logsTheWholeExchange_data();
    void logsTheWholeExchange();
    void answersOnlyTheFirstChallenge_data();
    void answersOnlyTheFirstChallenge();
    void keepsTheFixedLoginToItsSecureHost_data();
    void keepsTheFixedLoginToItsSecureHost();
    void unusableAddressMakesNoCall();
    void cancelReportsNoError();
    void brokenFeedFailsWithItsCause_data();
    void brokenFeedFailsWithItsCause();
};

void tst_SimpleCall::fetchesFollowingRedirects()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::redirect(302, "/feed.xml"));
    server.enqueue(Response::ok("<rss/>"));
    Recorder recorder;
    std::unique_ptr<SimpleCall> call(
        SimpleCall::create(server.url(QStringLiteral("/check?a=1&amp;b=2")).toString(), &recorder));
    QVERIFY(call);
    QVERIFY(QTest::qWaitFor([&] { return recorder.finishes + recorder.failures > 0; }, 15000));
    QCOMPARE(recorder.finishes, 1);
    QCOMPARE(recorder.body, QByteArray("<rss/>"));
    QCOMPARE(server.requests().first().target, QByteArray("/check?a=1&b=2"));
}

void tst_SimpleCall::logsTheWholeExchange_data()
{
    QTest::addColumn<bool>("broken");
    // Each row: what the console holds after the request line, in order.
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("redirected feed")
        << false
        << QStringList{
               QStringLiteral("Response:\nStatus            : 302\n"),
               QStringLiteral("Redirected (302):\nFrom              : http://127.0.0.1:PORT/check\n"
                              "To                : http://127.0.0.1:PORT/feed.xml\n\n"),
               QStringLiteral("Response:\nStatus            : 200\n"),
               QStringLiteral("Content-Type      : text/xml\n"), QStringLiteral("\n<rss/>\n\n")};
    QTest::newRow("connection reset")
        << true
        << QStringList{QStringLiteral("Connection failed:\nError code        : -1005\n"),
                       QStringLiteral("Error domain      : http://127.0.0.1:PORT/check\n\n")};
}

void tst_SimpleCall::logsTheWholeExchange()
{
    QFETCH(bool, broken);
    QFETCH(QStringList, parts);
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    if (broken) {
        server.enqueue(Response::resetMidAnswer("<rss>cut</rss>"));
    } else {
        server.enqueue(Response::redirect(302, "/feed.xml"));
        server.enqueue(Response::ok("<rss/>", "text/xml"));
    }
    Recorder recorder;
    std::unique_ptr<SimpleCall> call(
        SimpleCall::create(server.url(QStringLiteral("/check")), &recorder));
    QVERIFY(QTest::qWaitFor([&] { return recorder.finishes + recorder.failures > 0; }, 15000));
    QCOMPARE(recorder.failures, broken ? 1 : 0);
    const QString port = QString::number(server.port());
    const QString request =
        QStringLiteral("Request with URL:\nhttp://127.0.0.1:%1/check\n\n").arg(port);
    QVERIFY2(console.text.startsWith(request), qPrintable(console.text));
    qsizetype from = request.size();
    for (QString& part : parts) {
        part.replace(QStringLiteral("PORT"), port);
        const qsizetype at = console.text.indexOf(part, from);
        QVERIFY2(at >= 0,
                 qPrintable(part + QStringLiteral(" not after ") + console.text.mid(from)));
        from = at + part.size();
    }
    QCOMPARE(from, console.text.size());
}

void tst_SimpleCall::answersOnlyTheFirstChallenge_data()
{
    QTest::addColumn<bool>("accepts");
    QTest::newRow("accepted") << true;
    QTest::newRow("rejected, second challenge cancelled") << false;
}

void tst_SimpleCall::answersOnlyTheFirstChallenge()
{
    QFETCH(bool, accepts);
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(listenTrusted(server));
    const QByteArray fixed = fixedLogin();
    server.setHandler([&](const TestHttpServer::Request& request) {
        if (accepts && request.header("Authorization") == fixed)
            return Response::ok("feed");
        return challenge();
    });
    Recorder recorder;
    std::unique_ptr<SimpleCall> call(SimpleCall::create(server.url(), &recorder));
    QVERIFY(QTest::qWaitFor([&] { return recorder.finishes + recorder.failures > 0; }, 15000));
    QCOMPARE(recorder.finishes, accepts ? 1 : 0);
    QCOMPARE(recorder.failures, accepts ? 0 : 1);
    if (!accepts) {
        QVERIFY(recorder.error);
        QCOMPARE(recorder.error->code, -1013);
        QCOMPARE(server.requests().size(), 2);
    }
    QVERIFY(
        console.text.contains(QStringLiteral("Status            : %1\n").arg(accepts ? 200 : 401)));
    QVERIFY(!console.text.contains(QStringLiteral("R#6m9")));
    QVERIFY(!console.text.contains(QString::fromLatin1(fixed.mid(6))));
}

void tst_SimpleCall::keepsTheFixedLoginToItsSecureHost_data()
{
    QTest::addColumn<bool>("secure");
    QTest::addColumn<bool>("redirected");
    QTest::newRow("plain http") << false << false;
    QTest::newRow("another host after a redirect") << true << true;
}

void tst_SimpleCall::keepsTheFixedLoginToItsSecureHost()
{
    QFETCH(bool, secure);
    QFETCH(bool, redirected);
    TestHttpServer server;
    QVERIFY(secure ? listenTrusted(server) : server.listen());
    QUrl elsewhere = server.url(QStringLiteral("/feed.xml"));
    elsewhere.setHost(QStringLiteral("localhost"));
    int challenged = 0;
    server.setHandler([&](const TestHttpServer::Request& request) {
        if (redirected && request.target == "/start")
            return Response::redirect(302, elsewhere.toEncoded());
        if (!request.header("Authorization").isEmpty())
            return Response::ok("feed");
        ++challenged;
        return challenge();
    });
    Recorder recorder;
    std::unique_ptr<SimpleCall> call(SimpleCall::create(
        server.url(redirected ? QStringLiteral("/start") : QStringLiteral("/")), &recorder));
    QVERIFY(QTest::qWaitFor([&] { return recorder.finishes + recorder.failures > 0; }, 15000));
    QCOMPARE(recorder.finishes, 0);
    QCOMPARE(challenged, 1);
    for (const TestHttpServer::Request& request : server.requests())
        QVERIFY(request.header("Authorization").isEmpty());
}

void tst_SimpleCall::unusableAddressMakesNoCall()
{
    Recorder recorder;
    QVERIFY(!SimpleCall::create(QString(), &recorder));
    QVERIFY(!SimpleCall::create(QStringLiteral("   "), &recorder));
}

void tst_SimpleCall::cancelReportsNoError()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::withAction(Response::Action::NeverAnswer));
    Recorder recorder;
    std::unique_ptr<SimpleCall> call(SimpleCall::create(server.url(), &recorder));
    QVERIFY(QTest::qWaitFor([&] { return !server.requests().isEmpty(); }, 5000));
    call->cancel();
    QCOMPARE(recorder.failures, 1);
    QVERIFY(!recorder.error);
}

void tst_SimpleCall::brokenFeedFailsWithItsCause_data()
{
    QTest::addColumn<int>("misbehaviour");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("messageStart");
    using M = Response::Misbehaviour;
    QTest::newRow("reset mid-answer")
        << int(M::ResetMidAnswer) << -1005 << "The connection to \"ADDRESS\" broke off";
    QTest::newRow("corrupt gzip") << int(M::CorruptGzip) << -1011
                                  << "The answer from \"ADDRESS\" could not be read";
    QTest::newRow("endless chunked")
        << int(M::EndlessChunked) << -1103 << "The answer from \"ADDRESS\" is larger than 2 MB";
    QTest::newRow("html error page delivered") << int(M::HtmlError) << 0 << QString();
}

void tst_SimpleCall::brokenFeedFailsWithItsCause()
{
    QFETCH(int, misbehaviour);
    QFETCH(int, code);
    QFETCH(QString, messageStart);
    TestHttpServer server;
    QVERIFY(server.listen());
    const Response response = Response::misbehaving(Response::Misbehaviour(misbehaviour));
    server.setHandler([response](const auto&) { return response; });
    Recorder recorder;
    std::unique_ptr<SimpleCall> call(SimpleCall::create(server.url(), &recorder));
    QVERIFY(call);
    QVERIFY(QTest::qWaitFor([&] { return recorder.finishes + recorder.failures > 0; }, 20000));
    if (messageStart.isEmpty()) {
        QCOMPARE(recorder.finishes, 1);
        QVERIFY(!recorder.body.isEmpty());
        return;
    }
    QCOMPARE(recorder.failures, 1);
    QVERIFY(recorder.error);
    QCOMPARE(recorder.error->code, code);
    messageStart.replace(QStringLiteral("ADDRESS"), server.url().toString());
    QVERIFY2(recorder.error->message.startsWith(messageStart), qPrintable(recorder.error->message));
}

QTEST_GUILESS_MAIN(tst_SimpleCall)
#include "tst_simplecall.moc"
