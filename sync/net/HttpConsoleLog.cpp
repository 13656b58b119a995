#include "HttpConsoleLog.h"

#include "ConsoleMasking.h"
#include "TextDecoding.h"

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

// At most bodyHeadBytes characters of `text`, and when anything was left out
// (here or before) a line saying how large the whole body is.
QString cut(const QString& text, bool shortened, qint64 totalBytes)
{
    if (!shortened && text.size() <= bodyHeadBytes)
        return text;
    return text.left(bodyHeadBytes) +
           QStringLiteral("\n(%1 bytes in all; the rest is not shown)").arg(totalBytes);
}

// The first `bytes` of `body`, not ending inside a UTF-8 sequence.
QByteArray headOf(const QByteArray& body, qsizetype bytes)
{
    qsizetype end = std::min(bytes, body.size());
    for (int back = 0; back < 3 && end > 0 && end < body.size() &&
                       (static_cast<unsigned char>(body[end]) & 0xC0) == 0x80;
         ++back)
        --end;
    return body.left(end);
}

} // namespace

QString request(const QUrl& address, const QByteArray& body, const QByteArray& contentType,
                const QString& password)
{
    QString text = QStringLiteral("Request with URL:\n") + maskedAddress(address);
    if (!body.isEmpty()) {
        const QByteArray type = contentType.toLower();
        const bool textual = type.startsWith("text/") || type.contains("xml") ||
                             type.contains("json") || type.contains("x-www-form-urlencoded");
        // Masked before it is cut, with room for the password's longest
        // escaped form, so that no part of it is left at the cut.
        const QByteArray head = headOf(body, bodyHeadBytes + 8 * password.toUtf8().size() + 16);
        const QString decoded = textual ? URLUtilities::textFromData(head) : QString();
        const QString shown = decoded.isNull() ? QStringLiteral("(%1 bytes of %2)")
                                                     .arg(body.size())
                                                     .arg(QString::fromLatin1(contentType))
                                               : cut(maskedRequestText(decoded, password),
                                                     head.size() < body.size(), body.size());
        text += QStringLiteral("\nand data:\n") + shown;
    }
    return text + QStringLiteral("\n\n");
}

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

QString boundedCopy(const QString& copy)
{
    if (copy.size() <= bodyHeadBytes)
        return copy;
    return copy.left(bodyHeadBytes) +
           QStringLiteral("\n(%1 characters in all; the rest is not shown)\n\n").arg(copy.size());
}

QString bodyText(const QByteArray& body)
{
    if (body.size() <= bodyHeadBytes)
        return URLUtilities::textFromData(body);
    const QString text = URLUtilities::textFromData(headOf(body, bodyHeadBytes));
    return text.isNull() ? text : cut(text, true, body.size());
}

QString bodyText(const QByteArray& head, qint64 totalBytes)
{
    if (totalBytes <= head.size())
        return bodyText(head);
    const QString text = URLUtilities::textFromData(headOf(head, bodyHeadBytes));
    return text.isNull() ? text : cut(text, true, totalBytes);
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
