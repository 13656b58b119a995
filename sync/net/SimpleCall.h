#pragma once

#include "SimpleCallDelegate.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>

class BoundedReply;
class QAuthenticator;
class QNetworkReply;

// A bare GET with a short time-out, for the update feed, within the limits of
// a feed (size and overall time), written to the network console as every
// exchange is. Starts at once; ends exactly once. A challenge is answered with
// the update server's fixed login, once, and only over https by the host asked.
class SimpleCall : public QObject {
    Q_OBJECT
public:
    // Null (with no delegate call) when the address gives no usable URL.
    static SimpleCall* create(const QUrl& url, SimpleCallDelegate* delegate,
                              QObject* parent = nullptr);
    // The text is first decoded from XML escapes, then percent-escaped.
    static SimpleCall* create(const QString& address, SimpleCallDelegate* delegate,
                              QObject* parent = nullptr);
    ~SimpleCall() override;

    void cancel();
    const QByteArray& restData() const { return m_body; }
    // The HTTP status of the answer, 0 before one arrived.
    int httpStatus() const { return m_status; }
    SimpleCallDelegate* restDelegate() const { return m_delegate; }
    void setRestDelegate(SimpleCallDelegate* newDelegate) { m_delegate = newDelegate; }

private:
    SimpleCall(const QUrl& url, SimpleCallDelegate* delegate, QObject* parent);
    void onFinished();
    void onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator);
    void release();

    SimpleCallDelegate* m_delegate = nullptr;
    QUrl m_origin;
    QPointer<QNetworkReply> m_reply;
    QPointer<BoundedReply> m_answer;
    QByteArray m_body;
    int m_challenges = 0;
    int m_status = 0;
    bool m_ended = false;
};
