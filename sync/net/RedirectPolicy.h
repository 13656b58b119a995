#pragma once

#include <QByteArray>
#include <QUrl>

// How one redirect is followed: 301, 302 and 303 turn a POST (303: anything
// but HEAD) into a body-less GET; 307 and 308 keep method and body. A secure
// request is not sent on to a plain http address unless the user agrees
// (InsecureDowngrade, with the rest of the decision filled in), and credentials
// stay behind when the redirect leaves the origin.
struct RedirectDecision {
    enum class Outcome {
        Follow,
        NotARedirect,
        MissingLocation,
        InsecureDowngrade,
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

// `location` is the raw Location header, resolved against `from`.
RedirectDecision decide(int status, const QByteArray& method, const QUrl& from,
                        const QByteArray& location);

// Same host, and the scheme and port are unchanged or only upgraded from http
// to https.
bool sameCredentialScope(const QUrl& from, const QUrl& to);

} // namespace RedirectPolicy
