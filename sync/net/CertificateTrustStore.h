#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QSslCertificate>
#include <QString>

class QNetworkReply;
class QSslError;

// Server certificates that failed verification but that the user explicitly
// chose to trust, one host and port at a time, by SHA-256 fingerprint. Kept in
// "trusted-certificates.json" in the application data folder.
class CertificateTrustStore {
public:
    explicit CertificateTrustStore(QString filePath);

    static CertificateTrustStore& sharedInstance();
    static QString defaultFilePath();
    static QByteArray fingerprint(const QSslCertificate& certificate);

    bool isTrusted(const QString& host, int port, const QByteArray& sha256) const;
    // Both write the file at once; false with `error` set when it cannot be written.
    bool trust(const QString& host, int port, const QByteArray& sha256, QString* error = nullptr);
    bool distrust(const QString& host, int port, const QByteArray& sha256,
                  QString* error = nullptr);

    // Lets `reply` go on past certificate `errors` when its server's certificate
    // is one the user trusted for that host and port; true when it did.
    bool acceptIfTrusted(QNetworkReply* reply, const QList<QSslError>& errors) const;

    QString filePath() const { return m_path; }

private:
    static QString keyFor(const QString& host, int port);
    void load() const;
    bool save(QString* error) const;

    QString m_path;
    mutable bool m_loaded = false;
    mutable QHash<QString, QSet<QByteArray>> m_trusted;
};
