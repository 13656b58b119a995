#include "SimpleCall.h"

#include "HttpErrors.h"
#include "HttpSettings.h"
#include "StringExtensions.h"
#include "URLUtilities.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

constexpr int simpleTimeoutMs = 10000;

} // namespace

SimpleCall* SimpleCall::create(const QUrl& url, SimpleCallDelegate* delegate, QObject* parent)
{
    if (!url.isValid() || url.isEmpty() || url.scheme().isEmpty())
        return nullptr;
    return new SimpleCall(url, delegate, parent);
}

SimpleCall* SimpleCall::create(const QString& address, SimpleCallDelegate* delegate,
                               QObject* parent)
{
    return create(URLUtilities::urlFromAddress(rv::decodeXML(address)), delegate, parent);
}

SimpleCall::SimpleCall(const QUrl& url, SimpleCallDelegate* callDelegate, QObject* parent)
    : QObject(parent), delegate(callDelegate), manager(new QNetworkAccessManager)
{
    QObject::connect(manager, &QNetworkAccessManager::authenticationRequired, this,
                     &SimpleCall::onAuthenticationRequired);
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", HttpSettings::userAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(simpleTimeoutMs);
    reply = manager->get(request);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, this, [this] { body.clear(); });
    QObject::connect(reply, &QNetworkReply::readyRead, this,
                     [this] { body.append(reply->readAll()); });
    QObject::connect(reply, &QNetworkReply::finished, this, &SimpleCall::onFinished);
}

SimpleCall::~SimpleCall()
{
    release();
    manager->disconnect(this);
    manager->deleteLater();
}

void SimpleCall::onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator)
{
    if (challenged != reply || ++challenges > 1)
        return; // unanswered, so the exchange fails
    authenticator->setUser(QStringLiteral("tester"));
    authenticator->setPassword(QStringLiteral("R#6m9"));
}

void SimpleCall::onFinished()
{
    if (ended || !reply)
        return;
    body.append(reply->readAll());
    const QNetworkReply::NetworkError error = reply->error();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString description = reply->errorString();
    const QString address = reply->url().toString(QUrl::RemovePassword);
    ended = true;
    release();
    if (error == QNetworkReply::NoError ||
        (status > 0 && error >= QNetworkReply::ContentAccessDenied &&
         error != QNetworkReply::AuthenticationRequiredError)) {
        if (delegate)
            delegate->simpleCallDidFinish(this);
        return;
    }
    const int code = HttpErrors::codeForNetworkError(error);
    if (delegate)
        delegate->simpleCallDidFail(this, HttpErrors::transportError(code, address, description));
}

void SimpleCall::cancel()
{
    if (ended)
        return;
    ended = true;
    release();
    if (delegate)
        delegate->simpleCallDidFail(this, std::nullopt);
}

void SimpleCall::release()
{
    if (!reply)
        return;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
    reply = nullptr;
}
