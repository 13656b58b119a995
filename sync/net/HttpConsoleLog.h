#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

class QUrl;

// The texts the HTTP layer writes to the network console. Pure functions: the
// caller hands the result to ConsoleSink.
namespace HttpConsoleLog {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// The console shows at most this many bytes of a body: a big answer would
// cost its size several times over as text and freeze the console's colouring.
constexpr qsizetype bodyHeadBytes = 64 * 1024;

// `name` followed by spaces up to `width` characters (none when it is longer).
QString padded(const QString& name, int width);

// Credentials never reach the console: Authorization, Proxy-Authorization and
// X-WSSE values read "******".
QString maskedHeaderValue(const QByteArray& name, const QByteArray& value);

// The copy of a request the call writes when its sender gave none: "Request
// with URL:\n", the address (a password in it masked), and for a body "\nand
// data:\n" with the text of a textual body (`password` masked, the first
// Base64 value removed; a long one cut as bodyText cuts) or its size and type;
// then "\n\n".
QString request(const QUrl& address, const QByteArray& body, const QByteArray& contentType,
                const QString& password);
// The text of an answer body for the console (decoded as URLUtilities does),
// cut after its first bodyHeadBytes bytes with a line saying how large the
// whole body is; null when the bytes are no text.
QString bodyText(const QByteArray& body);
// The same for a body of `totalBytes` of which only the head was kept.
QString bodyText(const QByteArray& head, qint64 totalBytes);
// A request copy made by the sender, cut the same way when it is longer.
QString boundedCopy(const QString& copy);
QString response(int status, const HeaderList& headers);
QString redirect(int status, const QString& from, const QString& to);
QString failure(int code, const QString& description, const QString& failingAddress);
QString authorizationRequest(const QString& error, const HeaderList& failureHeaders,
                             const QString& method, const QString& host, const QString& protocol,
                             const QString& realm);

} // namespace HttpConsoleLog
