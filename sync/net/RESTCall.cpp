#include "RESTCall.h"

#include "AuthPrompter.h"
#include "CertificateTrustStore.h"
#include "ConsoleSink.h"
#include "HttpConsoleLog.h"
#include "HttpErrors.h"
#include "HttpSettings.h"
#include "NetLog.h"
#include "NetworkAccess.h"
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

bool isCredentialHeader(const QByteArray& name)
{
    const QByteArray lower = name.toLower();
    return lower == "authorization" || lower == "x-wsse" || lower == "cookie" ||
           lower == "proxy-authorization";
}

bool isBodyHeader(const QByteArray& name)
{
    const QByteArray lower = name.toLower();
    return lower == "content-type" || lower == "content-length";
}

// Qt keeps at most this much of an answer before the call has read it, so an
// answer past the size limit is noticed before it fills the memory.
constexpr qint64 replyBufferBytes = 1024 * 1024;

double inSeconds(std::chrono::milliseconds duration)
{
    return static_cast<double>(duration.count()) / 1000.0;
}

// QAuthenticator turns the credentials into Latin-1 bytes; servers compare
// the UTF-8 bytes the user typed, so hand it text whose Latin-1 form is UTF-8.
void answerChallenge(QAuthenticator* authenticator, const QString& user, const QString& password)
{
    authenticator->setUser(QString::fromLatin1(user.toUtf8()));
    authenticator->setPassword(QString::fromLatin1(password.toUtf8()));
}

} // namespace

RESTCall::RESTCall(const QUrl& url, RESTDelegate* restDelegate, QObject* parent)
    : QObject(parent), delegate(restDelegate), originalUrl(url), currentUrl(url),
      prepared(url.isValid() && !url.isEmpty())
{
    responseTimer.setSingleShot(true);
    QObject::connect(&responseTimer, &QTimer::timeout, this, &RESTCall::onResponseTimedOut);
    deadlineTimer.setSingleShot(true);
    QObject::connect(&deadlineTimer, &QTimer::timeout, this, &RESTCall::onDeadlinePassed);
    headers = {{"Accept", "*/*"}, {"User-Agent", HttpSettings::userAgent()}};
    if (delegate)
        delegate->setSubStatus(tr("Initializing connection..."));
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
    requestBody = data;
    addHeaders({{"Content-Type", contentType}});
}

void RESTCall::setTimeOut(double seconds)
{
    transferTimeoutMs = std::max(1, static_cast<int>(seconds * 1000));
}

void RESTCall::setMethod(const QByteArray& newMethod)
{
    method = newMethod.toUpper();
}

