#include "SimpleCall.h"

#include "BoundedReply.h"
#include "HttpErrors.h"
#include "NetworkAccess.h"
#include "StringExtensions.h"
#include "URLUtilities.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

constexpr int simpleTimeoutMs = 10000;

// The one login SimpleCall answers a challenge with.
QString fixedUser()
{
    return QStringLiteral("tester");
}

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
    : QObject(parent), delegate(callDelegate), origin(url)
{
    QNetworkAccessManager& manager = NetworkAccess::manager(fixedUser());
    // The shared manager asks every call about every challenge; each answers only its own.
    QObject::connect(&manager, &QNetworkAccessManager::authenticationRequired, this,
                     &SimpleCall::onAuthenticationRequired);
    QNetworkRequest request = NetworkAccess::request(url);
    request.setTransferTimeout(simpleTimeoutMs);
    reply = manager.get(request);
    answer = new BoundedReply(reply, ExchangeLimits::feed(), this);
    QObject::connect(answer, &BoundedReply::finished, this, &SimpleCall::onFinished);
}

SimpleCall::~SimpleCall()
{
    release();
}

void SimpleCall::onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator)
{
    if (challenged != reply || ++challenges > 1)
        return; // unanswered, so the exchange fails
    // The fixed login belongs to the update server: never in the clear, never
    // to a host a redirect led to.
    const QUrl asking = challenged->url();
    if (asking.scheme() != QLatin1String("https") || asking.host() != origin.host() ||
        asking.port(443) != origin.port(443))
        return;
    authenticator->setUser(fixedUser());
    authenticator->setPassword(QStringLiteral("R#6m9"));
}

void SimpleCall::onFinished()
{
    if (ended || !answer)
        return;
    status = answer->status().value_or(0);
    ended = true;
    body = answer->body();
    std::optional<RestError> failure = answer->failure();
    if (!failure && status == 401)
        failure =
            HttpErrors::transportError(HttpErrors::UserAuthenticationRequired,
                                       answer->url().toString(QUrl::RemovePassword), QString());
    release();
    if (!delegate)
        return;
    if (failure)
        delegate->simpleCallDidFail(this, failure);
    else
        delegate->simpleCallDidFinish(this);
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
    reply = nullptr;
    if (!answer)
        return;
    answer->abandon();
    answer->deleteLater();
    answer = nullptr;
}
