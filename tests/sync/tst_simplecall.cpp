#include "SimpleCall.h"
#include "TestHttpServer.h"

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

} // namespace

class TestSimpleCall : public QObject {
    Q_OBJECT
private slots:
    void fetchesFollowingRedirects();
    void answersOnlyTheFirstChallenge_data();
    void answersOnlyTheFirstChallenge();
    void unusableAddressMakesNoCall();
    void cancelReportsNoError();
};

void TestSimpleCall::fetchesFollowingRedirects()
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

void TestSimpleCall::answersOnlyTheFirstChallenge_data()
{
    QTest::addColumn<bool>("accepts");
    QTest::newRow("accepted") << true;
    QTest::newRow("rejected, second challenge cancelled") << false;
}

void TestSimpleCall::answersOnlyTheFirstChallenge()
{
    QFETCH(bool, accepts);
    TestHttpServer server;
    QVERIFY(server.listen());
    const QByteArray fixed = "Basic " + QByteArray("tester:R#6m9").toBase64();
    server.setHandler([&](const TestHttpServer::Request& request) {
        if (accepts && request.header("Authorization") == fixed)
            return Response::ok("feed");
        Response challenge = Response::withStatus(401);
        challenge.headers.append(
            {QByteArray("WWW-Authenticate"), QByteArray("Basic realm=\"updates\"")});
        return challenge;
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
}

void TestSimpleCall::unusableAddressMakesNoCall()
{
    Recorder recorder;
    QVERIFY(!SimpleCall::create(QString(), &recorder));
    QVERIFY(!SimpleCall::create(QStringLiteral("   "), &recorder));
}

void TestSimpleCall::cancelReportsNoError()
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

QTEST_GUILESS_MAIN(TestSimpleCall)
#include "tst_simplecall.moc"
