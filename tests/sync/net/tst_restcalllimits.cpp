#include "HttpConsoleLog.h"
#include "RecordingDelegate.h"
#include "TestHttpServer.h"
#include "TestSupport.h"
#include "TextDecoding.h"
#include "XMLRPCDecoder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace std::chrono_literals;
using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;

namespace {

constexpr QByteArrayView declaration("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");

// A line of /proc/self/status in kilobytes ("VmHWM", "VmRSS"); -1 when missing.
qint64 statusKilobytes(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Sets the process's peak resident size to what it holds now.
bool resetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

bool waitDone(const RecordingDelegate& delegate, int ms = 20000)
{
    return QTest::qWaitFor([&] { return delegate.done(); }, ms);
}

QByteArray post(int words)
{
    QByteArray description;
    for (int i = 0; i < words; ++i)
        description += "word&amp;" + QByteArray::number(i) + " caf\xC3\xA9 ";
    return "<value><struct><member><name>postid</name><value><string>7</string></value></member>"
           "<member><name>description</name><value><string>" +
           description +
           "</string></value></member><member><name>dateCreated</name><value>"
           "<dateTime.iso8601>20261201T10:30:00</dateTime.iso8601></value></member>"
           "</struct></value>\n";
}

} // namespace

class tst_RESTCallLimits : public QObject {
    Q_OBJECT
private slots:
    void anEndlessAnswerStaysWithinTwiceTheCap_data();
    void anEndlessAnswerStaysWithinTwiceTheCap();
    void aLargeAnswerCostsLittleMoreThanItsValue();
    void anAnswerReadAsItArrivesIsTheWholeAnswer();
    void aSlowReaderReceivesTheWholeUpload();
    void aTransferSlowerThanTheMinimumPaceEnds_data();
    void aTransferSlowerThanTheMinimumPaceEnds();
};

void tst_RESTCallLimits::anEndlessAnswerStaysWithinTwiceTheCap_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("piece");
    const QByteArray params = declaration.toByteArray() + "<methodResponse><params><param><value>";
    QTest::newRow("one endless string")
        << params + "<string>" << QByteArray("lorem ipsum &amp; dolor sit amet, caf\xC3\xA9 ");
    QTest::newRow("an endless list of posts") << params + "<array><data>" << post(60);
}

void tst_RESTCallLimits::anEndlessAnswerStaysWithinTwiceTheCap()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, piece);
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::endless(head, piece));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setMethod("POST");
    call.setData("<methodCall/>", "text/xml");
    call.setReadsXmlRpcAnswer(true);
    const qint64 cap = ExchangeLimits::serverAnswer().maximumAnswerBytes;

    if (!resetPeakMemory())
        QSKIP("the peak resident size cannot be reset here");
    const qint64 before = statusKilobytes("VmHWM");
    QVERIFY(before > 0);
    QVERIFY(call.startCall());
    QVERIFY(waitDone(delegate, 60000));
    const qint64 peak = (statusKilobytes("VmHWM") - before) * 1024;

    QVERIFY(delegate.error);
    QCOMPARE(delegate.error->code, -1103);
    QVERIFY2(peak < 2 * cap, qPrintable(QStringLiteral("peak %1 MB").arg(peak >> 20)));
}

// A complete answer near the cap: the bytes are let go of as they are read, so
// the exchange costs its value tree and little else.
void tst_RESTCallLimits::aLargeAnswerCostsLittleMoreThanItsValue()
{
    const QByteArray piece = post(60);
    const qint64 cap = ExchangeLimits::serverAnswer().maximumAnswerBytes;
    const qint64 posts = cap * 3 / 4 / piece.size();
    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::repeating(
        declaration.toByteArray() + "<methodResponse><params><param><value><array><data>", piece,
        posts, "</data></array></value></param></params></methodResponse>"));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setMethod("POST");
    call.setData("<methodCall/>", "text/xml");
    call.setReadsXmlRpcAnswer(true);

    if (!resetPeakMemory())
        QSKIP("the peak resident size cannot be reset here");
    const qint64 before = statusKilobytes("VmHWM");
    QVERIFY(call.startCall());
    QVERIFY(waitDone(delegate, 60000));
    QVERIFY2(delegate.finishes == 1, delegate.error ? qPrintable(delegate.error->message) : "");
    const DecodeResult answer = call.takeXmlRpcAnswer();
    const qint64 held = (statusKilobytes("VmRSS") - before) * 1024;
    const qint64 peak = (statusKilobytes("VmHWM") - before) * 1024;

    QVERIFY(!answer.isFault());
    QVERIFY(answer.value().toList().size() >= posts);
    const QString sizes = QStringLiteral("peak %1 MB, value %2 MB").arg(peak >> 20).arg(held >> 20);
    QVERIFY2(peak < 2 * cap, qPrintable(sizes));
    QVERIFY2(peak < held + 16 * 1024 * 1024, qPrintable(sizes));
}

