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
#include <sys/socket.h>

namespace plumet::test {

namespace {

constexpr int JunkBlockBytes = 64 * 1024;
// Keep this much queued for the client; more is produced as it reads.
constexpr qint64 StreamHighWater = 1024 * 1024;
constexpr auto LastBytesGrace = std::chrono::milliseconds(50);

// Deterministic bytes that are neither text nor any known format.
const QByteArray& junkBlock()
{
    static const QByteArray block = [] {
        QByteArray bytes(JunkBlockBytes, Qt::Uninitialized);
        quint32 state = 0x9e3779b9u;
        for (char& byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<char>(state >> 24);
        }
        return bytes;
    }();
    return block;
}

QByteArray junkBytes(qint64 count)
{
    QByteArray bytes;
    while (bytes.size() < count)
        bytes += junkBlock().left(count - bytes.size());
    return bytes;
}

QByteArray xmlEscaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

// A plausible XML-RPC answer of some size, for answers cut in the middle.
QByteArray longMethodResponse()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse><params><param><value>"
           "<string>" +
           QByteArray(8000, 'x') + "</string></value></param></params></methodResponse>\n";
}

} // namespace

struct TestHttpServer::Connection {
    QPointer<QTcpSocket> socket;
    QByteArray buffer;
    QTimer* pacer = nullptr;
    bool answered = false;
    Response::Action streamAction = Response::Action::Respond;
    qint64 remaining = 0;
    QByteArray block; // what an endless body repeats
    qint64 blocksLeft = -1;
    QByteArray tail;
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

TestHttpServer::Response TestHttpServer::Response::timeOut()
{
    return withAction(Action::NeverAnswer);
}

TestHttpServer::Response TestHttpServer::Response::resetMidAnswer(const QByteArray& body)
{
    Response response = ok(body, "text/xml");
    response.action = Action::ResetMidBody;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::truncated(const QByteArray& body)
{
    Response response = ok(body, "text/xml");
    response.action = Action::Truncate;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::htmlError(int status)
{
    Response response = ok("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n"
                           "<title>" +
                               QByteArray::number(status) +
                               " Internal Server Error</title>\n</head><body>\n"
                               "<h1>Internal Server Error</h1>\n<p>The server encountered an "
                               "internal error or misconfiguration and was unable to complete "
                               "your request.</p>\n</body></html>\n",
                           "text/html; charset=iso-8859-1");
    response.status = status;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::empty()
{
    return ok({}, "text/xml");
}

TestHttpServer::Response TestHttpServer::Response::xmlrpcFault(int code, const QString& text)
{
    return ok("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodResponse><fault><value><struct>"
              "<member><name>faultCode</name><value><int>" +
                  QByteArray::number(code) +
                  "</int></value></member><member><name>faultString</name><value><string>" +
                  xmlEscaped(text) +
                  "</string></value></member></struct></value></fault></methodResponse>\n",
              "text/xml");
}

TestHttpServer::Response TestHttpServer::Response::endlessChunked()
{
    Response response = ok({}, "text/xml");
    response.action = Action::EndlessChunks;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::endless(const QByteArray& head,
                                                           const QByteArray& piece)
{
    Response response = ok(head, "text/xml");
    response.action = Action::EndlessChunks;
    response.repeated = piece;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::repeating(const QByteArray& head,
                                                             const QByteArray& piece,
                                                             qint64 repetitions,
                                                             const QByteArray& tail)
{
    Response response = endless(head, piece);
    response.repetitions = repetitions;
    response.tail = tail;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::junk(qint64 bytes)
{
    Response response = ok({}, "text/xml");
    response.action = Action::Stream;
    response.streamLength = bytes;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::trickle(int bytes,
                                                           std::chrono::milliseconds interval)
{
    Response response = ok({}, "text/xml");
    response.action = Action::Trickle;
    response.announceLength = false;
    response.pieceBytes = bytes;
    response.pieceInterval = interval;
    return response;
}

TestHttpServer::Response TestHttpServer::Response::corruptGzip()
{
    // A gzip header, then a deflate block of the reserved type 3 and junk.
    Response response =
        ok(QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x07", 11) + junkBytes(500),
           "text/xml");
    response.headers.append({QByteArray("Content-Encoding"), QByteArray("gzip")});
    return response;
}

TestHttpServer::Response TestHttpServer::Response::challenge(const QByteArray& realm)
{
    Response response = withStatus(401, "Authorization Required");
    response.headers.append({"WWW-Authenticate", "Basic realm=\"" + realm + "\""});
    return response;
}

TestHttpServer::Response TestHttpServer::Response::misbehaving(Misbehaviour kind)
{
    switch (kind) {
    case Misbehaviour::TimeOut:
        return timeOut();
    case Misbehaviour::ResetMidAnswer:
        return resetMidAnswer(longMethodResponse());
    case Misbehaviour::HtmlError:
        return htmlError(500);
    case Misbehaviour::Truncated:
        return truncated(longMethodResponse());
    case Misbehaviour::Empty:
        return empty();
    case Misbehaviour::XmlRpcFault:
        return xmlrpcFault(500, QStringLiteral("The hostile server refuses."));
    case Misbehaviour::EndlessChunked:
        return endlessChunked();
    case Misbehaviour::HundredMegabytesOfJunk:
        return junk(100 * 1024 * 1024);
    case Misbehaviour::Trickle:
        return trickle();
    case Misbehaviour::CorruptGzip:
        return corruptGzip();
    }
    return htmlError(500);
}

QList<TestHttpServer::Response::Misbehaviour> TestHttpServer::Response::allMisbehaviours()
{
    return {Misbehaviour::TimeOut,        Misbehaviour::ResetMidAnswer,
            Misbehaviour::HtmlError,      Misbehaviour::Truncated,
            Misbehaviour::Empty,          Misbehaviour::XmlRpcFault,
            Misbehaviour::EndlessChunked, Misbehaviour::HundredMegabytesOfJunk,
            Misbehaviour::Trickle,        Misbehaviour::CorruptGzip};
}

const char* TestHttpServer::Response::name(Misbehaviour kind)
{
    switch (kind) {
    case Misbehaviour::TimeOut:
        return "time-out";
    case Misbehaviour::ResetMidAnswer:
        return "reset mid-answer";
    case Misbehaviour::HtmlError:
        return "500 with an HTML page";
    case Misbehaviour::Truncated:
        return "truncated answer";
    case Misbehaviour::Empty:
        return "empty 200";
    case Misbehaviour::XmlRpcFault:
        return "XML-RPC fault";
    case Misbehaviour::EndlessChunked:
        return "endless chunked body";
    case Misbehaviour::HundredMegabytesOfJunk:
        return "100 MB of junk";
    case Misbehaviour::Trickle:
        return "trickling body";
    case Misbehaviour::CorruptGzip:
        return "corrupt gzip body";
    }
    return "unknown";
}

TestHttpServer::TestHttpServer(QObject* parent) : QObject(parent) {}

TestHttpServer::~TestHttpServer()
{
    for (Connection* connection : m_connections) {
        if (connection->socket) {
            connection->socket->disconnect(this);
            connection->socket->abort();
        }
        delete connection;
    }
}

bool TestHttpServer::listen()
{
    m_server = std::make_unique<QTcpServer>();
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &TestHttpServer::accept);
    return m_server->listen(QHostAddress::LocalHost, 0);
}

bool TestHttpServer::listenTls(const QString& certificatePath, const QString& keyPath)
{
    QFile certificateFile(certificatePath);
    QFile keyFile(keyPath);
    if (!certificateFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return false;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    m_localCertificate = QSslCertificate(certificateFile.readAll(), QSsl::Pem);
    configuration.setLocalCertificate(m_localCertificate);
    configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem));
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    auto sslServer = std::make_unique<QSslServer>();
    sslServer->setSslConfiguration(configuration);
    m_server = std::move(sslServer);
    m_tls = true;
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &TestHttpServer::accept);
    return m_server->listen(QHostAddress::LocalHost, 0);
}

bool TestHttpServer::listenTlsSelfSigned()
{
    m_certificateFolder = std::make_unique<QTemporaryDir>();
    QString certificatePath;
    QString keyPath;
    return m_certificateFolder->isValid() &&
           makeSelfSignedCertificate(m_certificateFolder->path(), &certificatePath, &keyPath) &&
           listenTls(certificatePath, keyPath);
}

quint16 TestHttpServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QUrl TestHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(port())
                    .arg(path));
}

void TestHttpServer::setHandler(Handler newHandler)
{
    m_handler = std::move(newHandler);
}

void TestHttpServer::enqueue(const Response& response)
{
    m_queue.append(response);
}

void TestHttpServer::setReadPacing(int bytes, int intervalMs)
{
    m_pacingBytes = bytes;
    m_pacingIntervalMs = intervalMs;
}

void TestHttpServer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        auto* connection = new Connection;
        connection->socket = socket;
        m_connections.append(connection);
        if (m_pacingBytes > 0) {
            socket->setReadBufferSize(m_pacingBytes);
            socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, m_pacingBytes);
            connection->pacer = new QTimer(socket);
            connect(connection->pacer, &QTimer::timeout, this,
                    [this, connection] { readFrom(connection); });
            connection->pacer->start(m_pacingIntervalMs);
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
        m_pacingBytes > 0 ? connection->socket->read(m_pacingBytes) : connection->socket->readAll();
    // A TLS handshake reaching a plain server is answered as web servers do,
    // with a 400: the client's https attempt fails at once, not at its time-out.
    if (!m_tls && connection->buffer.startsWith('\x16')) {
        connection->answered = true;
        ++m_refusedHandshakes;
        connection->socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n"
                                  "Connection: close\r\n\r\n");
        connection->socket->disconnectFromHost();
        return;
    }
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
    m_received.append(request);
    respond(connection, request);
}

void TestHttpServer::respond(Connection* connection, const Request& request)
{
    Response response;
    if (m_handler)
        response = m_handler(request);
    else if (!m_queue.isEmpty())
        response = m_queue.takeFirst();
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
    if (response.action == Action::EndlessChunks)
        head += "Transfer-Encoding: chunked\r\n";
    else if (response.action == Action::Stream)
        head += "Content-Length: " + QByteArray::number(response.streamLength) + "\r\n";
    else if (!hasLength && response.announceLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    switch (response.action) {
    case Action::Truncate:
    case Action::ResetMidBody: {
        socket->write(response.body.left(response.body.size() / 2));
        socket->flush();
        const bool reset = response.action == Action::ResetMidBody;
        // Let the first half reach the client before the connection goes.
        QTimer::singleShot(LastBytesGrace, socket,
                           [this, connection, reset] { endConnection(connection, reset); });
        return;
    }
    case Action::EndlessChunks:
    case Action::Stream:
    case Action::Trickle:
        startStream(connection, response);
        return;
    default:
        socket->write(response.body);
        socket->disconnectFromHost();
    }
}

void TestHttpServer::startStream(Connection* connection, const Response& response)
{
    QTcpSocket* socket = connection->socket;
    connection->streamAction = response.action;
    connection->remaining = response.streamLength;
    if (response.action == Response::Action::EndlessChunks && !response.repeated.isEmpty()) {
        qint64 perBlock = 0;
        while (connection->block.size() < JunkBlockBytes) {
            connection->block += response.repeated;
            ++perBlock;
        }
        if (response.repetitions >= 0) {
            connection->blocksLeft = (response.repetitions + perBlock - 1) / perBlock;
            connection->tail = response.tail;
        }
        if (!response.body.isEmpty())
            socket->write(QByteArray::number(response.body.size(), 16) + "\r\n" + response.body +
                          "\r\n");
    }
    QTimer::singleShot(m_streamLimit, socket,
                       [this, connection] { endConnection(connection, false); });
    if (response.action == Response::Action::Trickle) {
        auto* ticker = new QTimer(socket);
        const QByteArray piece = junkBytes(response.pieceBytes);
        connect(ticker, &QTimer::timeout, socket,
                [this, socket, piece] { m_streamed += socket->write(piece); });
        connect(socket, &QTcpSocket::disconnected, ticker, &QTimer::stop);
        ticker->start(response.pieceInterval);
        return;
    }
    connect(socket, &QTcpSocket::bytesWritten, this,
            [this, connection] { feedStream(connection); });
    feedStream(connection);
}

void TestHttpServer::feedStream(Connection* connection)
{
    QTcpSocket* socket = connection->socket;
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    const QByteArray& block = connection->block.isEmpty() ? junkBlock() : connection->block;
    while (socket->bytesToWrite() < StreamHighWater) {
        if (connection->streamAction == Response::Action::EndlessChunks &&
            connection->blocksLeft == 0) {
            const QByteArray& tail = connection->tail;
            if (!tail.isEmpty())
                socket->write(QByteArray::number(tail.size(), 16) + "\r\n" + tail + "\r\n");
            socket->write("0\r\n\r\n");
            connection->streamAction = Response::Action::Respond;
            socket->disconnectFromHost();
            return;
        }
        if (connection->streamAction == Response::Action::EndlessChunks) {
            if (connection->blocksLeft > 0)
                --connection->blocksLeft;
            socket->write(QByteArray::number(block.size(), 16) + "\r\n" + block + "\r\n");
            m_streamed += block.size();
            continue;
        }
        if (connection->remaining <= 0) {
            socket->disconnectFromHost();
            return;
        }
        const qint64 size = std::min<qint64>(block.size(), connection->remaining);
        socket->write(block.constData(), size);
        connection->remaining -= size;
        m_streamed += size;
    }
}

void TestHttpServer::endConnection(Connection* connection, bool reset)
{
    QTcpSocket* socket = connection->socket;
    if (!socket)
        return;
    if (reset) {
        // Closing with a zero linger time sends RST instead of FIN.
        const linger abortive{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                     sizeof abortive);
    }
    socket->abort();
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
