#include "BoundedReply.h"
#include "TestHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using namespace std::chrono_literals;

class tst_BoundedReply : public QObject {
    Q_OBJECT
private slots:
    void endsWithinItsLimits_data();
    void endsWithinItsLimits();
};

void tst_BoundedReply::endsWithinItsLimits_data()
{
    QTest::addColumn<int>("misbehaviour");
    QTest::addColumn<int>("code"); // 0: a complete answer
    QTest::addColumn<QString>("messageStart");
    using M = Response::Misbehaviour;
    QTest::newRow("trickle past the deadline")
        << int(M::Trickle) << -1001 << "\"ADDRESS\" took longer than 1.5 seconds to answer";
    QTest::newRow("endless chunked")
        << int(M::EndlessChunked) << -1103 << "The answer from \"ADDRESS\" is larger than 1 MB";
    QTest::newRow("100 MB announced") << int(M::HundredMegabytesOfJunk) << -1103
                                      << "The answer from \"ADDRESS\" is larger than 1 MB";
    QTest::newRow("cut short") << int(M::Truncated) << -1005
                               << "The connection to \"ADDRESS\" broke off";
    QTest::newRow("corrupt gzip") << int(M::CorruptGzip) << -1011
                                  << "The answer from \"ADDRESS\" could not be read";
    QTest::newRow("error page") << int(M::HtmlError) << 0 << QString();
    QTest::newRow("empty") << int(M::Empty) << 0 << QString();
}

void tst_BoundedReply::endsWithinItsLimits()
{
    QFETCH(int, misbehaviour);
    QFETCH(int, code);
    QFETCH(QString, messageStart);
    TestHttpServer server;
    QVERIFY(server.listen());
    const Response response = Response::misbehaving(Response::Misbehaviour(misbehaviour));
    server.setHandler([response](const auto&) { return response; });

    QNetworkAccessManager manager;
    BoundedReply answer(manager.get(QNetworkRequest(server.url())), {1024 * 1024, 1500ms});
    int finishes = 0;
    connect(&answer, &BoundedReply::finished, this, [&] { ++finishes; });
    QVERIFY(QTest::qWaitFor([&] { return finishes > 0; }, 20000));
    QTest::qWait(100);
    QCOMPARE(finishes, 1);
    if (code == 0) {
        QVERIFY(!answer.failure());
        QCOMPARE(answer.status(), std::optional<int>(response.status));
        QCOMPARE(answer.body(), response.body);
        return;
    }
    QVERIFY(answer.failure());
    QCOMPARE(answer.failure()->code, code);
    messageStart.replace(QStringLiteral("ADDRESS"), server.url().toString());
    QVERIFY2(answer.failure()->message.startsWith(messageStart),
             qPrintable(answer.failure()->message));
    QVERIFY(answer.body().isEmpty() || code != -1103);
    QVERIFY(server.streamedBytes() < 40 * 1024 * 1024);
}

QTEST_GUILESS_MAIN(tst_BoundedReply)
#include "tst_boundedreply.moc"
