#include "URLUtilities.h"

#include "BoundedReply.h"
#include "CertificateTrustStore.h"
#include "ConsoleSink.h"
#include "HttpConsoleLog.h"
#include "NetLog.h"
#include "NetworkAccess.h"
#include "RedirectPolicy.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <memory>

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

using Done = std::function<void(const std::optional<Fetched>&)>;

// One request on the shared manager, within the limits of a page; `done` runs
// on the event loop with what came back, or nothing when the address is
// unusable or the exchange failed (a broken, cut-short, oversized or late
// answer, or a redirect that is not followed). With a login, redirects are
// followed here, `hops` counting them, so that each request gets the login's
// headers for its own address or none.
void fetch(const QUrl& url, const QByteArray& verb, QObject* context, Done done,
           std::shared_ptr<const PageLogin> login = {}, int hops = 0)
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
    if (login) {
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        if (login->headersFor && RedirectPolicy::sameOrigin(login->origin, url)) {
            const auto headers = login->headersFor(url);
            for (const auto& [name, value] : headers)
                request.setRawHeader(name, value);
        }
    }
    QNetworkReply* reply = NetworkAccess::manager().sendCustomRequest(request, verb);
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [reply](const QList<QSslError>& errors) {
                         CertificateTrustStore::sharedInstance().acceptIfTrusted(reply, errors);
                     });
    // Deleted with the reply, which it deletes when done.
    auto* answer = new BoundedReply(reply, ExchangeLimits::page(), reply);
    QObject::connect(
        answer, &BoundedReply::finished, answer,
        [answer, url, verb, guard, hadContext, done, login, hops] {
            answer->deleteLater();
            if (hadContext && !guard)
                return;
            std::optional<Fetched> fetched;
            if (const auto& failure = answer->failure()) {
                qCWarning(lcNet).noquote() << "Fetching" << url.toString(QUrl::RemovePassword)
                                           << "failed:" << failure->message;
            } else {
                fetched =
                    Fetched{answer->body(), answer->status(), answer->url(), answer->contentType()};
            }
            if (login && fetched && fetched->status) {
                using Outcome = RedirectDecision::Outcome;
                const RedirectDecision decision =
                    RedirectPolicy::decide(*fetched->status, verb, url, answer->location(), false);
                if (decision.outcome == Outcome::Follow && hops < NetworkAccess::maximumRedirects) {
                    ConsoleSink::sharedInstance().addToConsole(HttpConsoleLog::redirect(
                        *fetched->status, url.toString(QUrl::RemovePassword),
                        decision.target.toString(QUrl::RemovePassword)));
                    fetch(decision.target, decision.method, guard.data(), done, login, hops + 1);
                    return;
                }
                if (decision.outcome != Outcome::NotARedirect &&
                    decision.outcome != Outcome::MissingLocation) {
                    qCWarning(lcNet).noquote()
                        << "Fetching" << url.toString(QUrl::RemovePassword)
                        << "failed: its redirect to"
                        << decision.target.toString(QUrl::RemovePassword) << "was not followed";
                    fetched.reset();
                }
            }
            done(fetched);
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

namespace {

Done pageReader(PageCallback done)
{
    return [done = std::move(done)](const std::optional<Fetched>& fetched) {
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
    };
}

} // namespace

void pageFromURL(const QUrl& url, QObject* context, PageCallback done)
{
    fetch(url, "GET", context, pageReader(std::move(done)));
}

void pageFromURL(const QUrl& url, QObject* context, PageCallback done, const PageLogin& login)
{
    fetch(url, "GET", context, pageReader(std::move(done)), std::make_shared<PageLogin>(login));
}

} // namespace URLUtilities
