#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;

namespace plumet::test {

// A scripted HTTP/1.1 server on 127.0.0.1 with a random port, plain or TLS.
// Each request gets one response from the handler (or the queue) and the
// connection is closed after it.
//
// It also plays the hostile server a client must survive: each of these is one
// Response to enqueue or to return from a handler:
//
//   Response::timeOut()            reads the request, never answers
//   Response::resetMidAnswer(b)    announces b, sends half, resets the connection (RST)
//   Response::truncated(b)         announces b, sends half, closes the connection (FIN)
//   Response::htmlError(500)       an HTML error page, as web servers send them
//   Response::empty()              200 with an empty body
//   Response::xmlrpcFault(c, t)    a well-formed XML-RPC fault
//   Response::endlessChunked()     a chunked body that never ends
//   Response::endless(head, piece) a chunked body: head, then piece over and over
//   Response::repeating(head, piece, n, tail) the same, n pieces and a tail: an
//                                  answer larger than the server need hold
//   Response::junk(n)              n bytes of binary junk with their length announced
//   Response::trickle(16, 200ms)   16 bytes every 200 ms, forever, no length
//   Response::corruptGzip()        Content-Encoding: gzip over bytes that are no gzip
//   Response::challenge(realm)     401 with a Basic challenge; withStatus(401) has none
//   Response::redirect(302, url)   to another TestHttpServer: another origin
//
// misbehaving(kind) gives the answers that break an exchange by kind, for a
// table of cases; setReadPacing() makes a server that reads request bodies
// slowly. "Forever" is bounded by setStreamLimit() (two minutes unless set),
// after which the connection is dropped, and by the server's own life.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request {
        QByteArray method;
        QByteArray target; // path and query
        Headers headers;
        QByteArray body;
        QByteArray header(const QByteArray& name) const;
    };

    struct Response {
        enum class Action {
            Respond,       // send status, headers and body
            NeverAnswer,   // keep the connection open and silent
            Close,         // close the connection without a word
            Truncate,      // announce the body's length, send half of it, close
            ResetMidBody,  // announce the body's length, send half of it, reset
            EndlessChunks, // chunked junk for as long as the client reads
            Stream,        // streamLength bytes of junk, produced as the client reads
            Trickle,       // pieceBytes every pieceInterval, without an end
        };
        // Ways an answer breaks an exchange, for tables of cases.
        enum class Misbehaviour {
            TimeOut,
            ResetMidAnswer,
            HtmlError,
            Truncated,
            Empty,
            XmlRpcFault,
            EndlessChunked,
            HundredMegabytesOfJunk,
            Trickle,
            CorruptGzip,
        };

        int status = 200;
        Headers headers;
        QByteArray body;
        Action action = Action::Respond;
        // Without a Content-Length the body ends when the connection closes.
        bool announceLength = true;
        qint64 streamLength = 0;
        int pieceBytes = 0;
        std::chrono::milliseconds pieceInterval{0};
        // An endless chunked body repeats this after its body, instead of junk.
        QByteArray repeated;
        qint64 repetitions = -1; // without end unless set
        QByteArray tail;

        static Response ok(const QByteArray& body, const QByteArray& type = "text/plain");
        static Response withStatus(int status, const QByteArray& body = {});
        static Response redirect(int status, const QByteArray& location);
        static Response withAction(Action action);

        static Response timeOut();
        static Response resetMidAnswer(const QByteArray& body);
        static Response truncated(const QByteArray& body);
        static Response htmlError(int status = 500);
        static Response empty();
        static Response xmlrpcFault(int code, const QString& text);
        static Response endlessChunked();
        static Response endless(const QByteArray& head, const QByteArray& piece);
        static Response repeating(const QByteArray& head, const QByteArray& piece,
                                  qint64 repetitions, const QByteArray& tail);
        static Response junk(qint64 bytes);
        static Response
        trickle(int bytes = 16,
                std::chrono::milliseconds interval = std::chrono::milliseconds(200));
        static Response corruptGzip();
        static Response challenge(const QByteArray& realm);

        static Response misbehaving(Misbehaviour kind);
        static QList<Misbehaviour> allMisbehaviours();
        // A short name for data rows, e.g. "reset mid-answer".
        static const char* name(Misbehaviour kind);
    };

    using Handler = std::function<Response(const Request&)>;

    explicit TestHttpServer(QObject* parent = nullptr);
    ~TestHttpServer() override;

    bool listen();
    // TLS with a PEM certificate and key.
    bool listenTls(const QString& certificatePath, const QString& keyPath);
    // TLS with a self-signed certificate for 127.0.0.1 made for this server alone.
    bool listenTlsSelfSigned();
    // The certificate the server presents over TLS.
    QSslCertificate certificate() const { return m_localCertificate; }

    quint16 port() const;
    QUrl url(const QString& path = QStringLiteral("/")) const;

    // A handler answers every request; without one, queued responses are used
    // in order and an empty queue answers 500.
    void setHandler(Handler handler);
    void enqueue(const Response& response);

    // Reads request bytes slowly (`bytes` every `intervalMs`), so that a large
    // upload takes its time; the client's socket buffers fill up long before
    // the server has the body.
    void setReadPacing(int bytes, int intervalMs);
    // How long an endless or trickling answer goes on at most.
    void setStreamLimit(std::chrono::milliseconds limit) { m_streamLimit = limit; }

    const QList<Request>& requests() const { return m_received; }
    // TLS handshakes a plain server turned away (an https attempt on it).
    int refusedHandshakes() const { return m_refusedHandshakes; }
    // Bytes of streamed answers (endless, junk, trickle) written so far.
    qint64 streamedBytes() const { return m_streamed; }

private:
    struct Connection;
    void accept();
    void readFrom(Connection* connection);
    void respond(Connection* connection, const Request& request);
    void startStream(Connection* connection, const Response& response);
    void feedStream(Connection* connection);
    void endConnection(Connection* connection, bool reset);

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    QSslCertificate m_localCertificate;
    std::unique_ptr<QTemporaryDir> m_certificateFolder;
    Handler m_handler;
    QList<Response> m_queue;
    QList<Request> m_received;
    int m_pacingBytes = 0;
    int m_pacingIntervalMs = 0;
    std::chrono::milliseconds m_streamLimit = std::chrono::minutes(2);
    qint64 m_streamed = 0;
    int m_refusedHandshakes = 0;
    QList<Connection*> m_connections;
};

// Makes a self-signed certificate for 127.0.0.1/localhost with openssl in
// `folder`; returns false when openssl is missing or fails.
bool makeSelfSignedCertificate(const QString& folder, QString* certificatePath, QString* keyPath);

} // namespace plumet::test
