// One asynchronous HTTP exchange with a blog server, from its request to its one ending.
#include "RESTCall.h"

#include "CertificateTrustStore.h"
#include "HttpErrors.h"
#include "HttpSettings.h"
#include "NetworkAccess.h"
#include "RESTCallConsole.h"
#include "RedirectPolicy.h"
#include "SecurityPrompter.h"
#include "URLUtilities.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QSslError>
#include <algorithm>
#include <utility>

namespace {

// Qt keeps at most this much of an answer before the call has read it, so an
// answer past the size limit is noticed before it fills the memory.
constexpr qint64 replyBufferBytes = 1024 * 1024;

double inSeconds(std::chrono::milliseconds duration)
{
    return static_cast<double>(duration.count()) / 1000.0;
}

} // namespace

RESTCall::RESTCall(const QUrl& url, RESTDelegate* restDelegate, QObject* parent)
    : QObject(parent), m_delegate(restDelegate), m_originalUrl(url), m_currentUrl(url),
      m_prepared(url.isValid() && !url.isEmpty())
{
    m_responseTimer.setSingleShot(true);
    QObject::connect(&m_responseTimer, &QTimer::timeout, this, &RESTCall::onResponseTimedOut);
    m_deadlineTimer.setSingleShot(true);
    QObject::connect(&m_deadlineTimer, &QTimer::timeout, this, &RESTCall::onDeadlinePassed);
    QObject::connect(&m_watch, &TransferWatch::stalled, this, &RESTCall::onStalled);
    QObject::connect(&m_watch, &TransferWatch::tooSlow, this, &RESTCall::onTooSlow);
    m_headers = {{"Accept", "*/*"}, {"User-Agent", HttpSettings::userAgent()}};
    if (m_delegate)
        m_delegate->setSubStatus(tr("Initializing connection..."));
}

RESTCall::RESTCall(const QString& address, RESTDelegate* restDelegate, QObject* parent)
    : RESTCall(URLUtilities::urlFromAddress(address), restDelegate, parent)
{
}

RESTCall::~RESTCall()
{
    releaseReply();
}

void RESTCall::setData(const QByteArray& data, const QByteArray& contentType)
{
    m_requestBody = data;
    addHeaders({{"Content-Type", contentType}});
}

void RESTCall::setTimeOut(double seconds)
{
    m_transferTimeoutMs = std::max(1, static_cast<int>(seconds * 1000));
}

void RESTCall::setMethod(const QByteArray& newMethod)
{
    m_method = newMethod.toUpper();
}