void RESTCall::addHeaders(const HeaderList& added)
{
    for (const auto& header : added) {
        const QByteArray& name = header.first;
        // Qt sets Host itself, with the port; a hand-made one would drop it.
        if (name.compare("Host", Qt::CaseInsensitive) == 0 ||
            name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            continue;
        headers.removeIf([&](const auto& existing) {
            return existing.first.compare(name, Qt::CaseInsensitive) == 0;
        });
        headers.append(header);
    }
}

void RESTCall::setResponseTimeout(std::chrono::milliseconds timeout)
{
    responseTimeout = timeout;
}

bool RESTCall::startCall()
{
    if (!prepared)
        return false;
    prepared = false;
    body.clear();
    logRequest();
    send();
    if (delegate)
        delegate->setSubStatus(tr("Connecting to server..."));
    return true;
}

void RESTCall::logRequest()
{
    // A hidden console keeps only the latest exchange, request and answer together.
    ConsoleSink::beginExchange();
    if (!consoleCopy.isEmpty()) {
        consoleCopy = HttpConsoleLog::boundedCopy(consoleCopy);
    } else {
        QByteArray contentType;
        for (const auto& [name, value] : headers)
            if (name.compare("Content-Type", Qt::CaseInsensitive) == 0)
                contentType = value;
        consoleCopy = HttpConsoleLog::request(currentUrl, requestBody, contentType,
                                              delegate ? delegate->authPassword() : QString());
    }
    ConsoleSink::sharedInstance().addToConsole(consoleCopy);
}

void RESTCall::send()
{
    QNetworkRequest request = NetworkAccess::request(currentUrl);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    // Redirects are followed by hand: see followRedirect().
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(transferTimeoutMs);
    // The cookies the server set earlier in this exchange (the shared manager keeps none).
    const QList<QNetworkCookie> cookies = cookieJar.cookiesForUrl(currentUrl);
    if (!cookies.isEmpty() && !request.hasRawHeader("Cookie"))
        request.setHeader(QNetworkRequest::CookieHeader, QVariant::fromValue(cookies));

    responseSeen = false;
    bodyWanted = false;
    refusal.reset();
    requestWritten = false;
    uploadDone = requestBody.isEmpty();
    challengesOnReply = 0;
    sentLogin = SentLogin::None;
    loginRefused = false;
    withheldForScheme = false;
    challengeLoggedBefore = std::exchange(resentForScheme, false);
    status = 0;
    uploadClock.start();
    // The manager of the login this request answers challenges with; it may
    // change when the user logs in as someone else on the sheet.
    const bool typed =
        promptedAnswer && RedirectPolicy::sameCredentialScope(promptedOrigin, currentUrl);
    const QString login = typed                                 ? promptedUser
                          : isOwnOrigin(currentUrl) && delegate ? delegate->authUsername()
                                                                : QString();
    QNetworkAccessManager& manager = NetworkAccess::manager(login);
    // A shared manager asks every call about every challenge; each answers only its own.
    QObject::connect(&manager, &QNetworkAccessManager::authenticationRequired, this,
                     &RESTCall::onAuthenticationRequired, Qt::UniqueConnection);
    // Qt says when a request has been written only for one sent without an
    // upload device, and a GET or DELETE needs none.
    const bool bodyless = requestBody.isEmpty() && method != "POST" && method != "PUT";
    reply = bodyless ? manager.sendCustomRequest(request, method)
                     : manager.sendCustomRequest(request, method, requestBody);
    reply->setReadBufferSize(replyBufferBytes);
    QObject::connect(reply, &QNetworkReply::requestSent, this, [this] {
        requestWritten = true;
        armResponseTimerOnceSent();
    });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, this, &RESTCall::onMetaData);
    QObject::connect(reply, &QNetworkReply::readyRead, this, &RESTCall::onReadyRead);
    QObject::connect(reply, &QNetworkReply::finished, this, &RESTCall::onFinished);
    QObject::connect(reply, &QNetworkReply::uploadProgress, this, &RESTCall::onUploadProgress);
    QObject::connect(reply, &QNetworkReply::sslErrors, this, &RESTCall::onSslErrors);

    // A body still on its way is no sign of a silent server: the wait for the
    // answer starts once the whole request has been sent.
    responseTimer.stop();
    if (requestBody.isEmpty())
        armResponseTimer();
    // Each request has the whole deadline: the time the user spends answering
    // a question between two of them does not count.
    deadline = exchangeLimits.deadline + ExchangeLimits::uploadAllowance(requestBody.size());
    deadlineTimer.start(deadline);
}

std::chrono::milliseconds RESTCall::responseWait() const
{
    return responseTimeout.value_or(std::chrono::seconds(HttpSettings::responseTimeoutSeconds()));
}

void RESTCall::armResponseTimer()
{
    responseTimer.start(responseWait());
}

void RESTCall::onUploadProgress(qint64 sent, qint64 total)
{
    if (total > 0 && sent >= total) {
        uploadDone = true;
        armResponseTimerOnceSent();
    }
}

// The last byte of a body handed to the system is not the last byte the server
// has read: the socket buffers may still hold megabytes, which a slowly
// reading server takes its time over. The wait for the answer starts once the
// request is written whole, and allows for those buffers: the time to read
// them at a slow pace, and as long again as the server took over the rest.
void RESTCall::armResponseTimerOnceSent()
{
    if (requestBody.isEmpty() || responseSeen || !uploadDone || !requestWritten ||
        responseTimer.isActive())
        return;
    const auto uploadTime = std::chrono::milliseconds(uploadClock.elapsed());
    responseTimer.start(responseWait() + ExchangeLimits::bufferedUploadMargin(requestBody.size()) +
                        uploadTime);
}

