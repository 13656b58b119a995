#include "PUDownloader.h"

#include "UpdaterLog.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTimer>

namespace {

constexpr int transferTimeoutMs = 30000;
constexpr int resumeDelayMs = 500;

QString trController(const char* text)
{
    return QCoreApplication::translate("PUController", text);
}

QByteArray userAgent()
{
    return QStringLiteral("plumet/3.0 (Linux; %1; https://plumet.org/)")
        .arg(QSysInfo::currentCpuArchitecture())
        .toUtf8();
}

bool isSecure(const QUrl& url)
{
    return url.scheme() == QLatin1String("https") && !url.host().isEmpty();
}

// The first byte of a "Content-Range: bytes first-last/total" answer, or -1.
qint64 rangeStart(const QByteArray& contentRange)
{
    static const QRegularExpression pattern(QStringLiteral("^bytes\\s+(\\d+)-\\d+/(\\d+|\\*)$"));
    const auto match = pattern.match(QString::fromLatin1(contentRange.trimmed()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

} // namespace

PUDownloader::PUDownloader(const QUrl& url, const QString& path, QObject* parent)
    : QObject(parent), m_url(url), m_file(path), m_manager(new QNetworkAccessManager(this))
{
    connect(m_manager, &QNetworkAccessManager::authenticationRequired, this,
            &PUDownloader::onAuthentication);
}

PUDownloader::~PUDownloader()
{
    m_ended = true;
    releaseReply();
}

void PUDownloader::setLengthLimit(qint64 announced, qint64 cap)
{
    m_lengthLimit = announced > 0 ? announced : cap;
}

void PUDownloader::start()
{
    QTimer::singleShot(0, this, [this] {
        if (m_ended)
            return;
        if (!isSecure(m_url)) {
            fail(trController("The update's address is not a secure (https) address."));
            return;
        }
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate,
                         QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            fail(trController("The download cannot be saved: %1").arg(m_file.errorString()));
            return;
        }
        request(0);
    });
}

void PUDownloader::cancelDownload()
{
    m_ended = true;
    releaseReply();
    m_file.close();
}

void PUDownloader::request(qint64 from)
{
    QNetworkRequest request(m_url);
    request.setRawHeader("User-Agent", userAgent());
    // Ranges are counted in stored bytes: never ask for a transfer encoding.
    request.setRawHeader("Accept-Encoding", "identity");
    if (from > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(from) + '-');
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(transferTimeoutMs);
    m_requestedFrom = from;
    m_responseAccepted = false;
    m_reply = m_manager->get(request);
    // Bounds what one readyRead can hand over past the limit.
    m_reply->setReadBufferSize(qint64(1) << 20);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl& target) {
        if (isSecure(target)) {
            emit m_reply->redirectAllowed();
            return;
        }
        qCWarning(lcUpdater) << "refused a redirect to" << target.toString(QUrl::RemoveUserInfo);
        fail(trController("The download server sent the update to an address that is not secure."));
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &PUDownloader::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &PUDownloader::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PUDownloader::onFinished);
}

void PUDownloader::onMetaData()
{
    if (m_ended || !m_reply || m_responseAccepted)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0 || (status >= 300 && status < 400))
        return; // not the final answer yet
    if (status != 200 && status != 206)
        return; // reported when the reply finishes
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);

    qint64 start = 0;
    if (status == 206) {
        start = rangeStart(m_reply->rawHeader("Content-Range"));
        if (start != m_requestedFrom) {
            fail(trController("The download server resumed the download at the wrong place."));
            return;
        }
    } else if (m_requestedFrom > 0) {
        // The server ignored the range: start over.
        m_file.resize(0);
        m_file.seek(0);
    }
    if (length.isValid() && length.toLongLong() + start > m_lengthLimit) {
        fail(trController("The download server announced %1 bytes, more than the %2 bytes of "
                          "the update; nothing more was downloaded.")
                 .arg(length.toLongLong() + start)
                 .arg(m_lengthLimit));
        return;
    }
    m_responseAccepted = true;
    m_since.start();
    m_bytesReceived = m_byteOffset = start;
    m_rate = m_estimate = 0;
    if (length.isValid()) {
        m_lengthAnnounced = true;
        m_expectedLength = length.toLongLong() + start;
        emit fileLengthKnown(m_expectedLength);
    } else {
        m_lengthAnnounced = false;
        m_expectedLength = assumedLength;
    }
    if (start > 0)
        emit downloadProgressed(float(double(start) / double(m_expectedLength) * 100.0));
}

