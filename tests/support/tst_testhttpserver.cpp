#include "TestHttpServer.h"

#include <QAuthenticator>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QXmlStreamReader>
#include <arpa/inet.h>
#include <cerrno>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using namespace std::chrono_literals;

// The hostile answers do what they say, seen from a bare client: Qt's network
// access manager, or a plain socket where the bytes on the wire matter.
namespace {

// What a plain client saw of one exchange.
struct Wire {
    QByteArray head;
    QByteArray body;
    bool closed = false; // the server closed (FIN)
    bool reset = false;  // the server reset (RST)
    qint64 took = 0;     // ms from the connection to the end of the exchange

    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return line.mid(colon + 1).trimmed();
        }
        return {};
    }
};

// What follows the head in `received` (nothing before the head is whole).
QByteArray bodyOf(const QByteArray& received)
{
    const qsizetype end = received.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : received.mid(end + 4);
}

// Sends a GET over a non-blocking socket of its own, spinning the event loop
// (the server lives in it) until the server ends the connection, `enough`
// says so of what was received, or `limit` has passed.
Wire exchangeOnTheWire(quint16 port, std::chrono::milliseconds limit,
                       const std::function<bool(const QByteArray& received)>& enough = {})
{
    Wire wire;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const QByteArray request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    QByteArray received;
    bool sent = false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limit.count() && !(enough && enough(received))) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!sent)
            sent = ::send(fd, request.constData(), request.size(), MSG_NOSIGNAL) == request.size();
        char buffer[65536];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            received.append(buffer, got);
        } else if (got == 0) {
            wire.closed = true;
            break;
        } else if (errno == ECONNRESET) {
            wire.reset = true;
            break;
        } else {
            QThread::msleep(2);
        }
    }
    wire.took = clock.elapsed();
    ::close(fd);
    wire.head = received.left(received.indexOf("\r\n\r\n"));
    wire.body = bodyOf(received);
    return wire;
}

struct Fetched {
    std::unique_ptr<QNetworkReply> reply;
    QByteArray body;
    qint64 bodyBytes = 0;
    bool finished = false;

    int status() const
    {
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }
};

// A GET with Qt's network access, reading (and, past 1 MB, counting only)
// the body until the reply ends, `enoughBytes` of it arrived (0: no such
// bound) or `limit` has passed.
Fetched fetch(QNetworkAccessManager& network, const QUrl& url, std::chrono::milliseconds limit,
              qint64 enoughBytes = 0)
{
    Fetched fetched;
    fetched.reply.reset(network.get(QNetworkRequest(url)));
    QNetworkReply* reply = fetched.reply.get();
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop,
                     [&fetched, &loop, reply, enoughBytes] {
                         const QByteArray chunk = reply->readAll();
                         fetched.bodyBytes += chunk.size();
                         if (fetched.body.size() < 1024 * 1024)
                             fetched.body += chunk;
                         if (enoughBytes > 0 && fetched.bodyBytes >= enoughBytes)
                             loop.quit();
                     });
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
        fetched.bodyBytes += reply->bytesAvailable();
        fetched.body += reply->readAll();
        fetched.finished = true;
        loop.quit();
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    return fetched;
}

} // namespace

class tst_TestHttpServer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void timeOutNeverAnswers();
    void resetMidAnswerSendsReset();
    void truncatedAnswerCloses();
    void htmlErrorPage();
    void emptyAnswer();
    void xmlrpcFaultIsWellFormed();
    void endlessChunkedBodyNeverEnds();
    void junkHasTheAnnouncedSize();
    void trickleKeepsItsPace();
    void streamLimitEndsEndlessAnswers();
    void corruptGzipCannotBeDecoded();
    void slowReaderTakesItsTime();
    void redirectToAnotherOriginThenChallenge();
    void redirectToAnotherOriginThenBare401();

private:
    std::unique_ptr<TestHttpServer> server;
    QNetworkAccessManager network;
};

void tst_TestHttpServer::init()
{
    server = std::make_unique<TestHttpServer>();
    QVERIFY(server->listen());
}

void tst_TestHttpServer::cleanup()
{
    server.reset();
}

void tst_TestHttpServer::timeOutNeverAnswers()
{
    server->enqueue(Response::timeOut());
    // Still silent 800 ms after the request arrived.
    QElapsedTimer sinceAsked;
    const Wire wire = exchangeOnTheWire(server->port(), 60s, [&](const QByteArray&) {
        if (server->requests().isEmpty())
            return false;
        if (!sinceAsked.isValid())
            sinceAsked.start();
        return sinceAsked.elapsed() >= 800;
    });
    QCOMPARE(server->requests().size(), 1);
    QVERIFY(sinceAsked.isValid() && sinceAsked.elapsed() >= 800);
    QVERIFY(wire.head.isEmpty());
    QVERIFY(!wire.closed && !wire.reset);
}