void RESTCall::onMetaData()
{
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (responseSeen || !statusAttribute.isValid())
        return;
    responseSeen = true;
    responseTimer.stop();
    status = statusAttribute.toInt();
    cookieJar.setCookiesFromUrl(
        reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>(), currentUrl);
    if (delegate)
        delegate->setSubStatus(tr("Connected to server..."));
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::response(status, reply->rawHeaderPairs()));

    if (const auto error = HttpErrors::errorForStatus(status)) {
        // The call ends with this error, but the page may give the reason in
        // the server's own words (a refused login, say): read its start first.
        refusal = error;
        bodyWanted = true;
        body.clear();
        return;
    }
    // Redirects and login challenges are handled when they end; their bodies are not the answer.
    bodyWanted = status != 401 && !(RedirectPolicy::isRedirectStatus(status) &&
                                    !reply->rawHeader("Location").trimmed().isEmpty());
    if (!bodyWanted)
        return;
    bool known = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    expectedLength = known && announced > 0 ? announced : 0;
    body.clear();
    if (expectedLength > exchangeLimits.maximumAnswerBytes) {
        failTooLarge();
        return;
    }
    if (delegate)
        delegate->setDuration(static_cast<double>(expectedLength / 1024));
}

void RESTCall::onReadyRead()
{
    if (!responseSeen)
        onMetaData();
    if (ended || !reply || !reply->isOpen())
        return;
    const QByteArray chunk = reply->readAll();
    if (!bodyWanted)
        return;
    if (refusal) {
        body.append(chunk.left(HttpErrors::serverWordsBytes - body.size()));
        if (body.size() >= HttpErrors::serverWordsBytes)
            failRefused();
        return;
    }
    if (body.size() + chunk.size() > exchangeLimits.maximumAnswerBytes) {
        failTooLarge();
        return;
    }
    body.append(chunk);
    const double received = static_cast<double>(body.size()) / 1024.0;
    const double expected = static_cast<double>(expectedLength) / 1024.0;
    if (!delegate)
        return;
    if (expected > 0)
        delegate->setSubStatus(
            tr("Receiving %1 of %2Kb").arg(received, 0, 'f', 1).arg(expected, 0, 'f', 1));
    else
        delegate->setSubStatus(tr("Receiving %1Kb").arg(received, 0, 'f', 1));
    delegate->setProgress(received);
}

void RESTCall::onFinished()
{
    if (ended || sender() != reply)
        return;
    responseTimer.stop();
    onReadyRead(); // the rest of the body, and the response itself if it came unannounced
    if (ended)
        return;
    if (refusal) {
        failRefused();
        return;
    }

    const QNetworkReply::NetworkError error = reply->error();
    if (certProblem && (error == QNetworkReply::SslHandshakeFailedError || status == 0)) {
        askAboutCertificate();
        return;
    }

    // Only a status of 400 or more makes an error page; an error beside any
    // other status (a body cut short, undecodable, refused) is a failure.
    if (error != QNetworkReply::NoError && !HttpErrors::isErrorPage(error, status)) {
        failTransport(error);
        return;
    }
    if (status == 401) {
        onUnauthorized();
        return;
    }
    if (RedirectPolicy::isRedirectStatus(status) && followRedirect())
        return;
    if (ended)
        return;
    succeed();
}

void RESTCall::failTransport(QNetworkReply::NetworkError error)
{
    const int code = HttpErrors::codeForNetworkError(error);
    const QString address = displayAddress();
    const HttpErrors::Stage stage = responseSeen     ? HttpErrors::Stage::Receiving
                                    : requestWritten ? HttpErrors::Stage::Waiting
                                                     : HttpErrors::Stage::Connecting;
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::failure(code, reply->errorString(), address));
    fail(HttpErrors::transportError(code, address, reply->errorString(), stage,
                                    transferTimeoutMs / 1000.0));
}

void RESTCall::failTooLarge()
{
    const RestError error =
        HttpErrors::answerTooLarge(displayAddress(), exchangeLimits.maximumAnswerBytes);
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::failure(error.code, error.message, displayAddress()));
    fail(error);
}

void RESTCall::failRefused()
{
    const RestError error = HttpErrors::withServerWords(*refusal, body);
    const QString text = HttpConsoleLog::bodyText(body);
    if (!text.isNull())
        ConsoleSink::sharedInstance().addToConsole(text + QStringLiteral("\n\n"));
    fail(error);
}