// Read piece by piece from the network, the answer decodes as the same bytes
// read whole; the call keeps only their head for the console.
void tst_RESTCallLimits::anAnswerReadAsItArrivesIsTheWholeAnswer()
{
    QByteArray answer =
        declaration.toByteArray() + "<methodResponse><params><param><value><array><data>\n";
    for (int i = 0; i < 400; ++i)
        answer += post(40);
    answer += "</data></array></value></param></params></methodResponse>\n";
    QVERIFY(answer.size() > 2 * HttpConsoleLog::bodyHeadBytes);

    RecordingConsole console;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::ok(answer, "text/xml"));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setMethod("POST");
    call.setData("<methodCall/>", "text/xml");
    call.setReadsXmlRpcAnswer(true);
    QVERIFY(call.startCall());
    QVERIFY(waitDone(delegate));
    QCOMPARE(delegate.finishes, 1);

    QCOMPARE(call.answerSize(), answer.size());
    QVERIFY(call.restData().size() < answer.size() / 2);
    QVERIFY(answer.startsWith(call.restData()));
    const DecodeResult read = call.takeXmlRpcAnswer();
    QVERIFY(!read.isFault());
    QCOMPARE(read.value().toList().size(), 400);
    QCOMPARE(read.value(), XMLRPCDecoder::decode(URLUtilities::correctEncoding(answer)).value());
    QVERIFY(console.text.contains(QStringLiteral("bytes in all; the rest is not shown")));
}

// The server reads a megabyte slowly after the system's buffers took it at
// once: the time it takes is neither silence nor a late answer.
void tst_RESTCallLimits::aSlowReaderReceivesTheWholeUpload()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setReadPacing(16 * 1024, 50); // about 320 KB/s: some three seconds for the body
    server.enqueue(Response::ok("stored"));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setMethod("POST");
    const QByteArray body(1024 * 1024, 'u');
    call.setData(body, "application/octet-stream");
    // Limits a tenth of a real road's, so that the test takes seconds.
    call.setTimeOut(0.5);
    call.setResponseTimeout(500ms);
    ExchangeLimits limits = ExchangeLimits::serverAnswer();
    limits.minimumBytesPerSecond = 100 * 1024;
    limits.paceWindow = 6s;
    call.setLimits(limits);
    QVERIFY(call.startCall());
    QVERIFY(waitDone(delegate, 30000));
    QVERIFY2(delegate.finishes == 1,
             delegate.error ? qPrintable(delegate.error->message) : "no error");
    QCOMPARE(server.requests().first().body.size(), body.size());
}

void tst_RESTCallLimits::aTransferSlowerThanTheMinimumPaceEnds_data()
{
    QTest::addColumn<int>("pieceBytes");
    QTest::addColumn<bool>("ends");
    // A piece every 100 ms, against 1 KB/s over each second.
    QTest::newRow("160 bytes a second") << 16 << true;
    QTest::newRow("5 KB a second") << 512 << false;
}

void tst_RESTCallLimits::aTransferSlowerThanTheMinimumPaceEnds()
{
    QFETCH(int, pieceBytes);
    QFETCH(bool, ends);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.enqueue(Response::trickle(pieceBytes, 100ms));
    RecordingDelegate delegate;
    RESTCall call(server.url(), &delegate);
    call.setTimeOut(10);
    ExchangeLimits limits = ExchangeLimits::serverAnswer();
    limits.minimumBytesPerSecond = 1024;
    limits.paceWindow = 1s;
    call.setLimits(limits);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(call.startCall());
    if (!ends) {
        // Three windows kept the pace; the silence and the deadline are far off.
        QTest::qWait(3500);
        QVERIFY2(!delegate.done(), delegate.error ? qPrintable(delegate.error->message) : "");
        call.cancel();
        return;
    }
    QVERIFY(waitDone(delegate));
    QVERIFY(delegate.error);
    QCOMPARE(delegate.error->code, -1001);
    QVERIFY2(delegate.error->message.contains(QStringLiteral("slower than 1 KB/s over 1 seconds")),
             qPrintable(delegate.error->message));
    // Long before the ten seconds of silence it would otherwise take.
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(tst_RESTCallLimits)
#include "tst_restcalllimits.moc"