void RESTCall::addHeaders(const HeaderList& added)
{
    for (const auto& header : added) {
        const QByteArray& name = header.first;
        // Qt sets Host itself, with the port; a hand-made one would drop it.
        if (name.compare("Host", Qt::CaseInsensitive) == 0 ||
            name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            continue;
        m_headers.removeIf([&](const auto& existing) {
            return existing.first.compare(name, Qt::CaseInsensitive) == 0;
        });
        m_headers.append(header);
    }
}

RESTCall::HeaderList RESTCall::headerList(const QVariantMap& headers)
{
    HeaderList list;
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        list.append({it.key().toUtf8(), it.value().toString().toUtf8()});
    return list;
}

void RESTCall::setResponseTimeout(std::chrono::milliseconds timeout)
{
    m_responseTimeout = timeout;
}

bool RESTCall::startCall()
{
    if (!m_prepared)
        return false;
    m_prepared = false;
    m_body.restart();
    m_deadline = m_exchangeLimits.deadline;
    m_spent = std::chrono::milliseconds(0);
    logRequest();
    send();
    if (m_delegate)
        m_delegate->setSubStatus(tr("Connecting to server..."));
    return true;
}

void RESTCall::logRequest()
{
    m_consoleCopy = RESTCallConsole::request(m_consoleCopy, m_currentUrl, m_requestBody, m_headers,
                                             m_delegate ? m_delegate->authPassword() : QString());
}

void RESTCall::send()
{
    QNetworkRequest request = NetworkAccess::request(m_currentUrl);
    for (const auto& [name, value] : m_headers)
        request.setRawHeader(name, value);
    // Redirects are followed by hand: see followRedirect().
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // No transfer time-out of Qt's: it would count the time a slowly reading
    // server takes over what the socket buffers hold as silence. The watch
    // keeps the inactivity limit phase by phase instead.
    // The cookies the server set earlier in this exchange (the shared manager keeps none).
    const QList<QNetworkCookie> cookies = m_cookieJar.cookiesForUrl(m_currentUrl);
    if (!cookies.isEmpty() && !request.hasRawHeader("Cookie"))
        request.setHeader(QNetworkRequest::CookieHeader, QVariant::fromValue(cookies));

    m_responseSeen = false;
    m_bodyWanted = false;
    m_refusal.reset();
    m_requestWritten = false;
    m_uploadDone = m_requestBody.isEmpty();
    m_login.beginRequest();
    m_status = 0;
    m_uploadReported = 0;
    // The manager of the login this request answers challenges with.
    QNetworkAccessManager& manager = m_login.manager();
    // A shared manager asks every call about every challenge; each answers only its own.
    QObject::connect(&manager, &QNetworkAccessManager::authenticationRequired, this,
                     &RESTCall::onAuthenticationRequired, Qt::UniqueConnection);
    // Qt says when a request has been written only for one sent without an
    // upload device, and a GET or DELETE needs none.
    const bool bodyless = m_requestBody.isEmpty() && m_method != "POST" && m_method != "PUT";
    m_reply = bodyless ? manager.sendCustomRequest(request, m_method)
                       : manager.sendCustomRequest(request, m_method, m_requestBody);
    m_reply->setReadBufferSize(replyBufferBytes);
    QObject::connect(m_reply, &QNetworkReply::requestSent, this, [this] {
        m_requestWritten = true;
        armResponseTimerOnceSent();
    });
    QObject::connect(m_reply, &QNetworkReply::metaDataChanged, this, &RESTCall::onMetaData);
    QObject::connect(m_reply, &QNetworkReply::readyRead, this, &RESTCall::onReadyRead);
    QObject::connect(m_reply, &QNetworkReply::finished, this, &RESTCall::onFinished);
    QObject::connect(m_reply, &QNetworkReply::uploadProgress, this, &RESTCall::onUploadProgress);
    QObject::connect(m_reply, &QNetworkReply::sslErrors, this, &RESTCall::onSslErrors);

    // A body still on its way is no sign of a silent server: the wait for the
    // answer starts once the whole request has been sent.
    m_responseTimer.stop();
    if (m_requestBody.isEmpty())
        armResponseTimer();
    // One deadline for the whole exchange, redirects and resends included, and time
    // to upload each body sent; the time the user spends answering a question
    // between two requests does not count.
    m_deadline += ExchangeLimits::uploadAllowance(m_requestBody.size());
    m_deadlineTimer.start(std::max(m_deadline - m_spent, std::chrono::milliseconds(0)));
    m_requestClock.start();
    m_watch.setMinimumPace(m_exchangeLimits.minimumBytesPerSecond, m_exchangeLimits.paceWindow);
    m_watch.begin(m_requestBody.isEmpty() ? TransferWatch::Phase::Waiting
                                          : TransferWatch::Phase::Sending,
                  std::chrono::milliseconds(m_transferTimeoutMs));
}

std::chrono::milliseconds RESTCall::responseWait() const
{
    return m_responseTimeout.value_or(std::chrono::seconds(HttpSettings::responseTimeoutSeconds()));
}

void RESTCall::armResponseTimer()
{
    m_responseTimer.start(responseWait());
}

void RESTCall::onUploadProgress(qint64 sent, qint64 total)
{
    if (m_watch.phase() == TransferWatch::Phase::Sending && sent > m_uploadReported) {
        m_watch.progressed(sent - m_uploadReported);
        m_uploadReported = sent;
    }
    if (total > 0 && sent >= total) {
        m_uploadDone = true;
        armResponseTimerOnceSent();
    }
}

// The last byte of a body handed to the system is not the last byte the server
// has read: the socket buffers may still hold megabytes, which a slowly
// reading server takes its time over. The wait for the answer, and its
// silence, start once a server reading at the slowest pace the exchange
// accepts would have read those buffers.
void RESTCall::armResponseTimerOnceSent()
{
    if (m_requestBody.isEmpty() || m_responseSeen || !m_uploadDone || !m_requestWritten ||
        m_responseTimer.isActive())
        return;
    const std::chrono::milliseconds reading = ExchangeLimits::bufferedUploadMargin(
        m_requestBody.size(), m_exchangeLimits.minimumBytesPerSecond);
    m_responseTimer.start(responseWait() + reading);
    m_watch.begin(TransferWatch::Phase::Waiting,
                  std::chrono::milliseconds(m_transferTimeoutMs) + reading);
}

QByteArray RESTCall::responseHeader(const QByteArray& name) const
{
    for (const auto& [key, value] : m_responseHeaders)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

void RESTCall::onMetaData()
{
    const QVariant statusAttribute = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (m_responseSeen || !statusAttribute.isValid())
        return;
    m_responseSeen = true;
    m_responseTimer.stop();
    m_watch.begin(TransferWatch::Phase::Receiving, std::chrono::milliseconds(m_transferTimeoutMs));
    m_status = statusAttribute.toInt();
    m_responseHeaders = m_reply->rawHeaderPairs();
    m_cookieJar.setCookiesFromUrl(
        m_reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>(),
        m_currentUrl);
    if (m_delegate)
        m_delegate->setSubStatus(tr("Connected to server..."));
    RESTCallConsole::response(m_status, m_reply->rawHeaderPairs());

    if (const auto error = HttpErrors::errorForStatus(m_status)) {
        // The call ends with this error, but the page may give the reason in
        // the server's own words (a refused login, say): read its start first.
        m_refusal = error;
        m_bodyWanted = true;
        m_body.restart();
        return;
    }
    // A redirect is followed on its headers: its body is not the answer, and one that
    // never ends must not hold the call. Login challenges are handled when they end.
    if (RedirectPolicy::isRedirectStatus(m_status) && followRedirect())
        return;
    m_bodyWanted = m_status != 401;
    if (!m_bodyWanted)
        return;
    bool known = false;
    const qint64 announced =
        m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    m_expectedLength = known && announced > 0 ? announced : 0;
    m_body.restart();
    if (m_expectedLength > m_exchangeLimits.maximumAnswerBytes) {
        failTooLarge();
        return;
    }
    if (m_delegate)
        m_delegate->setDuration(static_cast<double>(m_expectedLength / 1024));
}

void RESTCall::onReadyRead()
{
    // A redirect followed on its headers replaces the reply being read.
    const QNetworkReply* reading = m_reply;
    if (!m_responseSeen)
        onMetaData();
    if (m_ended || !m_reply || m_reply != reading || !m_reply->isOpen())
        return;
    const QByteArray chunk = m_reply->readAll();
    m_watch.progressed(chunk.size());
    if (!m_bodyWanted)
        return;
    if (m_refusal) {
        if (m_body.keepServerWords(chunk))
            failRefused();
        return;
    }
    if (m_body.received() + chunk.size() > m_exchangeLimits.maximumAnswerBytes) {
        failTooLarge();
        return;
    }
    m_body.keep(chunk);
    const double received = static_cast<double>(m_body.received()) / 1024.0;
    const double expected = static_cast<double>(m_expectedLength) / 1024.0;
    if (!m_delegate)
        return;
    if (expected > 0)
        m_delegate->setSubStatus(
            tr("Receiving %1 of %2Kb").arg(received, 0, 'f', 1).arg(expected, 0, 'f', 1));
    else
        m_delegate->setSubStatus(tr("Receiving %1Kb").arg(received, 0, 'f', 1));
    m_delegate->setProgress(received);
}

void RESTCall::onFinished()
{
    if (m_ended || sender() != m_reply)
        return;
    m_responseTimer.stop();
    const QNetworkReply* finished = m_reply;
    onReadyRead(); // the rest of the body, and the response itself if it came unannounced
    if (m_ended || m_reply != finished)
        return;
    if (m_refusal) {
        failRefused();
        return;
    }

    const QNetworkReply::NetworkError error = m_reply->error();
    if (m_certProblem && (error == QNetworkReply::SslHandshakeFailedError || m_status == 0)) {
        askAboutCertificate();
        return;
    }

    // Only a status of 400 or more makes an error page; an error beside any
    // other status (a body cut short, undecodable, refused) is a failure.
    if (error != QNetworkReply::NoError && !HttpErrors::isErrorPage(error, m_status)) {
        failTransport(error);
        return;
    }
    if (m_status == 401) {
        m_login.unauthorized();
        return;
    }
    // A redirect was followed, or found to be an answer, on its headers.
    if (const auto unavailable =
            HttpErrors::errorForUnavailable(m_status, displayAddress(), m_body.data())) {
        m_refusal = unavailable;
        failRefused();
        return;
    }
    succeed();
}

void RESTCall::failTransport(QNetworkReply::NetworkError error)
{
    const int code = HttpErrors::codeForNetworkError(error);
    const QString address = displayAddress();
    const HttpErrors::Stage stage = m_responseSeen     ? HttpErrors::Stage::Receiving
                                    : m_requestWritten ? HttpErrors::Stage::Waiting
                                                       : HttpErrors::Stage::Connecting;
    RESTCallConsole::failure(code, m_reply->errorString(), address);
    fail(HttpErrors::transportError(code, address, m_reply->errorString(), stage,
                                    m_transferTimeoutMs / 1000.0));
}

void RESTCall::onStalled(TransferWatch::Phase phase)
{
    if (m_ended || !m_reply)
        return;
    using Stage = HttpErrors::Stage;
    Stage stage = Stage::Connecting;
    if (phase == TransferWatch::Phase::Receiving)
        stage = Stage::Receiving;
    else if (m_requestWritten)
        stage = Stage::Waiting;
    else if (m_uploadReported > 0)
        stage = Stage::Sending;
    const QString description = tr("Operation timed out");
    const int code = HttpErrors::TimedOut;
    RESTCallConsole::failure(code, description, displayAddress());
    fail(HttpErrors::transportError(code, displayAddress(), description, stage,
                                    inSeconds(m_watch.silence())));
}

void RESTCall::onTooSlow()
{
    if (m_ended || !m_reply)
        return;
    const RestError error = HttpErrors::tooSlow(displayAddress(), m_watch.minimumBytesPerSecond(),
                                                m_watch.paceWindow());
    RESTCallConsole::failure(error, displayAddress());
    fail(error);
}

DecodeResult RESTCall::takeXmlRpcAnswer()
{
    return m_body.takeXmlRpcAnswer();
}

void RESTCall::failTooLarge()
{
    const RestError error =
        HttpErrors::answerTooLarge(displayAddress(), m_exchangeLimits.maximumAnswerBytes);
    RESTCallConsole::failure(error, displayAddress());
    fail(error);
}

void RESTCall::failRefused()
{
    const RestError error = HttpErrors::withServerWords(*m_refusal, m_body.data());
    RESTCallConsole::refusalPage(m_body.data());
    fail(error);
}

void RESTCall::onDeadlinePassed()
{
    if (m_ended || !m_reply)
        return;
    const RestError error = HttpErrors::deadlinePassed(displayAddress(), m_deadline);
    RESTCallConsole::failure(error, displayAddress());
    fail(error);
}

bool RESTCall::followRedirect()
{
    const RESTRedirectFollowing::Outcome outcome =
        m_redirectFollowing.next(m_status, m_reply->rawHeader("Location"),
                                 {m_method, m_currentUrl, m_requestBody, m_headers});
    switch (outcome.step) {
    case RESTRedirectFollowing::Step::Answer:
        return false;
    case RESTRedirectFollowing::Step::Fail:
        fail(outcome.error);
        return true;
    case RESTRedirectFollowing::Step::Follow:
        break;
    }
    releaseReply();
    send();
    return true;
}

void RESTCall::askAboutCertificate()
{
    releaseReply();
    const QString reasons = m_certProblem->reasons.join(QStringLiteral("; "));
    RESTCallConsole::failure(HttpErrors::ServerCertificateUntrusted, reasons, displayAddress());
    SecurityPrompter* prompter = SecurityPrompter::sharedInstance();
    if (!prompter) {
        failUntrustedCertificate();
        return;
    }
    QPointer<RESTCall> self(this);
    prompter->askToTrustCertificate(
        *m_certProblem, [self, problem = *m_certProblem](bool accepted) {
            if (!self || self->m_ended)
                return;
            if (!accepted) {
                self->failUntrustedCertificate();
                return;
            }
            QString error;
            if (!CertificateTrustStore::sharedInstance().trust(problem.host, problem.port,
                                                               problem.fingerprint, &error))
                // Trusted for this session all the same; the user decided.
                RESTCallConsole::note(
                    tr("The trusted certificate could not be remembered: %1\n\n").arg(error));
            self->m_certProblem.reset();
            self->send();
        });
}

void RESTCall::failUntrustedCertificate()
{
    fail(RestError{
        HttpErrors::ServerCertificateUntrusted,
        tr("Could not create a secure connection to \"%1\": %2. The server's "
           "certificate is not trusted, so nothing was sent.")
            .arg(m_certProblem->host, m_certProblem->reasons.join(QStringLiteral("; ")))});
}

void RESTCall::onSslErrors(const QList<QSslError>& errors)
{
    auto* challenged = qobject_cast<QNetworkReply*>(sender());
    if (!challenged || challenged != m_reply ||
        CertificateTrustStore::sharedInstance().acceptIfTrusted(challenged, errors))
        return;
    QSslCertificate certificate = challenged->sslConfiguration().peerCertificate();
    QStringList reasons;
    for (const QSslError& error : errors) {
        reasons << error.errorString();
        if (certificate.isNull())
            certificate = error.certificate();
    }
    m_certProblem = CertificateProblem{m_currentUrl.host(), m_currentUrl.port(443),
                                       CertificateTrustStore::fingerprint(certificate), reasons};
}

bool RESTCall::isOwnOrigin(const QUrl& url) const
{
    return RedirectPolicy::sameCredentialScope(m_originalUrl, url);
}

void RESTCall::onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator)
{
    if (challenged != m_reply || m_ended)
        return;
    m_login.challenged(authenticator);
}

void RESTCall::onResponseTimedOut()
{
    if (m_ended || m_responseSeen)
        return;
    const RestError error = HttpErrors::responseTimedOut(
        displayAddress(), inSeconds(m_responseTimer.intervalAsDuration()));
    RESTCallConsole::failure(error, displayAddress());
    fail(error);
}

void RESTCall::cancel()
{
    if (m_ended)
        return;
    fail(std::nullopt);
}

void RESTCall::releaseReply()
{
    m_responseTimer.stop();
    m_watch.stop();
    m_deadlineTimer.stop();
    if (m_requestClock.isValid())
        m_spent += std::chrono::milliseconds(m_requestClock.elapsed());
    m_requestClock.invalidate();
    NetworkAccess::discard(std::exchange(m_reply, nullptr), this);
}

void RESTCall::succeed()
{
    m_ended = true;
    m_succeeded = true;
    releaseReply();
    RESTCallConsole::answer(m_body.data(), m_body.received());
    if (m_delegate)
        m_delegate->restCallDidFinish(this);
    emit finished(this);
}

void RESTCall::fail(const std::optional<RestError>& failure)
{
    m_ended = true;
    m_outcome = failure;
    releaseReply();
    if (m_delegate)
        m_delegate->restCallDidFail(this, failure);
    emit finished(this);
}

QString RESTCall::displayAddress() const
{
    return m_currentUrl.toString(QUrl::RemovePassword);
}
