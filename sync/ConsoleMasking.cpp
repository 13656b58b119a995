#include "ConsoleMasking.h"

#include "XmlEscaping.h"

#include <QStringList>

QString maskPassword(const QString& text, const QString& password)
{
    if (password.isEmpty())
        return text;
    // Longest forms first: the raw password can be a part of an escaped form.
    QStringList forms{xmlEscaped(password, XmlQuotes::All), xmlEscaped(password), password};
    forms.removeDuplicates();
    forms.removeAll(QString()); // a password of characters XML cannot carry is not written at all
    const QString stars(password.size(), u'*');
    QString masked = text;
    for (const QString& form : std::as_const(forms))
        masked.replace(form, stars);
    return masked;
}

QString maskFirstBase64Value(const QString& text)
{
    static const QLatin1StringView open("<base64>");
    static const QLatin1StringView close("</base64>");
    const qsizetype start = text.indexOf(open);
    if (start < 0)
        return text;
    const qsizetype closeAt = text.indexOf(close, start + open.size());
    const qsizetype end = closeAt < 0 ? text.size() : closeAt + close.size();
    QString masked = text;
    masked.replace(start, end - start, QStringLiteral("REMOVED"));
    return masked;
}

QString maskedAddress(const QUrl& address)
{
    if (address.password().isEmpty())
        return address.toString();
    QUrl masked = address;
    masked.setPassword(QStringLiteral("******"));
    return masked.toString();
}

QString maskedRequestText(const QString& document, const QString& password)
{
    return maskFirstBase64Value(maskPassword(document, password));
}
