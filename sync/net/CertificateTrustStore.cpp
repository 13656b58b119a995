#include "CertificateTrustStore.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "UnreadableFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslError>
#include <QStandardPaths>

CertificateTrustStore::CertificateTrustStore(QString filePath) : m_path(std::move(filePath)) {}

CertificateTrustStore& CertificateTrustStore::sharedInstance()
{
    static CertificateTrustStore store(defaultFilePath());
    return store;
}

QString CertificateTrustStore::defaultFilePath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base + QStringLiteral("/plumet3/trusted-certificates.json");
}

QByteArray CertificateTrustStore::fingerprint(const QSslCertificate& certificate)
{
    return certificate.digest(QCryptographicHash::Sha256).toHex();
}

QString CertificateTrustStore::keyFor(const QString& host, int port)
{
    return host.toLower() + QLatin1Char(':') + QString::number(port);
}

bool CertificateTrustStore::isTrusted(const QString& host, int port, const QByteArray& sha256) const
{
    load();
    return m_trusted.value(keyFor(host, port)).contains(sha256.toLower());
}

bool CertificateTrustStore::trust(const QString& host, int port, const QByteArray& sha256,
                                  QString* error)
{
    load();
    m_trusted[keyFor(host, port)].insert(sha256.toLower());
    return save(error);
}

bool CertificateTrustStore::distrust(const QString& host, int port, const QByteArray& sha256,
                                     QString* error)
{
    load();
    auto it = m_trusted.find(keyFor(host, port));
    if (it == m_trusted.end() || !it->remove(sha256.toLower()))
        return true;
    if (it->isEmpty())
        m_trusted.erase(it);
    return save(error);
}

bool CertificateTrustStore::acceptIfTrusted(QNetworkReply* reply,
                                            const QList<QSslError>& errors) const
{
    const QSslCertificate certificate = reply->sslConfiguration().peerCertificate();
    const QUrl url = reply->url();
    if (certificate.isNull() || !isTrusted(url.host(), url.port(443), fingerprint(certificate)))
        return false;
    reply->ignoreSslErrors(errors);
    return true;
}

void CertificateTrustStore::load() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return; // nothing trusted yet
    // A few lines per trusted host: anything much larger, or no file at all (a FIFO, a
    // link to a device), is not a trust list, and must not hold the question that
    // asked.
    constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;
    QString error;
    const std::optional<QByteArray> bytes = RegularFile::read(m_path, MaxFileBytes, &error);
    if (bytes && bytes->trimmed().isEmpty())
        return;
    QJsonParseError parsed{};
    const QJsonDocument document =
        bytes ? QJsonDocument::fromJson(*bytes, &parsed) : QJsonDocument();
    if (bytes && parsed.error != QJsonParseError::NoError)
        error = parsed.errorString();
    else if (bytes && !document.isObject())
        error = QStringLiteral("it holds no list of hosts");
    if (!error.isEmpty()) {
        // Kept for the user, not written over by the next trust given.
        UnreadableFile::moveAside(m_path, error);
        return;
    }
    const QJsonObject root = document.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        QSet<QByteArray>& prints = m_trusted[it.key()];
        for (const QJsonValue& value : it.value().toArray())
            prints.insert(value.toString().toLatin1().toLower());
    }
}

bool CertificateTrustStore::save(QString* error) const
{
    QJsonObject root;
    for (auto it = m_trusted.cbegin(); it != m_trusted.cend(); ++it) {
        QJsonArray prints;
        for (const QByteArray& print : it.value())
            prints.append(QString::fromLatin1(print));
        root.insert(it.key(), prints);
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    return AtomicFile::write(m_path, QJsonDocument(root).toJson(), error);
}
