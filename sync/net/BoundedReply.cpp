#include "BoundedReply.h"

#include "ConsoleSink.h"
#include "HttpConsoleLog.h"
#include "HttpErrors.h"
#include "NetworkAccess.h"

#include <QNetworkReply>
#include <utility>

namespace {

// Qt keeps at most this much of an answer before it is read.
constexpr qint64 replyBufferBytes = 1024 * 1024;

bool isRedirect(int status)
{
    return status >= 300 && status < 400;
}

} // namespace

BoundedReply::BoundedReply(QNetworkReply* reply, const ExchangeLimits& limits, QObject* parent)
    : QObject(parent), m_reply(reply), m_limits(limits)
{
    m_url = reply->url();
    m_reply->setReadBufferSize(replyBufferBytes);
    connect(m_reply, &QNetworkReply::requestSent, this, [this] { m_requestSent = true; });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &BoundedReply::onMetaData);
    connect(m_reply, &QNetworkReply::redirected, this, &BoundedReply::onRedirected);
    connect(m_reply, &QNetworkReply::readyRead, this, &BoundedReply::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &BoundedReply::onFinished);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { stop(HttpErrors::deadlinePassed(address(), m_limits.deadline)); });
    m_deadline.start(m_limits.deadline);
    // A hidden console keeps only the latest exchange, request and answer together.
    ConsoleSink::beginExchange();
    ConsoleSink::sharedInstance().addToConsole(HttpConsoleLog::request(m_url, {}, {}, {}));
}

BoundedReply::~BoundedReply()
{
    abandon();
}

QString BoundedReply::address() const
{
    return m_url.toString(QUrl::RemovePassword);
}

void BoundedReply::onMetaData()
{
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    m_status = status.toInt();
    m_url = m_reply->url();
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::response(*m_status, m_reply->rawHeaderPairs()));
    if (isRedirect(*m_status)) {
        // Followed by Qt, or by the owner; its body is not the answer.
        m_location = m_reply->rawHeader("Location");
        return;
    }
    m_location.clear();
    m_body.clear();
    m_contentType = m_reply->rawHeader("Content-Type");
    bool known = false;
    const qint64 announced =
        m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && announced > m_limits.maximumAnswerBytes)
        stop(HttpErrors::answerTooLarge(address(), m_limits.maximumAnswerBytes));
}

void BoundedReply::onRedirected(const QUrl& target)
{
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::redirect(m_status.value_or(0), address(), target.toString()));
    m_url = target;
}

void BoundedReply::onReadyRead()
{
    const QByteArray chunk = m_reply->readAll();
    if (m_body.size() + chunk.size() > m_limits.maximumAnswerBytes) {
        stop(HttpErrors::answerTooLarge(address(), m_limits.maximumAnswerBytes));
        return;
    }
    m_body.append(chunk);
}

void BoundedReply::onFinished()
{
    if (m_ended)
        return;
    const QPointer<BoundedReply> self(this);
    onReadyRead();
    if (!self || m_ended)
        return;
    m_ended = true;
    m_deadline.stop();
    m_url = m_reply->url();
    const QNetworkReply::NetworkError error = m_reply->error();
    const int status = m_status.value_or(0);
    if (error != QNetworkReply::NoError && !HttpErrors::isErrorPage(error, status)) {
        using HttpErrors::Stage;
        const Stage stage = m_status        ? Stage::Receiving
                            : m_requestSent ? Stage::Waiting
                                            : Stage::Connecting;
        const int code = HttpErrors::codeForNetworkError(error);
        m_failure = HttpErrors::transportError(code, address(), m_reply->errorString(), stage,
                                               m_reply->request().transferTimeout() / 1000.0);
        logFailure(code, m_reply->errorString());
    } else if (const QString text = HttpConsoleLog::bodyText(m_body); !text.isNull()) {
        ConsoleSink::sharedInstance().addToConsole(text + QStringLiteral("\n\n"));
    }
    emit finished();
}

void BoundedReply::stop(const RestError& failure)
{
    if (m_ended)
        return;
    m_ended = true;
    m_deadline.stop();
    m_failure = failure;
    m_body.clear();
    release();
    logFailure(failure.code, failure.message);
    emit finished(); // owners release this with deleteLater(), never inside the signal
}

void BoundedReply::logFailure(int code, const QString& description) const
{
    ConsoleSink::sharedInstance().addToConsole(
        HttpConsoleLog::failure(code, description, address()));
}

void BoundedReply::abandon()
{
    m_ended = true;
    m_deadline.stop();
    release();
}

void BoundedReply::release()
{
    NetworkAccess::discard(std::exchange(m_reply, nullptr), this);
}
