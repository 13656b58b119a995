#pragma once

#include "CertificateProblem.h"
#include "RESTDelegate.h"
#include "RestError.h"

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <optional>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;
class QSslError;
struct RedirectDecision;

// One asynchronous HTTP exchange with a blog server. Adds plumet's standard
// headers, limits the wait for the first response, reports progress to its
// delegate, logs the exchange to the network console, answers login challenges
// from the delegate's stored credentials or the login sheet, follows redirects,
// asks before trusting a refused certificate or leaving https for http, and
// ends exactly once: restCallDidFinish or restCallDidFail.
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
    // The wait for the first response after the request has been sent; the
    // "timeout" preference unless set.
    void setResponseTimeout(std::chrono::milliseconds timeout);

    // Starts the exchange; false when there is nothing (more) to send.
    bool connect();
    // Stops the exchange and reports a failure without an error.
    void cancel();

    const QByteArray& restData() const { return body; }
    RESTDelegate* restDelegate() const { return delegate; }
    void setRestDelegate(RESTDelegate* newDelegate) { delegate = newDelegate; }

    // The address finally answered, after redirects.
    QUrl url() const { return currentUrl; }
    int httpStatus() const { return status; }
    std::optional<CertificateProblem> certificateProblem() const { return certProblem; }

private:
    void send();
    void armResponseTimer();
    void onMetaData();
    void onReadyRead();
    void onFinished();
    void onUploadProgress(qint64 sent, qint64 total);
    void onSslErrors(const QList<QSslError>& errors);
    void onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator);
    void onResponseTimedOut();
    bool followRedirect();
    void applyRedirect(const RedirectDecision& decision);
    void askAboutInsecureRedirect(const RedirectDecision& decision);
    void askAboutCertificate();
    void failUntrustedCertificate();
    void askForLogin();
    void releaseReply();
    void succeed();
    void fail(const std::optional<RestError>& error);
    QString displayAddress() const;

    RESTDelegate* delegate = nullptr;
    QNetworkAccessManager* manager = nullptr;
    QPointer<QNetworkReply> reply;
    QTimer responseTimer;
    std::optional<std::chrono::milliseconds> responseTimeout;

    QUrl currentUrl;
    QByteArray method = "GET";
    QByteArray requestBody;
    HeaderList headers;
    int transferTimeoutMs = 30000;
    bool prepared = false;
    bool ended = false;

    QByteArray body;
    qint64 expectedLength = 0;
    int status = 0;
    bool responseSeen = false;
    bool bodyWanted = false;
    int redirects = 0;

    bool credentialsAllowed = true;
    int challengesOnReply = 0;
    bool promptedAnswer = false;
    QString promptedUser;
    QString promptedPassword;
    std::optional<CertificateProblem> certProblem;
};
