#pragma once

#include "SimpleCallDelegate.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;

// A bare GET with a short time-out and no console logging, for the update
// feed. Starts at once; ends exactly once.
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
    const QByteArray& restData() const { return body; }
    SimpleCallDelegate* restDelegate() const { return delegate; }
    void setRestDelegate(SimpleCallDelegate* newDelegate) { delegate = newDelegate; }

private:
    SimpleCall(const QUrl& url, SimpleCallDelegate* delegate, QObject* parent);
    void onFinished();
    void onAuthenticationRequired(QNetworkReply* challenged, QAuthenticator* authenticator);
    void release();

    SimpleCallDelegate* delegate = nullptr;
    QNetworkAccessManager* manager = nullptr;
    QPointer<QNetworkReply> reply;
    QByteArray body;
    int challenges = 0;
    bool ended = false;
};
