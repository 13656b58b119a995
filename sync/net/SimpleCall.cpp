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

QString fixedPassword()
{
    return QStringLiteral("R#6m9");
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
    : QObject(parent), m_delegate(callDelegate), m_origin(url)
{
    QNetworkAccessManager& manager = NetworkAccess::manager(fixedUser(), fixedPassword());
    // The shared manager asks every call about every challenge; each answers only its own.
    QObject::connect(&manager, &QNetworkAccessManager::authenticationRequired, this,
                     &SimpleCall::onAuthenticationRequired);
    QNetworkRequest request = NetworkAccess::request(url);
    request.setTransferTimeout(simpleTimeoutMs);
    m_reply = manager.get(request);
    m_answer = new BoundedReply(m_reply, ExchangeLimits::feed(), this);
    QObject::connect(m_answer, &BoundedReply::finished, this, &SimpleCall::onFinished);
}

SimpleCall::~SimpleCall()
{
    release();
}

void SimpleCall::onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator)
{
    if (challenged != m_reply || ++m_challenges > 1)
        return; // unanswered, so the exchange fails
    // The fixed login belongs to the update server: never in the clear, never
    // to a host a redirect led to.
    const QUrl asking = challenged->url();
    if (asking.scheme() != QLatin1String("https") || asking.host() != m_origin.host() ||
        asking.port(443) != m_origin.port(443))
        return;
    authenticator->setUser(fixedUser());
    authenticator->setPassword(fixedPassword());
}

void SimpleCall::onFinished()
{
    if (m_ended || !m_answer)
        return;
    m_status = m_answer->status().value_or(0);
    m_ended = true;
    m_body = m_answer->body();
    std::optional<RestError> failure = m_answer->failure();
    if (!failure && m_status == 401)
        failure =
            HttpErrors::transportError(HttpErrors::UserAuthenticationRequired,
                                       m_answer->url().toString(QUrl::RemovePassword), QString());
    release();
    if (!m_delegate)
        return;
    if (failure)
        m_delegate->simpleCallDidFail(this, failure);
    else
        m_delegate->simpleCallDidFinish(this);
}

void SimpleCall::cancel()
{
    if (m_ended)
        return;
    m_ended = true;
    release();
    if (m_delegate)
        m_delegate->simpleCallDidFail(this, std::nullopt);
}

void SimpleCall::release()
{
    m_reply = nullptr;
    if (!m_answer)
        return;
    m_answer->abandon();
    m_answer->deleteLater();
    m_answer = nullptr;
}
