#include "ImageAttachment.h"
#include "MediaDownloadRoad.h"
#include "TestHttpServer.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

namespace {

QByteArray pngBytes()
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

struct Outcome {
    bool ended = false;
    QByteArray bytes;
    QString error;
};

} // namespace

// Pictures fetched from the web for new attachments, from a loopback server.
class tst_MediaDownloadRoad : public QObject {
    Q_OBJECT
private slots:
    void picture();
    void refusals_data();
    void refusals();
    void notAWebAddress();
    void attachmentFromTheWeb();
};

void tst_MediaDownloadRoad::picture()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(TestHttpServer::Response::ok(pngBytes(), "image/png"));
    MediaDownloadRoad road;
    Outcome outcome;
    QObject context;
    road.fetch(server.url("/p.png"), 30, 1024 * 1024, &context,
               [&](const QByteArray& bytes, const QString& error) {
                   outcome = {true, bytes, error};
               });
    QVERIFY(!outcome.ended);
    QTRY_VERIFY(outcome.ended);
    QCOMPARE(outcome.bytes, pngBytes());
    QVERIFY(outcome.error.isEmpty());
}

void tst_MediaDownloadRoad::refusals_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("larger than the cap") << 0;
    QTest::newRow("not found") << 1;
    QTest::newRow("too slow") << 2;
    QTest::newRow("cut short") << 3;
}

void tst_MediaDownloadRoad::refusals()
{
    QFETCH(int, kind);
    TestHttpServer server;
    QVERIFY(server.listen());
    using Response = TestHttpServer::Response;
    const Response responses[] = {Response::junk(200 * 1024), Response::htmlError(404),
                                  Response::trickle(16, std::chrono::milliseconds(100)),
                                  Response::truncated(pngBytes())};
    server.enqueue(responses[kind]);
    MediaDownloadRoad road;
    Outcome outcome;
    QObject context;
    // A cap of 64 KB and a deadline of 2 seconds.
    road.fetch(server.url("/p.png"), 2, 64 * 1024, &context,
               [&](const QByteArray& bytes, const QString& error) {
                   outcome = {true, bytes, error};
               });
    QTRY_VERIFY_WITH_TIMEOUT(outcome.ended, 20000);
    QVERIFY(outcome.bytes.isEmpty());
    QVERIFY(!outcome.error.isEmpty());
    QVERIFY(server.streamedBytes() < 10 * 1024 * 1024);
}

void tst_MediaDownloadRoad::notAWebAddress()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile secret(folder.filePath(QStringLiteral("secret.png")));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write(pngBytes());
    secret.close();
    MediaDownloadRoad road;
    Outcome outcome;
    QObject context;
    road.fetch(QUrl::fromLocalFile(QFileInfo(secret).absoluteFilePath()), 30, 1024 * 1024, &context,
               [&](const QByteArray& bytes, const QString& error) {
                   outcome = {true, bytes, error};
               });
    QTRY_VERIFY(outcome.ended);
    QVERIFY(outcome.bytes.isEmpty());
    QVERIFY(!outcome.error.isEmpty());
}

void tst_MediaDownloadRoad::attachmentFromTheWeb()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(TestHttpServer::Response::ok(pngBytes(), "image/png"));
    MediaDownloadRoad road;
    MediaDownloads::setSharedInstance(&road);
    std::shared_ptr<ImageAttachment> image;
    bool ended = false;
    QObject context;
    const QUrl address = server.url("/gallery/red.png");
    ImageAttachment::initWithURL(address, &context,
                                 [&](std::shared_ptr<ImageAttachment> made, const QString&) {
                                     ended = true;
                                     image = std::move(made);
                                 });
    QTRY_VERIFY(ended);
    QVERIFY(image);
    QCOMPARE(image->uploadPath(), address.toString(QUrl::FullyEncoded));
    QCOMPARE(image->fileName(), QStringLiteral("red.png"));
    QFile copy(image->filePath());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), pngBytes());
    MediaDownloads::setSharedInstance(nullptr);
}

QTEST_MAIN(tst_MediaDownloadRoad)
#include "tst_mediadownloadroad.moc"
