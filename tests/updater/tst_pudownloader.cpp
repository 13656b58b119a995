#include "PUDownloader.h"
#include "TestHttpServer.h"
#include "UpdateTestKit.h"

#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

using plumet::test::serveWithRanges;
using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using Request = TestHttpServer::Request;

namespace {

QByteArray payload(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((qint64(i) * 7919) % 251);
    return bytes;
}

struct Run {
    QList<qint64> lengths;
    QList<float> progress;
    bool finished = false;
    QString failure;
    QByteArray file;
};

} // namespace

class tst_PUDownloader : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void downloadsWithLengthAndProgress();
    void downloadsWithoutLength();
    void resumesWhereItStopped();
    void givesUpAfterRepeatedInterruptions();
    void refusesInsecureAddresses_data();
    void refusesInsecureAddresses();
    void givesTheCredentialOnlyToItsHost_data();
    void givesTheCredentialOnlyToItsHost();
    void reportsAnErrorStatus();
    void stopsAtTheAnnouncedLength_data();
    void stopsAtTheAnnouncedLength();

private:
    Run download(const QUrl& url, qint64 announced = 0,
                 qint64 cap = PUDownloader::MaxUnannouncedBytes);

    TestHttpServer m_server;
    QTemporaryDir m_folder;
};

void tst_PUDownloader::initTestCase()
{
    QVERIFY(m_server.listenTlsSelfSigned());
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(m_server.certificate());
    QSslConfiguration::setDefaultConfiguration(trusting);
}

Run tst_PUDownloader::download(const QUrl& url, qint64 announced, qint64 cap)
{
    Run run;
    static int downloads = 0;
    const QString path = m_folder.filePath(QStringLiteral("download-%1").arg(++downloads));
    PUDownloader downloader(url, path);
    downloader.setLengthLimit(announced, cap);
    connect(&downloader, &PUDownloader::fileLengthKnown, this, [&](qint64 l) { run.lengths << l; });
    connect(&downloader, &PUDownloader::downloadProgressed, this,
            [&](float p) { run.progress << p; });
    connect(&downloader, &PUDownloader::downloadFinished, this, [&] { run.finished = true; });
    connect(&downloader, &PUDownloader::downloadFailed, this,
            [&](const QString& why) { run.failure = why.isEmpty() ? "?" : why; });
    downloader.start();
    if (!QTest::qWaitFor([&] { return run.finished || !run.failure.isEmpty(); }, 30000))
        run.failure = QStringLiteral("timed out");
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        run.file = file.readAll();
    return run;
}

void tst_PUDownloader::downloadsWithLengthAndProgress()
{
    const QByteArray body = payload(300000);
    m_server.setHandler([&](const Request& r) { return serveWithRanges(r, body); });
    const qsizetype before = m_server.requests().size();
    const Run run = download(m_server.url(QStringLiteral("/plumet.tar.gz")));
    QVERIFY2(run.finished, qPrintable(run.failure));
    QCOMPARE(run.file, body);
    QCOMPARE(run.lengths, QList<qint64>{body.size()});
    QCOMPARE(run.progress.last(), 100.0f);
    const Request& request = m_server.requests().at(before);
    QCOMPARE(request.header("Accept-Encoding"), QByteArray("identity"));
    QVERIFY(request.header("User-Agent").startsWith("plumet/3.0 (Linux; "));
}

void tst_PUDownloader::downloadsWithoutLength()
{
    const QByteArray body = payload(50000);
    m_server.setHandler([&](const Request&) {
        Response response = Response::ok(body, "application/octet-stream");
        response.announceLength = false;
        return response;
    });
    const Run run = download(m_server.url(QStringLiteral("/plumet.tar.gz")));
    QVERIFY2(run.finished, qPrintable(run.failure));
    QCOMPARE(run.file, body);
    QVERIFY(run.lengths.isEmpty());
    // Measured against the assumed length, progress stays low.
    QVERIFY(run.progress.last() < 0.01f);
}

void tst_PUDownloader::resumesWhereItStopped()
{
    const QByteArray body = payload(400000);
    int answered = 0;
    m_server.setHandler([&](const Request& r) {
        if (answered++ == 0) {
            Response cut = Response::ok(body, "application/octet-stream");
            cut.action = Response::Action::Truncate;
            return cut;
        }
        return serveWithRanges(r, body);
    });
    const qsizetype before = m_server.requests().size();
    const Run run = download(m_server.url(QStringLiteral("/plumet.tar.gz")));
    QVERIFY2(run.finished, qPrintable(run.failure));
    QCOMPARE(run.file, body);
    QCOMPARE(m_server.requests().size() - before, 2);
    const QByteArray range = m_server.requests().at(before + 1).header("Range");
    QVERIFY(range.startsWith("bytes="));
    const qint64 resumedAt = range.mid(6, range.indexOf('-') - 6).toLongLong();
    QVERIFY(resumedAt > 0 && resumedAt < body.size());
    // The resumed total counts the part already there, and progress starts from it.
    QCOMPARE(run.lengths, (QList<qint64>{body.size(), body.size()}));
    QVERIFY(run.progress.contains(float(double(resumedAt) / double(body.size()) * 100.0)));
}

