// Follows the redirects of one HTTP call: which are followed, where to, and with what of the
// request.
#include "RESTRedirectFollowing.h"

#include "HttpErrors.h"
#include "NetLog.h"
#include "NetworkAccess.h"
#include "RESTCallConsole.h"
#include "RedirectPolicy.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("RESTCall", text);
}

bool isBodyHeader(const QByteArray& name)
{
    const QByteArray lower = name.toLower();
    return lower == "content-type" || lower == "content-length";
}

RestError refusal(const RedirectDecision& decision, const QUrl& current)
{
    const QString from = current.toString(QUrl::RemoveUserInfo);
    const QString to = decision.target.toString(QUrl::RemoveUserInfo);
    if (decision.outcome == RedirectDecision::Outcome::InsecureDowngrade)
        return {HttpErrors::SecureConnectionFailed,
                tr("The secure address \"%1\" redirected to the insecure address \"%2\". "
                   "The redirect was not followed.")
                    .arg(from, to)};
    // The body may hold the login (XML-RPC sends it there): it stays with its origin.
    return {HttpErrors::UnsupportedURL,
            tr("The address \"%1\" sent the request on to \"%2\", another server. The "
               "request was not sent there, as it carries your login. If the blog has "
               "moved, change its access point to the new address.")
                .arg(from, to)};
}

} // namespace

RESTRedirectFollowing::Outcome RESTRedirectFollowing::next(int status, const QByteArray& location,
                                                           Request request)
{
    using Outcome = RedirectDecision::Outcome;
    const QString address = request.url.toString(QUrl::RemovePassword);
    const RedirectDecision decision = RedirectPolicy::decide(status, request.method, request.url,
                                                             location, !request.body.isEmpty());
    switch (decision.outcome) {
    case Outcome::NotARedirect:
    case Outcome::MissingLocation:
        return {}; // delivered as an ordinary answer
    case Outcome::InsecureDowngrade:
    case Outcome::OtherOriginWithBody: {
        const RestError error = refusal(decision, request.url);
        RESTCallConsole::failure(error, address);
        return {Step::Fail, error};
    }
    case Outcome::UnsupportedScheme:
        return {Step::Fail,
                HttpErrors::transportError(HttpErrors::UnsupportedURL, address, QString())};
    case Outcome::Follow:
        break;
    }
    if (++m_redirects > NetworkAccess::maximumRedirects) {
        const int code = HttpErrors::HTTPTooManyRedirects;
        RESTCallConsole::failure(code, tr("Too many redirects"), address);
        return {Step::Fail, HttpErrors::transportError(code, address, tr("Too many redirects"))};
    }

    qCInfo(lcNet, "redirection detected: %s",
           qPrintable(decision.target.toString(QUrl::RemovePassword)));
    RESTCallConsole::redirect(status, address, decision.target.toString());
    if (!decision.keepCredentials)
        request.headers.removeIf(
            [](const auto& h) { return RedirectPolicy::isCredentialHeader(h.first); });
    if (!decision.keepBody) {
        request.body.clear();
        request.headers.removeIf([](const auto& h) { return isBodyHeader(h.first); });
    }
    request.method = decision.method;
    request.url = decision.target;
    return {Step::Follow, std::nullopt};
}
