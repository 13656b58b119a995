#include "URLUtilities.h"

#include "BoundedReply.h"
#include "CertificateTrustStore.h"
#include "NetLog.h"
#include "NetworkAccess.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>

namespace URLUtilities {

namespace {

constexpr int fetchTimeoutMs = 10000;

// What a fetch ends with: the body and status of a complete answer (an HTTP
// error page is one), or nothing when no complete answer came.
struct Fetched {
    QByteArray body;
    std::optional<int> status;
    QUrl url;
    QByteArray contentType;
};

// One request on the shared manager, within the limits of a page; `done` runs
// on the event loop with what came back, or nothing when the address is
// unusable or the exchange failed (a broken, cut-short, oversized or late
// answer).
void fetch(const QUrl& url, const QByteArray& verb, QObject* context,
           std::function<void(const std::optional<Fetched>&)> done)
{
    QPointer<QObject> guard(context);
    const bool hadContext = context != nullptr;
    if (!url.isValid() || url.isEmpty()) {
        QMetaObject::invokeMethod(
            context ? context : QCoreApplication::instance(),
            [guard, hadContext, done] {
                if (!hadContext || guard)
                    done(std::nullopt);
            },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request = NetworkAccess::request(url);
    request.setTransferTimeout(fetchTimeoutMs);
    QNetworkReply* reply = NetworkAccess::manager().sendCustomRequest(request, verb);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [reply](const QList<QSslError>& errors) {
                         CertificateTrustStore::sharedInstance().acceptIfTrusted(reply, errors);
                     });
    // Deleted with the reply, which it deletes when done.
    auto* answer = new BoundedReply(reply, ExchangeLimits::page(), reply);
    QObject::connect(
        answer, &BoundedReply::finished, answer, [answer, url, guard, hadContext, done] {
            std::optional<Fetched> fetched;
            if (const auto& failure = answer->failure())
                qCWarning(lcNet).noquote() << "Fetching" << url.toString(QUrl::RemovePassword)
                                           << "failed:" << failure->message;
            else
                fetched =
                    Fetched{answer->body(), answer->status(), answer->url(), answer->contentType()};
            if (!hadContext || guard)
                done(fetched);
            answer->deleteLater();
        });
}

} // namespace

void statusFromURL(const QUrl& url, QObject* context, StatusCallback done)
{
    fetch(url, "HEAD", context, [url, done](const std::optional<Fetched>& fetched) {
        if (!fetched || !fetched->status || fetched->url.toString() != url.toString())
            done(404);
        else
            done(*fetched->status);
    });
}

void statusFromURLString(const QString& address, QObject* context, StatusCallback done)
{
    statusFromURL(urlFromAddress(address), context, std::move(done));
}

void dataFromURL(const QUrl& url, QObject* context, DataCallback done)
{
    fetch(url, "GET", context, [done](const std::optional<Fetched>& fetched) {
        if (fetched && fetched->status)
            done(fetched->body, fetched->status);
        else
            done(QByteArray(), std::nullopt);
    });
}

void dataFromURLString(const QString& address, QObject* context, DataCallback done)
{
    dataFromURL(urlFromAddress(address), context, std::move(done));
}

void textFromURL(const QUrl& url, QObject* context, TextCallback done)
{
    dataFromURL(url, context, [done](const QByteArray& body, std::optional<int> status) {
        const QString text = textFromData(body);
        done(text.isNull() ? QString(QLatin1String("")) : text, status);
    });
}

void textFromURLString(const QString& address, QObject* context, TextCallback done)
{
    textFromURL(urlFromAddress(address), context, std::move(done));
}

void pageFromURL(const QUrl& url, QObject* context, PageCallback done)
{
    fetch(url, "GET", context, [done](const std::optional<Fetched>& fetched) {
        Page page;
        if (fetched && fetched->status) {
            const QString text = textFromData(fetched->body);
            page.text = text.isNull() ? QString(QLatin1String("")) : text;
            page.status = fetched->status;
            page.contentType = fetched->contentType;
        } else {
            page.text = QLatin1String("");
        }
        done(page);
    });
}

} // namespace URLUtilities
