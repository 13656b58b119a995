#include "NetworkAccess.h"

#include "HttpSettings.h"

#include <QCoreApplication>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QPointer>
#include <QThread>
#include <QThreadStorage>
#include <QTimer>

namespace {

// Keeps no cookie, so no call sees the cookies another call was given.
class CookieFreeJar final : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

// One thread's managers, by login; they go with it.
class ThreadManagers final : public QObject {
public:
    using QObject::QObject;
    QNetworkAccessManager& forLogin(const QString& login)
    {
        QNetworkAccessManager*& manager = m_byLogin[login];
        if (!manager) {
            manager = new QNetworkAccessManager(this);
            manager->setCookieJar(new CookieFreeJar(manager));
            manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        }
        return *manager;
    }

private:
    QHash<QString, QNetworkAccessManager*> m_byLogin;
};

ThreadManagers& threadManagers()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread()) {
        // Deleted with the application, before Qt's network back ends go.
        static QPointer<ThreadManagers> mainThread;
        if (!mainThread)
            mainThread = new ThreadManagers(application);
        return *mainThread;
    }
    static QThreadStorage<ThreadManagers*> otherThreads;
    if (!otherThreads.hasLocalData())
        otherThreads.setLocalData(new ThreadManagers);
    return *otherThreads.localData();
}

} // namespace

namespace NetworkAccess {

QNetworkAccessManager& manager(const QString& login)
{
    return threadManagers().forLogin(login);
}

void discard(QNetworkReply* reply, QObject* listener)
{
    if (!reply)
        return;
    reply->disconnect(listener);
    if (reply->isFinished()) {
        reply->deleteLater();
        return;
    }
    // Aborting from inside the reply's own signal upsets it; do it next turn.
    QTimer::singleShot(0, reply, [reply] {
        reply->abort();
        reply->deleteLater();
    });
}

QNetworkRequest request(const QUrl& url)
{
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", HttpSettings::userAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setMaximumRedirectsAllowed(maximumRedirects);
    return request;
}

} // namespace NetworkAccess
