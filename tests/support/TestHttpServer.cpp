#include "TestHttpServer.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace plumet::test {

struct TestHttpServer::Connection {
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    QTimer* pacer = nullptr;
    bool answered = false;
};

QByteArray TestHttpServer::Request::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

TestHttpServer::Response TestHttpServer::Response::ok(const QByteArray& body,
                                                      const QByteArray& type)
{
    Response response;
    response.body = body;
    response.headers = {{"Content-Type", type}};
    return response;
}

TestHttpServer::Response TestHttpServer::Response::withStatus(int status, const QByteArray& body)
{
    Response response = ok(body);
    response.status = status;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::withAction(Action action)
{
    Response response;
    response.action = action;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::redirect(int status, const QByteArray& location)
{
    Response response = withStatus(status);
    response.headers.append({"Location", location});
    return response;
}

TestHttpServer::TestHttpServer(QObject* parent) : QObject(parent) {}

TestHttpServer::~TestHttpServer()
{
    for (Connection* connection : connections) {
        if (connection->socket)
            connection->socket->abort();
        delete connection;
    }
}

bool TestHttpServer::listen()
{
    server = std::make_unique<QTcpServer>();
    connect(server.get(), &QTcpServer::pendingConnectionAvailable, this, &TestHttpServer::accept);
    return server->listen(QHostAddress::LocalHost, 0);
}

bool TestHttpServer::listenTls(const QString& certificatePath, const QString& keyPath)
{
    QFile certificateFile(certificatePath);
    QFile keyFile(keyPath);
    if (!certificateFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return false;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    localCertificate = QSslCertificate(certificateFile.readAll(), QSsl::Pem);
    configuration.setLocalCertificate(localCertificate);
    configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    auto sslServer = std::make_unique<QSslServer>();
    sslServer->setSslConfiguration(configuration);
    server = std::move(sslServer);
    tls = true;
    connect(server.get(), &QTcpServer::pendingConnectionAvailable, this, &TestHttpServer::accept);
    return server->listen(QHostAddress::LocalHost, 0);
}

bool TestHttpServer::listenTlsSelfSigned()
{
    certificateFolder = std::make_unique<QTemporaryDir>();
    QString certificatePath;
    QString keyPath;
    return certificateFolder->isValid() &&
           makeSelfSignedCertificate(certificateFolder->path(), &certificatePath, &keyPath) &&
           listenTls(certificatePath, keyPath);
}

quint16 TestHttpServer::port() const
{
    return server ? server->serverPort() : 0;
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(port())
                    .arg(path));
}

void TestHttpServer::setHandler(Handler newHandler)
{
    handler = std::move(newHandler);
}

void TestHttpServer::enqueue(const Response& response)
{
    queue.append(response);
}

void TestHttpServer::setReadPacing(int bytes, int intervalMs)
{
    pacingBytes = bytes;
    pacingIntervalMs = intervalMs;
}

void TestHttpServer::accept()
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        auto* connection = new Connection;
        connection->socket = socket;
        connections.append(connection);
        if (pacingBytes > 0) {
            socket->setReadBufferSize(pacingBytes);
            socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, pacingBytes);
            connection->pacer = new QTimer(socket);
            connect(connection->pacer, &QTimer::timeout, this,
                    [this, connection] { readFrom(connection); });
            connection->pacer->start(pacingIntervalMs);
        } else {
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, connection] { readFrom(connection); });
            readFrom(connection);
        }
    }
}

void TestHttpServer::readFrom(Connection* connection)
{
    if (!connection->socket || connection->answered)
        return;
    connection->buffer +=
        pacingBytes > 0 ? connection->socket->read(pacingBytes) : connection->socket->readAll();
    const qsizetype headerEnd = connection->buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request request;
    const QList<QByteArray> lines = connection->buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    if (connection->buffer.size() < headerEnd + 4 + contentLength)
        return;
    request.body = connection->buffer.mid(headerEnd + 4, contentLength);
    connection->answered = true;
    if (connection->pacer)
        connection->pacer->stop();
    received.append(request);
    respond(connection, request);
}

void TestHttpServer::respond(Connection* connection, const Request& request)
{
    Response response;
    if (handler)
        response = handler(request);
    else if (!queue.isEmpty())
        response = queue.takeFirst();
    else
        response = Response::withStatus(500, "no scripted response");

    QTcpSocket* socket = connection->socket;
    using Action = Response::Action;
    if (response.action == Action::NeverAnswer)
        return;
    if (response.action == Action::Close) {
        socket->abort();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Scripted\r\n";
    bool hasLength = false;
    for (const auto& [name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
        hasLength |= name.compare("Content-Length", Qt::CaseInsensitive) == 0;
    }
    if (!hasLength && response.announceLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (response.action == Action::Truncate) {
        socket->write(response.body.left(response.body.size() / 2));
        socket->flush();
        QTimer::singleShot(50, socket, [socket] { socket->abort(); });
        return;
    }
    socket->write(response.body);
    socket->disconnectFromHost();
}

bool makeSelfSignedCertificate(const QString& folder, QString* certificatePath, QString* keyPath)
{
    *certificatePath = folder + QStringLiteral("/server.crt");
    *keyPath = folder + QStringLiteral("/server.key");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                   QStringLiteral("-keyout"), *keyPath, QStringLiteral("-out"), *certificatePath});
    if (!openssl.waitForFinished(60000))
        return false;
    return openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
}

} // namespace plumet::test
