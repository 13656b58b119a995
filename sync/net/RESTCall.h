// One asynchronous HTTP exchange with a blog server, from its request to its one ending.
#pragma once

#include "AuthChallenge.h"
#include "CertificateProblem.h"
#include "DecodeResult.h"
#include "ExchangeLimits.h"
#include "RESTAnswerBody.h"
#include "RESTCallLogin.h"
#include "RESTDelegate.h"
#include "RESTRedirectFollowing.h"
#include "RestError.h"
#include "TransferWatch.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <chrono>
#include <memory>
#include <optional>

class QAuthenticator;
class QSslError;

// One asynchronous HTTP exchange with a blog server. Adds plumet's standard
// headers, limits the wait for the first response, the size of the answer and
// the time the whole exchange takes, reports progress to its delegate, logs
// the exchange (request and answer) to the network console, answers login
// challenges from the delegate's stored credentials or the login sheet,
// follows redirects (never from https to http, and never with a body to
// another origin), asks before trusting a refused certificate, and ends
// exactly once: the delegate hears restCallDidFinish or restCallDidFail, then
// finished() is emitted. Neither the delegate nor a slot may delete the call
// there: deleteLater() it. Runs on the calling thread's shared network manager
// (NetworkAccess.h).
//
// The delegate's stored login belongs to the origin of the address the call
// was made for. It is sent only there, cleared only when it was sent there and
// refused, and a login typed for another origin (after a redirect) serves this
// call alone.
class RESTCall : public QObject {
    Q_OBJECT
public:
    using HeaderList = QList<QPair<QByteArray, QByteArray>>;

    // A server certificate that failed verification; the user is asked
    // through SecurityPrompter whether to trust it.
    using CertificateProblem = ::CertificateProblem;

    RESTCall(const QUrl& url, RESTDelegate* delegate, QObject* parent = nullptr);
    // The text is percent-escaped as UTF-8; "#" and "%" stay as they are.
    RESTCall(const QString& address, RESTDelegate* delegate, QObject* parent = nullptr);
    ~RESTCall() override;

    void setData(const QByteArray& data, const QByteArray& contentType);
    // The request's own inactivity limit (30 s unless set).
    void setTimeOut(double seconds);
    void setMethod(const QByteArray& method);
    // Each entry replaces an earlier header of the same name.
    void addHeaders(const HeaderList& headers);
    // A header dictionary (a driver's authentication headers) as addHeaders
    // takes it: names and values in UTF-8.
    static HeaderList headerList(const QVariantMap& headers);
    // The wait for the first response after the request has been sent; the
    // "timeout" preference unless set.
    void setResponseTimeout(std::chrono::milliseconds timeout);
    // The answer size, overall deadline and slowest pace (server answers
    // unless set); a request body adds its upload time to the deadline.
    void setLimits(const ExchangeLimits& limits) { m_exchangeLimits = limits; }

    // Reads the answer as XML-RPC while it arrives (XmlRpcAnswerStream)
    // instead of keeping its bytes: restData() then holds only its head, for
    // the console, and takeXmlRpcAnswer() the decoded answer.
    void setReadsXmlRpcAnswer(bool reads) { m_body.setReadsXmlRpc(reads); }
    bool readsXmlRpcAnswer() const { return m_body.readsXmlRpc(); }
    // Once the call has finished well: the answer read so (asked once).
    DecodeResult takeXmlRpcAnswer();

    // What the network console shows of the request (XMLRPCEncoder::consoleCopy,
    // for one). Without it the call writes the address and the body's text with
    // the delegate's password masked.
    void setConsoleCopy(const QString& copy) { m_consoleCopy = copy; }

    // Starts the exchange; false when there is nothing (more) to send. The
    // road's `connect`, named so as not to hide QObject::connect.
    bool startCall();
    // Stops the exchange and reports a failure without an error.
    void cancel();

    const QByteArray& restData() const { return m_body.data(); }
    // How many bytes the answer had, whether kept or read as they came.
    qint64 answerSize() const { return m_body.received(); }
    RESTDelegate* restDelegate() const { return m_delegate; }
    void setRestDelegate(RESTDelegate* newDelegate) { m_delegate = newDelegate; }

    // The address finally answered, after redirects.
    QUrl url() const { return m_currentUrl; }
    int httpStatus() const { return m_status; }
    // A header of the answer (the name in any case), or empty.
    QByteArray responseHeader(const QByteArray& name) const;
    // Once it has ended: whether the exchange failed, and why (none: cancelled).
    bool hasFailed() const { return m_ended && !m_succeeded; }
    const std::optional<RestError>& error() const { return m_outcome; }

    std::optional<CertificateProblem> certificateProblem() const { return m_certProblem; }

signals:
    // The exchange ended, after the delegate has heard how.
    void finished(RESTCall* call);

private:
    // The login side answers challenges on the call's reply, sends it again
    // and ends it.
    friend class RESTCallLogin;

    void logRequest();
    void send();
    std::chrono::milliseconds responseWait() const;
    void armResponseTimer();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void onUploadProgress(qint64 sent, qint64 total);
    void armResponseTimerOnceSent();
    void onSslErrors(const QList<QSslError>& errors);
    void onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator);
    void onResponseTimedOut();
    void onStalled(TransferWatch::Phase phase);
    void onTooSlow();
    void onDeadlinePassed();
    void failTooLarge();
    void failRefused();
    void failTransport(QNetworkReply::NetworkError error);
    bool isOwnOrigin(const QUrl& url) const;
    // Follows a redirect on its headers, or ends the call on a refused one;
    // false for an answer that is no redirect to follow.
    bool followRedirect();
    void askAboutCertificate();
    void failUntrustedCertificate();
    void releaseReply();
    void succeed();
    void fail(const std::optional<RestError>& error);
    QString displayAddress() const;

    RESTDelegate* m_delegate = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer m_responseTimer;
    std::optional<std::chrono::milliseconds> m_responseTimeout;
    ExchangeLimits m_exchangeLimits = ExchangeLimits::serverAnswer();
    QTimer m_deadlineTimer;
    // The exchange's whole allowance, and what its requests have used of it.
    std::chrono::milliseconds m_deadline{0};
    std::chrono::milliseconds m_spent{0};
    QElapsedTimer m_requestClock;

    const QUrl m_originalUrl; // whose origin the delegate's login belongs to
    QUrl m_currentUrl;
    QByteArray m_method = "GET";
    QByteArray m_requestBody;
    QString m_consoleCopy;
    HeaderList m_headers;
    int m_transferTimeoutMs = 30000;
    bool m_prepared = false;
    bool m_ended = false;

    RESTAnswerBody m_body;
    TransferWatch m_watch;
    qint64 m_uploadReported = 0;
    QList<QNetworkReply::RawHeaderPair> m_responseHeaders;
    std::optional<RestError> m_outcome;
    // A 403, 404 or 500 ends the call; its page is read first for the server's words.
    std::optional<RestError> m_refusal;
    bool m_succeeded = false;
    QNetworkCookieJar m_cookieJar;
    qint64 m_expectedLength = 0;
    int m_status = 0;
    bool m_responseSeen = false;
    bool m_bodyWanted = false;
    bool m_requestWritten = false;
    bool m_uploadDone = false;
    RESTRedirectFollowing m_redirectFollowing;

    RESTCallLogin m_login{*this};
    std::optional<CertificateProblem> m_certProblem;
};
