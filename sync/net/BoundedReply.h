#pragma once

#include "ExchangeLimits.h"
#include "RestError.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <optional>

class QNetworkReply;

// Reads one reply that the network library redirects by itself (SimpleCall,
// the page fetches) within its exchange's limits: the body is kept as it
// arrives, and the reply is stopped once it grows past the size limit or
// outlasts the deadline. Emits finished() exactly once, unless abandoned.
// Writes the exchange to the network console as RESTCall does: the request,
// each response's status and headers, the redirects Qt follows, then the
// answer's text or why it failed.
class BoundedReply : public QObject {
    Q_OBJECT
public:
    // Takes `reply` over: it is deleted with this object.
    BoundedReply(QNetworkReply* reply, const ExchangeLimits& limits, QObject* parent = nullptr);
    ~BoundedReply() override;

    const QByteArray& body() const { return m_body; }
    // The HTTP status, when a response arrived.
    std::optional<int> status() const { return m_status; }
    // The address finally answered.
    QUrl url() const { return m_url; }
    // The answer's Content-Type header, as sent; empty when it had none.
    const QByteArray& contentType() const { return m_contentType; }
    // The Location header of a redirect the network library was told not to
    // follow; empty for any other answer.
    const QByteArray& location() const { return m_location; }
    // Once finished: why the exchange failed, or nothing when it ended with a
    // complete answer (an HTTP error page is one).
    const std::optional<RestError>& failure() const { return m_failure; }

    // Stops the reply without a word.
    void abandon();

signals:
    void finished();

private:
    void onMetaData();
    void onRedirected(const QUrl& target);
    void onReadyRead();
    void onFinished();
    void stop(const RestError& failure);
    void release();
    void logFailure(int code, const QString& description) const;
    QString address() const;

    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
    ExchangeLimits m_limits;
    QTimer m_deadline;
    QByteArray m_body;
    QByteArray m_contentType;
    QByteArray m_location;
    std::optional<int> m_status;
    std::optional<RestError> m_failure;
    bool m_requestSent = false;
    bool m_ended = false;
};
