#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QObject;

// Page text of unknown character set, and small page fetches.
namespace URLUtilities {

// Decodes bytes: a byte-order mark decides first; then UTF-8, ISO 8859-1 and
// the other candidate sets in turn; then the charset named by an XML
// declaration, when it is known and decodes the bytes, wins. Null only for
// bytes no candidate accepts (ISO 8859-1 accepts all).
QString textFromData(const QByteArray& data);

// The same text as UTF-8 bytes, with everything up to the end of the XML
// declaration replaced by one that says "utf-8". Undecodable bytes come back as they are.
QByteArray correctEncoding(const QByteArray& data);

// Decodes strictly with a named (IANA) character set; nullopt when the name
// is unknown or the bytes are not valid in it.
std::optional<QString> decode(const QByteArray& data, const QByteArray& charset);

// The charset named in an XML declaration at the start of `text`, lower case; empty when none.
QByteArray declaredCharset(const QString& text);

// An address typed or stored as text, percent-escaped as UTF-8 with "#" and
// "%" left alone so that escapes already present survive.
QUrl urlFromAddress(const QString& address);

// The asynchronous page fetches: one request with a 10-second limit and
// plumet's user agent. Callbacks run on the event loop, and never once
// `context` is gone.
using StatusCallback = std::function<void(int status)>;
using DataCallback = std::function<void(const QByteArray& body, std::optional<int> status)>;
using TextCallback = std::function<void(const QString& text, std::optional<int> status)>;

// HEAD: the HTTP status, or 404 when nothing answered or the answer came from
// another address (a redirect).
void statusFromURL(const QUrl& url, QObject* context, StatusCallback done);
void statusFromURLString(const QString& address, QObject* context, StatusCallback done);
// GET: the body (empty on failure) and the status when a response arrived.
void dataFromURL(const QUrl& url, QObject* context, DataCallback done);
void dataFromURLString(const QString& address, QObject* context, DataCallback done);
// GET, decoded with textFromData (empty text on failure).
void textFromURL(const QUrl& url, QObject* context, TextCallback done);
void textFromURLString(const QString& address, QObject* context, TextCallback done);

} // namespace URLUtilities
