#include "Reachability.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QThread>

namespace cutils {

namespace {

bool isLoopbackHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive))
        return true;
    QString address = host;
    if (address.startsWith(u'[') && address.endsWith(u']'))
        address = address.mid(1, address.size() - 2);
    return QHostAddress(address).isLoopback();
}

// The system's network state, or nullopt when no backend can tell it. The backend is a
// QObject fed by the event loop, so it is only ever loaded on the application's thread;
// other threads use it once it is there.
std::optional<QNetworkInformation::Reachability> systemReachability()
{
    QNetworkInformation* info = QNetworkInformation::instance();
    if (!info) {
        const QCoreApplication* app = QCoreApplication::instance();
        static bool triedLoading = false; // touched on the application's thread only
        if (app && QThread::currentThread() == app->thread() && !triedLoading) {
            triedLoading = true;
            QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
            info = QNetworkInformation::instance();
        }
    }
    if (!info || !info->supports(QNetworkInformation::Feature::Reachability))
        return std::nullopt;
    return info->reachability();
}

} // namespace

bool isHostReachable(const QString& host,
                     std::optional<QNetworkInformation::Reachability> systemState)
{
    if (host.isEmpty())
        return false;
    if (isLoopbackHost(host))
        return true;
    // A server on the local network is reachable without the internet, so only a system
    // that knows it is disconnected says no.
    return !systemState || *systemState != QNetworkInformation::Reachability::Disconnected;
}

bool isURLOnline(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    return isHostReachable(url.host(), systemReachability());
}

bool isOnline(const QString& urlText)
{
    // Tolerant parsing escapes what a URL may not hold (spaces, non-ASCII) as UTF-8 and
    // keeps "%" escapes and the "#" fragment as they are.
    return isURLOnline(QUrl(urlText, QUrl::TolerantMode));
}

} // namespace cutils
