#include "RESTCall.h"

#include "AuthPrompter.h"
#include "CertificateTrustStore.h"
#include "ConsoleSink.h"
#include "HttpConsoleLog.h"
#include "HttpErrors.h"
#include "HttpSettings.h"
#include "RedirectPolicy.h"
#include "SecurityPrompter.h"
#include "URLUtilities.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslError>

namespace {

constexpr int maximumRedirects = 20;

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

// QNetworkReply reports HTTP error statuses as errors too; those answers are
// delivered like any other page.
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return error >= QNetworkReply::ContentAccessDenied;
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
    : QObject(parent), delegate(restDelegate), manager(new QNetworkAccessManager), currentUrl(url),
      prepared(url.isValid() && !url.isEmpty())
{
    responseTimer.setSingleShot(true);
    QObject::connect(&responseTimer, &QTimer::timeout, this, &RESTCall::onResponseTimedOut);
    QObject::connect(manager, &QNetworkAccessManager::authenticationRequired, this,
                     &RESTCall::onAuthenticationRequired);
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
    // Replies are children of the manager; deleting it later keeps a reply
    // alive through the signal that may have led here.
    manager->disconnect(this);
    manager->deleteLater();
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

bool RESTCall::connect()
{
    if (!prepared)
        return false;
    prepared = false;
    body.clear();
    send();
    if (delegate)
        delegate->setSubStatus(tr("Connecting to server..."));
    return true;
}

void RESTCall::send()
{
    QNetworkRequest request(currentUrl);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(transferTimeoutMs);

    responseSeen = false;
    bodyWanted = false;
    challengesOnReply = 0;
    status = 0;
    reply = manager->sendCustomRequest(request, method, requestBody);
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
}

void RESTCall::armResponseTimer()
{
    responseTimer.start(
        responseTimeout.value_or(std::chrono::seconds(HttpSettings::responseTimeoutSeconds())));
}

void RESTCall::onUploadProgress(qint64 sent, qint64 total)
{
    if (!responseSeen && total > 0 && sent >= total && !responseTimer.isActive())
        armResponseTimer();
}

void RESTCall::onMetaData()
{
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (responseSeen || !statusAttribute.isValid())
        return;
    responseSeen = true;
    responseTimer.stop();
    status = statusAttribute.toInt();
    if (delegate)
        delegate->setSubStatus(tr("Connected to server..."));
    ConsoleSink::shared().addToConsole(HttpConsoleLog::response(status, reply->rawHeaderPairs()));

    if (const auto error = HttpErrors::errorForStatus(status)) {
        fail(error);
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
    if (delegate)
        delegate->setDuration(static_cast<double>(expectedLength / 1024));
}

void RESTCall::onReadyRead()
{
    if (!responseSeen) {
        const QPointer<RESTCall> self(this);
        onMetaData();
        if (!self) // the delegate released the call on a failing status
            return;
    }
    if (ended || !reply)
        return;
    const QByteArray chunk = reply->readAll();
    if (!bodyWanted)
        return;
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
    const QPointer<RESTCall> self(this);
    onReadyRead(); // the rest of the body, and the response itself if it came unannounced
    if (!self || ended)
        return;

    const QNetworkReply::NetworkError error = reply->error();
    if (certProblem && (error == QNetworkReply::SslHandshakeFailedError || status == 0)) {
        askAboutCertificate();
        return;
    }

    if (status == 401 && challengesOnReply > 0) {
        askForLogin();
        return;
    }

    if (RedirectPolicy::isRedirectStatus(status) && followRedirect())
        return;
    if (ended)
        return;

    if (error != QNetworkReply::NoError && !(status > 0 && isHttpStatusError(error))) {
        const int code = HttpErrors::codeForNetworkError(error);
        const QString address = displayAddress();
        ConsoleSink::shared().addToConsole(
            HttpConsoleLog::failure(code, reply->errorString(), address));
        if (code == HttpErrors::UserAuthenticationRequired && delegate)
            delegate->setAuthPassword(QString());
        fail(HttpErrors::transportError(code, address, reply->errorString()));
        return;
    }
    if (status == 401) {
        // A 401 with no challenge we could answer: the login failed.
        if (delegate)
            delegate->setAuthPassword(QString());
        fail(HttpErrors::transportError(HttpErrors::UserAuthenticationRequired, displayAddress(),
                                        reply->errorString()));
        return;
    }
    succeed();
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
    if (++redirects > maximumRedirects) {
        fail(HttpErrors::transportError(HttpErrors::HTTPTooManyRedirects, displayAddress(),
                                        tr("Too many redirects")));
        return true;
    }
    applyRedirect(decision);
    return true;
}

void RESTCall::applyRedirect(const RedirectDecision& decision)
{
    qInfo("redirection detected: %s", qPrintable(decision.target.toString(QUrl::RemovePassword)));
    ConsoleSink::shared().addToConsole(
        HttpConsoleLog::redirect(status, displayAddress(), decision.target.toString()));

    if (!decision.keepCredentials) {
        credentialsAllowed = false;
        promptedAnswer = false;
        headers.removeIf([](const auto& h) { return isCredentialHeader(h.first); });
    }
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
    SecurityPrompter* prompter = SecurityPrompter::shared();
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
    ConsoleSink::shared().addToConsole(
        HttpConsoleLog::failure(HttpErrors::ServerCertificateUntrusted, reasons, displayAddress()));
    SecurityPrompter* prompter = SecurityPrompter::shared();
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
        if (!CertificateTrustStore::shared().trust(problem.host, problem.port, problem.fingerprint,
                                                   &error))
            // Trusted for this session all the same; the user decided.
            ConsoleSink::shared().addToConsole(
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
        CertificateTrustStore::shared().acceptIfTrusted(challenged, errors))
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

void RESTCall::onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator)
{
    if (challenged != reply || ended)
        return;
    ++challengesOnReply;

    const QByteArray challenge = challenged->rawHeader("WWW-Authenticate");
    const QString scheme = QString::fromLatin1(challenge.split(' ').value(0));
    ConsoleSink::shared().addToConsole(HttpConsoleLog::authorizationRequest(
        challengesOnReply > 1 ? tr("The previous credentials were rejected") : QString(),
        challenged->rawHeaderPairs(), scheme, currentUrl.host(), currentUrl.scheme(),
        authenticator->realm()));

    if (challengesOnReply > 1)
        return; // unanswered: the exchange ends with 401 and the sheet asks
    if (promptedAnswer) {
        answerChallenge(authenticator, promptedUser, promptedPassword);
        return;
    }
    if (credentialsAllowed && delegate && !delegate->authUsername().isEmpty() &&
        !delegate->authPassword().isEmpty()) {
        answerChallenge(authenticator, delegate->authUsername(), delegate->authPassword());
    }
}

void RESTCall::askForLogin()
{
    releaseReply();
    AuthPrompter* prompter = AuthPrompter::shared();
    auto cancelled = [this] {
        if (delegate)
            delegate->setAuthPassword(QString());
        const int code = HttpErrors::UserCancelledAuthentication;
        ConsoleSink::shared().addToConsole(
            HttpConsoleLog::failure(code, tr("Authentication cancelled"), displayAddress()));
        fail(HttpErrors::transportError(code, displayAddress(), QString()));
    };
    if (!prompter) {
        cancelled();
        return;
    }
    const QString address =
        delegate && !delegate->url().isEmpty() ? delegate->url() : displayAddress();
    const QString username = delegate ? delegate->authUsername() : QString();
    QPointer<RESTCall> self(this);
    prompter->ask(AuthPrompter::captionFor(address), username,
                  [self, cancelled](const AuthPrompter::Answer& answer) {
                      if (!self || self->ended)
                          return;
                      if (!answer.accepted) {
                          cancelled();
                          return;
                      }
                      if (self->delegate) {
                          self->delegate->setAuthUsername(answer.username);
                          self->delegate->setAuthPassword(answer.password);
                      }
                      self->promptedAnswer = true;
                      self->promptedUser = answer.username;
                      self->promptedPassword = answer.password;
                      self->send();
                  });
}

void RESTCall::onResponseTimedOut()
{
    if (ended || responseSeen)
        return;
    fail(RestError{HttpErrors::NetworkConnectionLost, HttpErrors::responseTimedOutMessage()});
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
    if (!reply)
        return;
    reply->disconnect(this);
    QNetworkReply* gone = reply;
    reply = nullptr;
    if (gone->isFinished()) {
        gone->deleteLater();
        return;
    }
    // Aborting from inside the reply's own signal upsets it; do it next turn.
    QTimer::singleShot(0, gone, [gone] {
        gone->abort();
        gone->deleteLater();
    });
}

void RESTCall::succeed()
{
    ended = true;
    releaseReply();
    const QString text = URLUtilities::textFromData(body);
    if (!text.isNull())
        ConsoleSink::shared().addToConsole(text + QStringLiteral("\n\n"));
    if (delegate)
        delegate->restCallDidFinish(this); // may delete this
}

void RESTCall::fail(const std::optional<RestError>& error)
{
    ended = true;
    releaseReply();
    if (delegate)
        delegate->restCallDidFail(this, error); // may delete this
}

QString RESTCall::displayAddress() const
{
    return currentUrl.toString(QUrl::RemovePassword);
}
