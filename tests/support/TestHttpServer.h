#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;

namespace plumet::test {

// A scripted HTTP/1.1 server on 127.0.0.1 with a random port, plain or TLS.
// Each request gets one response from the handler (or the queue) and the
// connection is closed after it.
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
            Respond,     // send status, headers and body
            NeverAnswer, // keep the connection open and silent
            Close,       // close the connection without a word
            Truncate,    // announce the body's length, send half of it, close
        };
        int status = 200;
        Headers headers;
        QByteArray body;
        Action action = Action::Respond;
        // Without a Content-Length the body ends when the connection closes.
        bool announceLength = true;

        static Response ok(const QByteArray& body, const QByteArray& type = "text/plain");
        static Response withStatus(int status, const QByteArray& body = {});
        static Response redirect(int status, const QByteArray& location);
        static Response withAction(Action action);
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
    QSslCertificate certificate() const { return localCertificate; }

    quint16 port() const;
    QUrl url(const QString& path = QStringLiteral("/")) const;

    // A handler answers every request; without one, queued responses are used
    // in order and an empty queue answers 500.
    void setHandler(Handler handler);
    void enqueue(const Response& response);

    // Reads request bytes slowly (`bytes` every `intervalMs`), so that a large
    // upload takes its time.
    void setReadPacing(int bytes, int intervalMs);

    const QList<Request>& requests() const { return received; }

private:
    struct Connection;
    void accept();
    void readFrom(Connection* connection);
    void respond(Connection* connection, const Request& request);

    std::unique_ptr<QTcpServer> server;
    bool tls = false;
    QSslCertificate localCertificate;
    std::unique_ptr<QTemporaryDir> certificateFolder;
    Handler handler;
    QList<Response> queue;
    QList<Request> received;
    int pacingBytes = 0;
    int pacingIntervalMs = 0;
    QList<Connection*> connections;
};

// Makes a self-signed certificate for 127.0.0.1/localhost with openssl in
// `folder`; returns false when openssl is missing or fails.
bool makeSelfSignedCertificate(const QString& folder, QString* certificatePath, QString* keyPath);

} // namespace plumet::test