void tst_TestHttpServer::resetMidAnswerSendsReset()
{
    const QByteArray body(10000, 'b');
    server->enqueue(Response::resetMidAnswer(body));
    const Wire wire = exchangeOnTheWire(server->port(), 30s);
    QVERIFY(wire.reset);
    QVERIFY(!wire.closed);
    QCOMPARE(wire.header("Content-Length"), QByteArray("10000"));
    QVERIFY(wire.body.size() < body.size());
}

void tst_TestHttpServer::truncatedAnswerCloses()
{
    server->enqueue(Response::truncated(QByteArray(10000, 'b')));
    const Wire wire = exchangeOnTheWire(server->port(), 30s);
    QVERIFY(wire.closed);
    QVERIFY(!wire.reset);
    QCOMPARE(wire.header("Content-Length"), QByteArray("10000"));
    QCOMPARE(wire.body.size(), 5000);
}

void tst_TestHttpServer::htmlErrorPage()
{
    server->enqueue(Response::htmlError(500));
    const Fetched fetched = fetch(network, server->url(), 30s);
    QVERIFY(fetched.finished);
    QCOMPARE(fetched.status(), 500);
    QVERIFY(fetched.reply->header(QNetworkRequest::ContentTypeHeader)
                .toString()
                .startsWith(QLatin1String("text/html")));
    QVERIFY(fetched.body.contains("<title>500 Internal Server Error</title>"));
}

void tst_TestHttpServer::emptyAnswer()
{
    server->enqueue(Response::empty());
    const Fetched fetched = fetch(network, server->url(), 30s);
    QVERIFY(fetched.finished);
    QCOMPARE(fetched.reply->error(), QNetworkReply::NoError);
    QCOMPARE(fetched.status(), 200);
    QCOMPARE(fetched.reply->header(QNetworkRequest::ContentLengthHeader).toInt(), 0);
    QVERIFY(fetched.body.isEmpty());
}

void tst_TestHttpServer::xmlrpcFaultIsWellFormed()
{
    server->enqueue(Response::xmlrpcFault(403, QStringLiteral("Bad <login> & more")));
    const Fetched fetched = fetch(network, server->url(), 30s);
    QCOMPARE(fetched.status(), 200);
    QXmlStreamReader reader(fetched.body);
    QStringList texts;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::Characters)
            texts << reader.text().toString();
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QVERIFY(fetched.body.contains("<fault>"));
    QCOMPARE(texts, QStringList({"faultCode", "403", "faultString", "Bad <login> & more"}));
}

void tst_TestHttpServer::endlessChunkedBodyNeverEnds()
{
    server->enqueue(Response::endlessChunked());
    constexpr qint64 enough = 8 * 1024 * 1024 + 1;
    // Reading stops at 8 MB, far past any scripted body; a stalled machine may
    // deliver less before the wait ends, but the answer still never finishes.
    const Fetched fetched = fetch(network, server->url(), 120s, enough);
    QVERIFY(!fetched.finished);
    QCOMPARE(fetched.status(), 200);
    QVERIFY2(fetched.bodyBytes > 1024 * 1024, qPrintable(QString::number(fetched.bodyBytes)));
}

void tst_TestHttpServer::junkHasTheAnnouncedSize()
{
    constexpr qint64 size = 100 * 1024 * 1024;
    server->enqueue(Response::misbehaving(Response::Misbehaviour::HundredMegabytesOfJunk));
    const Fetched fetched = fetch(network, server->url(), 60s);
    QVERIFY(fetched.finished);
    QCOMPARE(fetched.reply->error(), QNetworkReply::NoError);
    QCOMPARE(fetched.reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(), size);
    QCOMPARE(fetched.bodyBytes, size);
    QCOMPARE(server->streamedBytes(), size);
    QVERIFY(!fetched.body.startsWith("<"));
}

void tst_TestHttpServer::trickleKeepsItsPace()
{
    server->enqueue(Response::trickle(16, 200ms));
    // Five pieces, however late a loaded machine lets them come...
    const Wire wire = exchangeOnTheWire(server->port(), 60s, [](const QByteArray& received) {
        return bodyOf(received).size() >= 5 * 16;
    });
    QVERIFY(!wire.closed && !wire.reset);
    QVERIFY(wire.header("Content-Length").isEmpty());
    const qsizetype pieces = wire.body.size() / 16;
    QVERIFY2(wire.body.size() % 16 == 0 && pieces >= 5,
             qPrintable(QString::number(wire.body.size())));
    // ...but never sooner than one each 200 ms (a coarse timer may fire a
    // twentieth early).
    QVERIFY2(wire.took >= pieces * 190,
             qPrintable(QStringLiteral("%1 pieces in %2 ms").arg(pieces).arg(wire.took)));
}