void RESTCall::onDeadlinePassed()
{
    if (ended || !reply)
        return;
    const RestError error = HttpErrors::deadlinePassed(displayAddress(), deadline);
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::failure(error.code, error.message, displayAddress()));
    fail(error);
}

bool RESTCall::followRedirect()
{
    using Outcome = RedirectDecision::Outcome;
    const RedirectDecision decision =
        RedirectPolicy::decide(status, method, currentUrl, reply->rawHeader("Location"));
    switch (decision.outcome) {
    case Outcome::NotARedirect:
    case Outcome::MissingLocation:
        return false; // delivered as an ordinary answer
    case Outcome::InsecureDowngrade:
        askAboutInsecureRedirect(decision);
        return true;
    case Outcome::UnsupportedScheme:
        fail(HttpErrors::transportError(HttpErrors::UnsupportedURL, displayAddress(), QString()));
        return true;
    case Outcome::Follow:
        break;
    }
    if (++redirects > NetworkAccess::maximumRedirects) {
        const int code = HttpErrors::HTTPTooManyRedirects;
        ConsoleSink::sharedInstance().addToConsole(
            HttpConsoleLog::failure(code, tr("Too many redirects"), displayAddress()));
        fail(HttpErrors::transportError(code, displayAddress(), tr("Too many redirects")));
        return true;
    }
    applyRedirect(decision);
    return true;
}

void RESTCall::applyRedirect(const RedirectDecision& decision)
{
    qCInfo(lcNet, "redirection detected: %s",
           qPrintable(decision.target.toString(QUrl::RemovePassword)));
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::redirect(status, displayAddress(), decision.target.toString()));

    if (!decision.keepCredentials)
        headers.removeIf([](const auto& h) { return isCredentialHeader(h.first); });
    if (!decision.keepBody) {
        requestBody.clear();
        headers.removeIf([](const auto& h) { return isBodyHeader(h.first); });
    }
    method = decision.method;
    currentUrl = decision.target;
    releaseReply();
    send();
}

void RESTCall::askAboutInsecureRedirect(const RedirectDecision& decision)
{
    releaseReply();
    const QUrl from = currentUrl;
    auto refuse = [this, from, to = decision.target] {
        fail(RestError{
            HttpErrors::SecureConnectionFailed,
            tr("The secure address \"%1\" redirected to the insecure address \"%2\". "
               "The redirect was not followed.")
                .arg(from.toString(QUrl::RemovePassword), to.toString(QUrl::RemovePassword))});
    };
    SecurityPrompter* prompter = SecurityPrompter::sharedInstance();
    if (!prompter) {
        refuse();
        return;
    }
    QPointer<RESTCall> self(this);
    prompter->askToFollowInsecureRedirect(from, decision.target,
                                          [self, decision, refuse](bool accepted) {
                                              if (!self || self->ended)
                                                  return;
                                              if (accepted)
                                                  self->applyRedirect(decision);
                                              else
                                                  refuse();
                                          });
}

void RESTCall::askAboutCertificate()
{
    releaseReply();
    const QString reasons = certProblem->reasons.join(QStringLiteral("; "));
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::failure(HttpErrors::ServerCertificateUntrusted, reasons, displayAddress()));
    SecurityPrompter* prompter = SecurityPrompter::sharedInstance();
    if (!prompter) {
        failUntrustedCertificate();
        return;
    }
    QPointer<RESTCall> self(this);
    prompter->askToTrustCertificate(*certProblem, [self, problem = *certProblem](bool accepted) {
        if (!self || self->ended)
            return;
        if (!accepted) {
            self->failUntrustedCertificate();
            return;
        }
        QString error;
        if (!CertificateTrustStore::sharedInstance().trust(problem.host, problem.port,
                                                           problem.fingerprint, &error))
            // Trusted for this session all the same; the user decided.
            ConsoleSink::sharedInstance().addToConsole(
                tr("The trusted certificate could not be remembered: %1\n\n").arg(error));
        self->certProblem.reset();
        self->send();
    });
}

