#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;

// Downloads one file over HTTPS to a given path and reports its length,
// progress, rate and time left. An interrupted transfer resumes where it
// stopped with a Range request, a few times, before it counts as failed.
// Redirects are followed only to https addresses, and the fixed download
// credential is given only to the download's own host. The file never grows
// past the length the update feed announced (or, without one, a cap): a
// server that announces or sends more is refused before it fills the disk.
class PUDownloader : public QObject {
    Q_OBJECT
public:
    // The length assumed while the server names none.
    static constexpr qint64 assumedLength = 1024000000;
    static constexpr int maximumResumes = 3;
    // An update is some tens of megabytes; without an announced length no
    // download grows past this.
    static constexpr qint64 MaxUnannouncedBytes = qint64(512) * 1024 * 1024;

    PUDownloader(const QUrl& url, const QString& path, QObject* parent = nullptr);
    ~PUDownloader() override;

    // The length the update feed announced (0: none), and the cap without one.
    // Set before start().
    void setLengthLimit(qint64 announced, qint64 cap = MaxUnannouncedBytes);
    qint64 lengthLimit() const { return m_lengthLimit; }

    // Starts on the next turn of the event loop.
    void start();
    // Stops without any further signal.
    void cancelDownload();

    qint64 bytesReceived() const { return m_bytesReceived; }
    qint64 expectedLength() const { return m_expectedLength; }
    double rate() const { return m_rate; }
    double estimate() const { return m_estimate; }
    QString downloadPath() const { return m_file.fileName(); }

signals:
    // Only when the server names a length (with a resumed start included).
    void fileLengthKnown(qint64 bytes);
    void downloadProgressed(float percent);
    void downloadFinished();
    // Exactly one of downloadFinished and downloadFailed ends a download.
    void downloadFailed(const QString& reason);

private:
    void request(qint64 from);
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void onAuthentication(QNetworkReply* reply, QAuthenticator* authenticator);
    void retryOrFail(const QString& reason);
    void fail(const QString& reason);
    void releaseReply();

    QUrl m_url;
    QFile m_file;
    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QElapsedTimer m_since;
    qint64 m_bytesReceived = 0;
    qint64 m_expectedLength = assumedLength;
    qint64 m_byteOffset = 0;
    qint64 m_requestedFrom = 0;
    qint64 m_lengthLimit = MaxUnannouncedBytes;
    bool m_lengthAnnounced = false;
    bool m_responseAccepted = false;
    double m_rate = 0;
    double m_estimate = 0;
    int m_resumes = 0;
    int m_challenges = 0;
    bool m_ended = false;
};