void tst_TestHttpServer::streamLimitEndsEndlessAnswers()
{
    server->setStreamLimit(300ms);
    server->enqueue(Response::trickle(16, 50ms));
    const Wire wire = exchangeOnTheWire(server->port(), 30s);
    QVERIFY(wire.closed || wire.reset);
    QVERIFY(!wire.body.isEmpty());
}

void tst_TestHttpServer::corruptGzipCannotBeDecoded()
{
    server->enqueue(Response::corruptGzip());
    const Wire wire = exchangeOnTheWire(server->port(), 30s);
    QCOMPARE(wire.header("Content-Encoding"), QByteArray("gzip"));
    QVERIFY(wire.body.startsWith("\x1f\x8b"));

    // Qt asks for gzip itself and so decompresses the body, and fails.
    server->enqueue(Response::corruptGzip());
    const Fetched fetched = fetch(network, server->url(), 30s);
    QVERIFY(fetched.finished);
    QCOMPARE(fetched.status(), 200);
    QVERIFY(fetched.reply->error() != QNetworkReply::NoError);
}

// The client's socket buffers take the body long before the server has read
// it: the upload looks complete early, the answer comes only at the pace.
void tst_TestHttpServer::slowReaderTakesItsTime()
{
    constexpr int size = 2 * 1024 * 1024;
    server->setReadPacing(64 * 1024, 50); // 1.25 MB/s: at least 1.6 s for the body
    server->enqueue(Response::ok("read"));
    QNetworkRequest request(server->url(QStringLiteral("/upload")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QNetworkReply> reply(network.post(request, QByteArray(size, 'u')));
    qint64 uploadedAt = -1;
    connect(reply.get(), &QNetworkReply::uploadProgress, this, [&](qint64 sent, qint64 total) {
        if (total > 0 && sent == total && uploadedAt < 0)
            uploadedAt = clock.elapsed();
    });
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    QVERIFY(finished.wait(30000));
    const qint64 answeredAt = clock.elapsed();
    QCOMPARE(reply->readAll(), QByteArray("read"));
    QCOMPARE(server->requests().value(0).body.size(), size);
    QVERIFY2(answeredAt >= 1500, qPrintable(QString::number(answeredAt)));
    QVERIFY(uploadedAt >= 0);
    QVERIFY2(answeredAt - uploadedAt >= 200,
             qPrintable(QStringLiteral("uploaded at %1 ms, answered at %2 ms")
                            .arg(uploadedAt)
                            .arg(answeredAt)));
}

// The blog redirects to a server of another origin, which asks for a login
// of its own: the challenge names the other server's realm.
void tst_TestHttpServer::redirectToAnotherOriginThenChallenge()
{
    TestHttpServer other;
    QVERIFY(other.listen());
    other.enqueue(Response::challenge("Somewhere else"));
    server->enqueue(Response::redirect(302, other.url(QStringLiteral("/xmlrpc.php")).toEncoded()));
    QStringList challenges;
    connect(&network, &QNetworkAccessManager::authenticationRequired, this,
            [&](QNetworkReply* challenged, QAuthenticator* authenticator) {
                challenges << challenged->url().toString() + QLatin1Char(' ') +
                                  authenticator->realm();
            });
    const Fetched fetched = fetch(network, server->url(QStringLiteral("/xmlrpc.php")), 30s);
    QVERIFY(fetched.finished);
    QCOMPARE(fetched.status(), 401);
    QCOMPARE(fetched.reply->url(), other.url(QStringLiteral("/xmlrpc.php")));
    QCOMPARE(challenges,
             QStringList{other.url(QStringLiteral("/xmlrpc.php")).toString() + " Somewhere else"});
    QCOMPARE(other.requests().size(), 1);
}

void tst_TestHttpServer::redirectToAnotherOriginThenBare401()
{
    TestHttpServer other;
    QVERIFY(other.listen());
    other.enqueue(Response::withStatus(401, "No."));
    server->enqueue(Response::redirect(302, other.url(QStringLiteral("/xmlrpc.php")).toEncoded()));
    int challenges = 0;
    connect(&network, &QNetworkAccessManager::authenticationRequired, this, [&] { ++challenges; });
    const Fetched fetched = fetch(network, server->url(QStringLiteral("/xmlrpc.php")), 30s);
    QVERIFY(fetched.finished);
    QCOMPARE(fetched.status(), 401);
    QCOMPARE(fetched.reply->url().port(), other.port());
    QVERIFY(fetched.reply->rawHeader("WWW-Authenticate").isEmpty());
    QCOMPARE(challenges, 0);
}

QTEST_MAIN(tst_TestHttpServer)
#include "tst_testhttpserver.moc"
