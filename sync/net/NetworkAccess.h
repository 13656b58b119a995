#pragma once

#include <QNetworkRequest>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;
class QUrl;

// The network managers the call paths of a thread share: RESTCall, SimpleCall
// and the page fetches of URLUtilities. One manager per login: the calls that
// log in with one user name and password share a manager, and so its
// connections, TLS sessions and cached HTTP credentials; calls without a login
// share one too.
//
// Why per login and not one for all: a manager caches the credentials that
// answered a server's challenge and sends them again, unasked, with the next
// request to that server. With one manager for all, an account with no (or
// another) login on a server would be let in with the login another account
// typed. Qt offers no way to keep one manager's cache apart per request that
// still answers challenges, so logins get managers of their own. The password
// is part of the login: two accounts with one user name and different
// passwords must not share, or the one with a stale password would get in with
// the other's and never learn that its own is wrong. Managers are found by the
// user name and a keyed digest of the password (the key made at random for
// the process), never by the password itself; a login's idle managers for
// other passwords are dropped, and Qt's cached credentials with them.
//
// Cookies are not shared at all: the managers' jars keep none, and a RESTCall
// carries the cookies of its own redirects itself.
//
// The redirect policy: never leave https for http, at most `maximumRedirects`
// hops. The page fetches and SimpleCall let the manager follow redirects under
// it; RESTCall follows them by hand (RedirectPolicy) under the same rule,
// because it asks the user before leaving https and turns a POST into a GET.
namespace NetworkAccess {

constexpr int maximumRedirects = 20;

// The calling thread's manager for the login `user` with `password` (both
// empty for calls that log in as no one), made on first use and deleted with
// the application (or the thread). Qt's managers are not thread-safe, hence
// one set per thread.
QNetworkAccessManager& manager(const QString& user = QString(),
                               const QString& password = QString());

// Lets go of a reply: `listener` hears nothing more from it, an unfinished one
// is stopped, and it is deleted. Safe inside the reply's own signals.
void discard(QNetworkReply* reply, QObject* listener);

// A request with what every exchange of ours carries: plumet's User-Agent, a
// fresh answer rather than a cached one, and the redirect limit.
QNetworkRequest request(const QUrl& url);

} // namespace NetworkAccess
