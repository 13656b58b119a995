#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// The texts the HTTP layer writes to the network console. Pure functions: the
// caller hands the result to ConsoleSink.
namespace HttpConsoleLog {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// `name` followed by spaces up to `width` characters (none when it is longer).
QString padded(const QString& name, int width);

// Credentials never reach the console: Authorization, Proxy-Authorization and
// X-WSSE values read "******".
QString maskedHeaderValue(const QByteArray& name, const QByteArray& value);

QString response(int status, const HeaderList& headers);
QString redirect(int status, const QString& from, const QString& to);
QString failure(int code, const QString& description, const QString& failingAddress);
QString authorizationRequest(const QString& error, const HeaderList& failureHeaders,
                             const QString& method, const QString& host, const QString& protocol,
                             const QString& realm);

} // namespace HttpConsoleLog
