#include "NetworkAccess.h"

#include "HttpSettings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHash>
#include <QMessageAuthenticationCode>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QPointer>
#include <QRandomGenerator>
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

// What tells two passwords apart without keeping them: a digest keyed with
// random bytes of this process, so that it tells nothing outside it.
QByteArray passwordDigest(const QString& password)
{
    if (password.isEmpty())
        return {};
    static const QByteArray key = [] {
        QByteArray bytes(32, Qt::Uninitialized);
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                              bytes.size() / sizeof(quint32));
        return bytes;
    }();
    return QMessageAuthenticationCode::hash(password.toUtf8(), key, QCryptographicHash::Sha256);
}

// One thread's managers, by user name and password digest; they go with it.
class ThreadManagers final : public QObject {
public:
    using QObject::QObject;
    QNetworkAccessManager& forLogin(const QString& user, const QString& password)
    {
        const QByteArray digest = passwordDigest(password);
        dropIdleOthers(user, digest);
        QNetworkAccessManager*& manager = m_byLogin[{user, digest}];
        if (!manager) {
            manager = new QNetworkAccessManager(this);
            manager->setCookieJar(new CookieFreeJar(manager));
            manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        }
        return *manager;
    }

private:
    // The managers of `user` for other passwords that no reply uses any more:
    // an old password stays no longer in Qt's credential cache than the manager.
    void dropIdleOthers(const QString& user, const QByteArray& digest)
    {
        for (auto it = m_byLogin.begin(); it != m_byLogin.end();) {
            QNetworkAccessManager* other = it.value();
            if (it.key().first == user && it.key().second != digest &&
                other->findChildren<QNetworkReply*>(Qt::FindDirectChildrenOnly).isEmpty()) {
                it = m_byLogin.erase(it);
                other->deleteLater();
            } else {
                ++it;
            }
        }
    }

    QHash<QPair<QString, QByteArray>, QNetworkAccessManager*> m_byLogin;
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

QNetworkAccessManager& manager(const QString& user, const QString& password)
{
    return threadManagers().forLogin(user, password);
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