void PUDownloader::onReadyRead()
{
    if (m_ended || !m_reply || !m_responseAccepted)
        return;
    const QByteArray bytes = m_reply->readAll();
    if (bytes.isEmpty())
        return;
    if (m_bytesReceived + bytes.size() > m_lengthLimit) {
        fail(trController("The download server sent more than the %1 bytes of the update; the "
                          "download was stopped.")
                 .arg(m_lengthLimit));
        return;
    }
    if (m_file.write(bytes) != bytes.size()) {
        fail(trController("The download cannot be saved: %1").arg(m_file.errorString()));
        return;
    }
    m_bytesReceived += bytes.size();
    const double elapsed = m_since.isValid() ? m_since.nsecsElapsed() / 1e9 : 0;
    if (elapsed > 0) {
        m_rate = double(m_bytesReceived - m_byteOffset) / elapsed;
        m_estimate = m_rate > 0 ? double(m_expectedLength - m_bytesReceived) / m_rate : 0;
    }
    emit downloadProgressed(float(double(m_bytesReceived) / double(m_expectedLength) * 100.0));
}

void PUDownloader::onFinished()
{
    if (m_ended || !m_reply)
        return;
    onReadyRead();
    if (m_ended)
        return;
    const QNetworkReply::NetworkError error = m_reply->error();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString description = m_reply->errorString();
    releaseReply();

    if (status >= 400 || (status > 0 && status != 200 && status != 206)) {
        fail(trController("The download server answered with status %1.").arg(status));
        return;
    }
    if (error != QNetworkReply::NoError) {
        retryOrFail(description);
        return;
    }
    if (m_lengthAnnounced && m_bytesReceived < m_expectedLength) {
        retryOrFail(trController("The connection closed before the whole file arrived."));
        return;
    }
    if (!m_file.flush()) {
        fail(trController("The download cannot be saved: %1").arg(m_file.errorString()));
        return;
    }
    m_file.close();
    m_ended = true;
    emit downloadFinished();
}

void PUDownloader::retryOrFail(const QString& reason)
{
    // Only a transfer that brought bytes can be resumed; a refused connection
    // or a failed handshake fails at once.
    if (m_bytesReceived <= 0 || m_resumes >= maximumResumes || !m_file.flush()) {
        fail(reason);
        return;
    }
    ++m_resumes;
    qCInfo(lcUpdater) << "download interrupted at" << m_bytesReceived << "bytes:" << reason
                      << "- resuming";
    const qint64 from = m_bytesReceived;
    QTimer::singleShot(resumeDelayMs, this, [this, from] {
        if (!m_ended)
            request(from);
    });
}

void PUDownloader::onAuthentication(QNetworkReply* reply, QAuthenticator* authenticator)
{
    if (reply != m_reply || ++m_challenges > 1)
        return; // unanswered, so the transfer fails
    const QUrl at = reply->url();
    if (!isSecure(at) || at.host() != m_url.host() || at.port(443) != m_url.port(443))
        return;
    authenticator->setUser(QStringLiteral("tester"));
    authenticator->setPassword(QStringLiteral("R#6m9"));
}

void PUDownloader::fail(const QString& reason)
{
    if (m_ended)
        return;
    m_ended = true;
    releaseReply();
    m_file.close();
    qCWarning(lcUpdater) << "download failed:" << reason;
    emit downloadFailed(reason);
}

void PUDownloader::releaseReply()
{
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    if (m_reply->isRunning())
        m_reply->abort();
    m_reply->deleteLater();
    m_reply = nullptr;
}