void tst_PUDownloader::givesUpAfterRepeatedInterruptions()
{
    const QByteArray body = payload(200000);
    m_server.setHandler([&](const Request& r) {
        Response cut = serveWithRanges(r, body);
        cut.action = Response::Action::Truncate;
        return cut;
    });
    const qsizetype before = m_server.requests().size();
    const Run run = download(m_server.url(QStringLiteral("/plumet.tar.gz")));
    QVERIFY(!run.finished);
    QVERIFY(!run.failure.isEmpty());
    QCOMPARE(m_server.requests().size() - before, PUDownloader::maximumResumes + 1);
}

void tst_PUDownloader::refusesInsecureAddresses_data()
{
    QTest::addColumn<bool>("redirect");
    QTest::newRow("plain http address") << false;
    QTest::newRow("redirect to http") << true;
}

void tst_PUDownloader::refusesInsecureAddresses()
{
    QFETCH(bool, redirect);
    TestHttpServer plain;
    QVERIFY(plain.listen());
    plain.setHandler([](const Request&) { return Response::ok("archive"); });
    m_server.setHandler([&](const Request&) {
        return Response::redirect(302, plain.url(QStringLiteral("/plumet.tar.gz")).toEncoded());
    });
    const Run run = download(redirect ? m_server.url(QStringLiteral("/plumet.tar.gz"))
                                      : plain.url(QStringLiteral("/plumet.tar.gz")));
    QVERIFY(!run.finished);
    QVERIFY(!run.failure.isEmpty());
    QVERIFY(plain.requests().isEmpty());
}

void tst_PUDownloader::givesTheCredentialOnlyToItsHost_data()
{
    QTest::addColumn<bool>("redirectElsewhere");
    QTest::newRow("the download's own host") << false;
    QTest::newRow("another host after a redirect") << true;
}

void tst_PUDownloader::givesTheCredentialOnlyToItsHost()
{
    QFETCH(bool, redirectElsewhere);
    const QByteArray fixed = "Basic " + QByteArray("tester:R#6m9").toBase64();
    QUrl elsewhere = m_server.url(QStringLiteral("/protected"));
    elsewhere.setHost(QStringLiteral("localhost"));
    m_server.setHandler([&](const Request& request) {
        if (request.target == "/start")
            return Response::redirect(302, elsewhere.toEncoded());
        if (request.header("Authorization") == fixed)
            return Response::ok("archive");
        Response challenge = Response::withStatus(401);
        challenge.headers.append(
            {QByteArray("WWW-Authenticate"), QByteArray("Basic realm=\"downloads\"")});
        return challenge;
    });
    const qsizetype before = m_server.requests().size();
    const Run run = download(redirectElsewhere ? m_server.url(QStringLiteral("/start"))
                                               : m_server.url(QStringLiteral("/protected")));
    QCOMPARE(run.finished, !redirectElsewhere);
    int protectedRequests = 0;
    for (qsizetype i = before; i < m_server.requests().size(); ++i) {
        const Request& request = m_server.requests().at(i);
        protectedRequests += request.target == "/protected";
        if (redirectElsewhere)
            QVERIFY(request.header("Authorization").isEmpty());
    }
    // The other host was reached and challenged, and got nothing.
    QVERIFY(protectedRequests >= 1);
    if (!redirectElsewhere)
        QCOMPARE(run.file, QByteArray("archive"));
}

void tst_PUDownloader::reportsAnErrorStatus()
{
    m_server.setHandler(
        [](const Request&) { return Response::withStatus(404, "<html>gone</html>"); });
    const Run run = download(m_server.url(QStringLiteral("/plumet.tar.gz")));
    QVERIFY(!run.finished);
    QVERIFY(run.failure.contains(QLatin1String("404")));
    QVERIFY(run.file.isEmpty());
}

void tst_PUDownloader::stopsAtTheAnnouncedLength_data()
{
    QTest::addColumn<qint64>("announced"); // by the feed; 0: none
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<bool>("serverNamesLength");
    QTest::addColumn<QString>("refusal"); // empty: the download ends well

    const qint64 noCap = PUDownloader::MaxUnannouncedBytes;
    QTest::newRow("server announces more than the feed")
        << qint64(10000) << noCap << true << "announced 400000 bytes";
    QTest::newRow("body without length runs past the feed's")
        << qint64(10000) << noCap << false << "sent more than the 10000 bytes";
    QTest::newRow("nothing announced, body runs past the cap")
        << qint64(0) << qint64(10000) << false << "sent more than the 10000 bytes";
    QTest::newRow("exactly the announced length") << qint64(400000) << noCap << false << "";
}

void tst_PUDownloader::stopsAtTheAnnouncedLength()
{
    QFETCH(qint64, announced);
    QFETCH(qint64, cap);
    QFETCH(bool, serverNamesLength);
    QFETCH(QString, refusal);
    const QByteArray body = payload(400000);
    m_server.setHandler([&](const Request&) {
        Response response = Response::ok(body, "application/octet-stream");
        response.announceLength = serverNamesLength;
        return response;
    });
    const Run run = download(m_server.url(QStringLiteral("/plumet.tar.gz")), announced, cap);
    if (refusal.isEmpty()) {
        QVERIFY2(run.finished, qPrintable(run.failure));
        QCOMPARE(run.file, body);
        return;
    }
    QVERIFY(!run.finished);
    QVERIFY2(run.failure.contains(refusal), qPrintable(run.failure));
    // Nothing past the limit reached the disk.
    QVERIFY(run.file.size() <= (announced > 0 ? announced : cap));
}

QTEST_GUILESS_MAIN(tst_PUDownloader)
#include "tst_pudownloader.moc"
