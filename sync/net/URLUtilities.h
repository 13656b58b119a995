#pragma once

#include "TextDecoding.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QObject;

// Small page fetches on the shared network manager; the text decoding they use
// is in TextDecoding.h.
namespace URLUtilities {

// The asynchronous page fetches: one request with a 10-second inactivity
// limit and plumet's user agent, within the size and time limits of a page
// (ExchangeLimits::page), written to the network console as every exchange
// is. An answer that does not arrive whole (cut short, reset, undecodable,
// too large, too late) is a failure, never a page.
// Callbacks run on the event loop, and never once `context` is gone.
using StatusCallback = std::function<void(int status)>;
using DataCallback = std::function<void(const QByteArray& body, std::optional<int> status)>;
using TextCallback = std::function<void(const QString& text, std::optional<int> status)>;

// HEAD: the HTTP status, or 404 when nothing answered or the answer came from
// another address (a redirect).
void statusFromURL(const QUrl& url, QObject* context, StatusCallback done);
void statusFromURLString(const QString& address, QObject* context, StatusCallback done);
// GET: the body and the status of a complete answer; on failure an empty body
// and no status.
void dataFromURL(const QUrl& url, QObject* context, DataCallback done);
void dataFromURLString(const QString& address, QObject* context, DataCallback done);
// GET, decoded with textFromData (empty text on failure).
void textFromURL(const QUrl& url, QObject* context, TextCallback done);
void textFromURLString(const QString& address, QObject* context, TextCallback done);

// A page with what its answer says of it: the text as textFromURL gives it,
// the status and the Content-Type header (empty on failure).
struct Page {
    QString text;
    std::optional<int> status;
    QByteArray contentType;
};
using PageCallback = std::function<void(const Page& page)>;
void pageFromURL(const QUrl& url, QObject* context, PageCallback done);

// A login for the pages of a server that wants one for them as for its API (an
// Atom server whose blog address lies behind the login of its service
// document). `headersFor` makes the login's headers for one address; they go
// to addresses of `origin`'s own origin (scheme, host and port) alone, and are
// made anew for every request, each redirect hop included, since a token such
// as WSSE's is good for one request only. A redirect to another origin is
// followed without them.
struct PageLogin {
    QUrl origin;
    std::function<QList<QPair<QByteArray, QByteArray>>(const QUrl& address)> headersFor;
};
// The page fetch with a login. Redirects are then followed here, not by the
// network library, which would carry the headers along wherever it went; the
// rule is the same: never from https to http, at most NetworkAccess's limit.
void pageFromURL(const QUrl& url, QObject* context, PageCallback done, const PageLogin& login);

} // namespace URLUtilities
