#include "MediaDownloadRoad.h"

#include "BoundedReply.h"
#include "CertificateTrustStore.h"
#include "ExchangeLimits.h"
#include "NetworkAccess.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

namespace {

// A picture comes at least at this pace, or the fetch gives up before its deadline.
constexpr int InactivityMs = 10000;

} // namespace

MediaDownloadRoad::MediaDownloadRoad() = default;

MediaDownloadRoad::~MediaDownloadRoad() = default;

void MediaDownloadRoad::fetch(const QUrl& url, int timeOutSeconds, qint64 maxBytes,
                              QObject* context, Fetched done)
{
    QPointer<QObject> guard(context);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        QMetaObject::invokeMethod(
            context ? context : QCoreApplication::instance(),
            [guard, done, url] {
                if (guard)
                    done({}, QStringLiteral("%1 is no web address.")
                                 .arg(url.toDisplayString(QUrl::RemovePassword)));
            },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request = NetworkAccess::request(url);
    request.setTransferTimeout(InactivityMs);
    QNetworkReply* reply = NetworkAccess::manager().get(request);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [reply](const QList<QSslError>& errors) {
                         CertificateTrustStore::sharedInstance().acceptIfTrusted(reply, errors);
                     });
    ExchangeLimits limits;
    limits.maximumAnswerBytes = maxBytes;
    limits.deadline = std::chrono::seconds(timeOutSeconds);
    // Deleted with the reply, which it deletes when done.
    auto* answer = new BoundedReply(reply, limits, reply);
    QObject::connect(answer, &BoundedReply::finished, answer, [answer, guard, done] {
        answer->deleteLater();
        if (!guard)
            return;
        if (const auto& failure = answer->failure()) {
            done({}, failure->message);
            return;
        }
        const int status = answer->status().value_or(0);
        if (status < 200 || status > 299) {
            done({}, QStringLiteral("The server answered with status %1.").arg(status));
            return;
        }
        done(answer->body(), {});
    });
}
