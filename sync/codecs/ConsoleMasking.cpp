#include "ConsoleMasking.h"

#include "XmlEscaping.h"

#include <QStringList>
#include <utility>

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

namespace {

// The first "<base64>" … "</base64>" of a text or of UTF-8 bytes, as a
// start and an end; start is -1 when there is none.
template <typename Text> std::pair<qsizetype, qsizetype> firstBase64Value(const Text& text)
{
    static const Text open = Text("<base64>");
    static const Text close = Text("</base64>");
    const qsizetype start = text.indexOf(open);
    if (start < 0)
        return {-1, -1};
    const qsizetype closeAt = text.indexOf(close, start + open.size());
    return {start, closeAt < 0 ? text.size() : closeAt + close.size()};
}

template <typename Text> Text withoutFirstBase64Value(const Text& text)
{
    const auto [start, end] = firstBase64Value(text);
    if (start < 0)
        return text;
    Text masked;
    masked.reserve(text.size() - (end - start) + 7);
    masked += text.first(start);
    masked += Text("REMOVED");
    masked += text.sliced(end);
    return masked;
}

} // namespace

QByteArray maskFirstBase64Value(const QByteArray& document)
{
    return withoutFirstBase64Value(document);
}

QString maskFirstBase64Value(const QString& text)
{
    return withoutFirstBase64Value(text);
}

QString maskedAddress(const QUrl& address)
{
    if (address.password().isEmpty())
        return address.toString();
    QUrl masked = address;
    masked.setPassword(QStringLiteral("******"));
    return masked.toString();
}

QString maskedRequestText(const QByteArray& document, const QString& password)
{
    return maskPassword(QString::fromUtf8(maskFirstBase64Value(document)), password);
}

QString maskedRequestText(const QString& document, const QString& password)
{
    return maskPassword(maskFirstBase64Value(document), password);
}