void RESTCall::failUntrustedCertificate()
{
    fail(RestError{HttpErrors::ServerCertificateUntrusted,
                   tr("Could not create a secure connection to \"%1\": %2. The server's "
                      "certificate is not trusted, so nothing was sent.")
                       .arg(certProblem->host, certProblem->reasons.join(QStringLiteral("; ")))});
}

void RESTCall::onSslErrors(const QList<QSslError>& errors)
{
    auto* challenged = qobject_cast<QNetworkReply*>(sender());
    if (!challenged || challenged != reply ||
        CertificateTrustStore::sharedInstance().acceptIfTrusted(challenged, errors))
        return;
    QSslCertificate certificate = challenged->sslConfiguration().peerCertificate();
    QStringList reasons;
    for (const QSslError& error : errors) {
        reasons << error.errorString();
        if (certificate.isNull())
            certificate = error.certificate();
    }
    certProblem = CertificateProblem{currentUrl.host(), currentUrl.port(443),
                                     CertificateTrustStore::fingerprint(certificate), reasons};
}

bool RESTCall::isOwnOrigin(const QUrl& url) const
{
    return RedirectPolicy::sameCredentialScope(originalUrl, url);
}

void RESTCall::onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator)
{
    if (challenged != reply || ended)
        return;
    ++challengesOnReply;
    challengeRealm = authenticator->realm();
    if (challengesOnReply > 1) {
        // What was sent was refused; unanswered, the exchange ends with 401.
        loginRefused = sentLogin != SentLogin::None;
        logChallenge(
            AuthChallenge::rememberedScheme(currentUrl, challengeRealm).value_or(QString()),
            challengeRealm, {});
        return;
    }

    const bool typed =
        promptedAnswer && RedirectPolicy::sameCredentialScope(promptedOrigin, currentUrl);
    const bool stored = !typed && isOwnOrigin(currentUrl) && delegate &&
                        !delegate->authUsername().isEmpty() && !delegate->authPassword().isEmpty();
    if (!typed && !stored)
        return; // unanswered: logged with the answer's headers, then the sheet asks
    const std::optional<QString> scheme =
        AuthChallenge::rememberedScheme(currentUrl, challengeRealm);
    if (!scheme && !schemeLearnt) {
        // Qt tells the realm of a challenge but not its scheme, and the 401's
        // headers arrive only when it is left unanswered: so it is, once per
        // origin and realm, and the request is sent again (onUnauthorized).
        withheldForScheme = true;
        return;
    }
    // The challenge left unanswered to learn its scheme was logged then.
    if (!challengeLoggedBefore)
        logChallenge(scheme.value_or(QString()), challengeRealm, {});
    if (typed) {
        answerChallenge(authenticator, promptedUser, promptedPassword);
        sentLogin = SentLogin::Typed;
    } else if (stored) {
        answerChallenge(authenticator, delegate->authUsername(), delegate->authPassword());
        sentLogin = SentLogin::Stored;
    }
}

void RESTCall::logChallenge(const QString& scheme, const QString& realm,
                            const HeaderList& failureHeaders)
{
    ConsoleSink::sharedInstance().addToConsole(HttpConsoleLog::authorizationRequest(
        loginRefused ? tr("The previous credentials were rejected") : QString(), failureHeaders,
        scheme, currentUrl.host(), currentUrl.scheme(), realm));
}

void RESTCall::onUnauthorized()
{
    const std::optional<AuthChallenge> challenge =
        AuthChallenge::fromHeaders(reply->rawHeaderPairs());
    if (challenge)
        AuthChallenge::remember(currentUrl, *challenge);

    if (challengesOnReply == 0) {
        // No challenge Qt could answer (none at all, or one in a scheme it does
        // not know). Only a login that went with the request (an Authorization
        // or X-WSSE header) to the blog's own origin was refused.
        const bool loginSent = isOwnOrigin(currentUrl) &&
                               std::any_of(headers.cbegin(), headers.cend(), [](const auto& h) {
                                   return isCredentialHeader(h.first) &&
                                          h.first.compare("Cookie", Qt::CaseInsensitive) != 0;
                               });
        if (challenge)
            logChallenge(challenge->scheme, challenge->realm, reply->rawHeaderPairs());
        const QString address = displayAddress();
        if (!loginSent) {
            fail(HttpErrors::loginDemandedWithoutChallenge(address));
            return;
        }
        if (delegate)
            delegate->setAuthPassword(QString());
        fail(HttpErrors::transportError(HttpErrors::UserAuthenticationRequired, address,
                                        reply->errorString()));
        return;
    }

    if (withheldForScheme) {
        logChallenge(challenge ? challenge->scheme : QString(), challengeRealm,
                     reply->rawHeaderPairs());
        schemeLearnt = true;
        resentForScheme = true;
        releaseReply();
        send();
        return;
    }
    if (!loginRefused)
        logChallenge(challenge ? challenge->scheme : QString(), challengeRealm,
                     reply->rawHeaderPairs());
    // The blog's login (stored, or typed for the blog and so stored) is
    // forgotten only when it went to the blog's own origin and was refused there.
    if (loginRefused && isOwnOrigin(currentUrl) && delegate)
        delegate->setAuthPassword(QString());
    if (loginRefused && sentLogin == SentLogin::Typed)
        promptedAnswer = false;
    askForLogin(challengeRealm);
}

