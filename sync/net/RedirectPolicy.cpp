#include "RedirectPolicy.h"

namespace RedirectPolicy {

bool isCredentialHeader(const QByteArray& name)
{
    const QByteArray lower = name.toLower();
    return lower == "authorization" || lower == "x-wsse" || lower == "cookie" ||
           lower == "proxy-authorization";
}

bool isRedirectStatus(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool sameOrigin(const QUrl& from, const QUrl& to)
{
    const QString scheme = from.scheme().toLower();
    if (scheme != to.scheme().toLower() || from.host().compare(to.host(), Qt::CaseInsensitive) != 0)
        return false;
    const int defaultPort = scheme == QLatin1String("https") ? 443 : 80;
    return from.port(defaultPort) == to.port(defaultPort);
}

bool sameCredentialScope(const QUrl& from, const QUrl& to)
{
    if (from.host().compare(to.host(), Qt::CaseInsensitive) != 0)
        return false;
    const QString fromScheme = from.scheme().toLower();
    const QString toScheme = to.scheme().toLower();
    if (fromScheme == toScheme)
        return sameOrigin(from, to);
    // http://host/ -> https://host/ on the default ports is an upgrade of the same site.
    return fromScheme == QLatin1String("http") && toScheme == QLatin1String("https") &&
           from.port(80) == 80 && to.port(443) == 443;
}

RedirectDecision decide(int status, const QByteArray& method, const QUrl& from,
                        const QByteArray& location, bool withBody)
{
    RedirectDecision decision;
    if (!isRedirectStatus(status))
        return decision;
    const QString trimmed = QString::fromUtf8(location).trimmed();
    if (trimmed.isEmpty()) {
        decision.outcome = RedirectDecision::Outcome::MissingLocation;
        return decision;
    }
    decision.target = from.resolved(QUrl(trimmed, QUrl::TolerantMode));
    if (!decision.target.isValid()) {
        decision.outcome = RedirectDecision::Outcome::MissingLocation;
        return decision;
    }
    const QString scheme = decision.target.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        decision.outcome = RedirectDecision::Outcome::UnsupportedScheme;
        return decision;
    }
    const QByteArray upper = method.toUpper();
    if (status == 307 || status == 308) {
        decision.method = upper;
        decision.keepBody = true;
    } else if (status == 303) {
        decision.method = upper == "HEAD" ? upper : QByteArray("GET");
    } else {
        decision.method = upper == "POST" ? QByteArray("GET") : upper;
        decision.keepBody = decision.method == upper && upper != "GET" && upper != "HEAD";
    }
    decision.keepBody = decision.keepBody && withBody;
    decision.keepCredentials = sameCredentialScope(from, decision.target);
    const bool downgrade =
        from.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 &&
        scheme == QLatin1String("http");
    if (downgrade)
        decision.outcome = RedirectDecision::Outcome::InsecureDowngrade;
    else if (decision.keepBody && !sameOrigin(from, decision.target))
        decision.outcome = RedirectDecision::Outcome::OtherOriginWithBody;
    else
        decision.outcome = RedirectDecision::Outcome::Follow;
    return decision;
}

} // namespace RedirectPolicy
