#include "HttpConsoleLog.h"

#include "ConsoleMasking.h"

#include <QUrl>

namespace HttpConsoleLog {

namespace {

QString headerLines(const HeaderList& headers, int width)
{
    QString text;
    for (const auto& [name, value] : headers)
        text += padded(QString::fromLatin1(name), width) + QStringLiteral(": ") +
                maskedHeaderValue(name, value) + QLatin1Char('\n');
    return text;
}

QString masked(const QString& address)
{
    return maskedAddress(QUrl(address));
}

} // namespace

QString padded(const QString& name, int width)
{
    return name.size() >= width ? name : name + QString(width - name.size(), QLatin1Char(' '));
}

QString maskedHeaderValue(const QByteArray& name, const QByteArray& value)
{
    const QByteArray lower = name.toLower();
    // A session cookie opens the blog as well as the password does.
    if (lower == "authorization" || lower == "proxy-authorization" || lower == "x-wsse" ||
        lower == "cookie" || lower == "set-cookie")
        return QStringLiteral("******");
    return QString::fromLatin1(value);
}

QString response(int status, const HeaderList& headers)
{
    return QStringLiteral("Response:\n") + padded(QStringLiteral("Status"), 18) +
           QStringLiteral(": %1\n").arg(status) + headerLines(headers, 18) + QLatin1Char('\n');
}

QString redirect(int status, const QString& from, const QString& to)
{
    return QStringLiteral("Redirected (%1):\n").arg(status) + padded(QStringLiteral("From"), 18) +
           QStringLiteral(": ") + masked(from) + QLatin1Char('\n') +
           padded(QStringLiteral("To"), 18) + QStringLiteral(": ") + masked(to) +
           QStringLiteral("\n\n");
}

QString failure(int code, const QString& description, const QString& failingAddress)
{
    QString text = QStringLiteral("Connection failed:\n") +
                   padded(QStringLiteral("Error code"), 18) + QStringLiteral(": %1\n").arg(code) +
                   padded(QStringLiteral("Error description"), 18) + QStringLiteral(": ") +
                   description + QLatin1Char('\n');
    if (!failingAddress.isEmpty())
        text += padded(QStringLiteral("Error domain"), 18) + QStringLiteral(": ") +
                masked(failingAddress) + QLatin1Char('\n');
    return text + QLatin1Char('\n');
}

QString authorizationRequest(const QString& error, const HeaderList& failureHeaders,
                             const QString& method, const QString& host, const QString& protocol,
                             const QString& realm)
{
    QString text = QStringLiteral("Received authorization request:\n");
    if (!error.isEmpty())
        text +=
            padded(QStringLiteral("Error"), 22) + QStringLiteral(": ") + error + QLatin1Char('\n');
    text += headerLines(failureHeaders, 22);
    if (!host.isEmpty()) {
        text += padded(QStringLiteral("Authentication Method"), 22) + QStringLiteral(": ") +
                method + QLatin1Char('\n');
        text +=
            padded(QStringLiteral("Host"), 22) + QStringLiteral(": ") + host + QLatin1Char('\n');
        if (!protocol.isEmpty())
            text += padded(QStringLiteral("Protocol"), 22) + QStringLiteral(": ") + protocol +
                    QLatin1Char('\n');
        text +=
            padded(QStringLiteral("Realm"), 22) + QStringLiteral(": ") + realm + QLatin1Char('\n');
    }
    return text + QLatin1Char('\n');
}

} // namespace HttpConsoleLog