void RESTCall::askForLogin(const QString& realm)
{
    releaseReply();
    const QUrl challenging = currentUrl;
    const bool ownOrigin = isOwnOrigin(challenging);
    const QString challengingOrigin = challenging
                                          .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath |
                                                    QUrl::RemoveQuery | QUrl::RemoveFragment)
                                          .toString();
    AuthPrompter* prompter = AuthPrompter::sharedInstance();
    auto cancelled = [this] {
        const int code = HttpErrors::UserCancelledAuthentication;
        ConsoleSink::sharedInstance().addToConsole(
            HttpConsoleLog::failure(code, tr("Authentication cancelled"), displayAddress()));
        fail(HttpErrors::transportError(code, displayAddress(), QString()));
    };
    if (!prompter) {
        cancelled();
        return;
    }
    // The blog's own address as the user knows it; another origin by itself,
    // so that nobody types the blog's login for a server it was sent to.
    const QString address =
        ownOrigin && delegate && !delegate->url().isEmpty() && isOwnOrigin(QUrl(delegate->url()))
            ? delegate->url()
            : challengingOrigin;
    const QString username = ownOrigin && delegate ? delegate->authUsername() : QString();
    QPointer<RESTCall> self(this);
    prompter->ask(AuthPrompter::captionFor(address, realm), username,
                  [self, cancelled, ownOrigin, challenging](const AuthPrompter::Answer& answer) {
                      if (!self || self->ended)
                          return;
                      if (!answer.accepted) {
                          cancelled();
                          return;
                      }
                      // Only a login for the blog's own origin is the blog's.
                      if (ownOrigin && self->delegate) {
                          self->delegate->setAuthUsername(answer.username);
                          self->delegate->setAuthPassword(answer.password);
                      }
                      self->promptedAnswer = true;
                      self->promptedOrigin = challenging;
                      self->promptedUser = answer.username;
                      self->promptedPassword = answer.password;
                      self->send();
                  });
}

void RESTCall::onResponseTimedOut()
{
    if (ended || responseSeen)
        return;
    const RestError error = HttpErrors::responseTimedOut(
        displayAddress(), inSeconds(responseTimer.intervalAsDuration()));
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::failure(error.code, error.message, displayAddress()));
    fail(error);
}

void RESTCall::cancel()
{
    if (ended)
        return;
    fail(std::nullopt);
}

void RESTCall::releaseReply()
{
    responseTimer.stop();
    deadlineTimer.stop();
    NetworkAccess::discard(std::exchange(reply, nullptr), this);
}

void RESTCall::succeed()
{
    ended = true;
    succeeded = true;
    releaseReply();
    const QString text = HttpConsoleLog::bodyText(body);
    if (!text.isNull())
        ConsoleSink::sharedInstance().addToConsole(text + QStringLiteral("\n\n"));
    if (delegate)
        delegate->restCallDidFinish(this);
    emit finished(this);
}

void RESTCall::fail(const std::optional<RestError>& failure)
{
    ended = true;
    outcome = failure;
    releaseReply();
    if (delegate)
        delegate->restCallDidFail(this, failure);
    emit finished(this);
}

QString RESTCall::displayAddress() const
{
    return currentUrl.toString(QUrl::RemovePassword);
}
