#pragma once

#include <QByteArray>
#include <QUrl>

// How one redirect is followed: 301, 302 and 303 turn a POST (303: anything
// but HEAD) into a body-less GET; 307 and 308 keep method and body. A secure
// request is never sent on to a plain http address (InsecureDowngrade), a
// body never leaves the origin it was meant for (OtherOriginWithBody: an
// XML-RPC body carries the login), and credential headers stay behind when
// the redirect leaves the origin. Those two refusals come with the rest of
// the decision filled in, so that the caller can name the new address.
struct RedirectDecision {
    enum class Outcome {
        Follow,
        NotARedirect,
        MissingLocation,
        InsecureDowngrade,
        OtherOriginWithBody,
        UnsupportedScheme
    };
    Outcome outcome = Outcome::NotARedirect;
    QUrl target;
    QByteArray method;
    bool keepBody = false;
    bool keepCredentials = false;
};

namespace RedirectPolicy {

bool isRedirectStatus(int status);

// A header that carries a login or a session: Authorization, X-WSSE, Cookie
// and Proxy-Authorization, in any case.
bool isCredentialHeader(const QByteArray& name);

// `location` is the raw Location header, resolved against `from`; `withBody`
// says whether the request carries a body.
RedirectDecision decide(int status, const QByteArray& method, const QUrl& from,
                        const QByteArray& location, bool withBody = true);

// Same scheme, host and port (a missing port counts as the scheme's own).
bool sameOrigin(const QUrl& from, const QUrl& to);

// Same host, and the scheme and port are unchanged or only upgraded from http
// to https.
bool sameCredentialScope(const QUrl& from, const QUrl& to);

} // namespace RedirectPolicy
