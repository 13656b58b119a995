#include "AuthChallenge.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct Offer {
    QByteArray scheme;
    QList<QPair<QByteArray, QByteArray>> parameters;
    QByteArray parameter(const QByteArray& name) const
    {
        for (const auto& [key, value] : parameters)
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }
};

bool isTokenCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

// Pieces of a header value separated by commas outside quotes.
QList<QByteArray> commaSeparated(const QByteArray& value)
{
    QList<QByteArray> pieces;
    QByteArray current;
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (quoted && c == '\\' && i + 1 < value.size()) {
            current += value[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            pieces.append(current.trimmed());
            current.clear();
            continue;
        }
        current += c;
    }
    pieces.append(current.trimmed());
    return pieces;
}

QPair<QByteArray, QByteArray> parameterOf(const QByteArray& text)
{
    const qsizetype equals = text.indexOf('=');
    QByteArray value = text.mid(equals + 1).trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.mid(1, value.size() - 2);
    return {text.left(equals).trimmed(), value};
}

// "Basic realm=\"a\", Digest realm=\"b\", nonce=\"n\"" is two offers: a piece
// that starts with a token followed by a space (not by "=") opens a new one.
QList<Offer> offersIn(const QByteArray& value)
{
    QList<Offer> offers;
    for (const QByteArray& piece : commaSeparated(value)) {
        if (piece.isEmpty())
            continue;
        qsizetype end = 0;
        while (end < piece.size() && isTokenCharacter(piece[end]))
            ++end;
        const bool opensOffer = end > 0 && (end == piece.size() || piece[end] == ' ');
        if (opensOffer) {
            Offer offer;
            offer.scheme = piece.left(end);
            const QByteArray rest = piece.mid(end).trimmed();
            if (rest.contains('='))
                offer.parameters.append(parameterOf(rest));
            offers.append(offer);
        } else if (!offers.isEmpty() && piece.contains('=')) {
            offers.last().parameters.append(parameterOf(piece));
        }
    }
    return offers;
}

int strength(const Offer& offer)
{
    const QByteArray scheme = offer.scheme.toLower();
    if (scheme == "negotiate")
        return 4;
    if (scheme == "digest") {
        const QByteArray algorithm = offer.parameter("algorithm").toLower();
        return algorithm.isEmpty() || algorithm == "md5" ? 3 : 0;
    }
    if (scheme == "ntlm")
        return 2;
    if (scheme == "basic")
        return 1;
    return 0;
}

QMutex memoryLock;
QHash<QString, QString>& memory()
{
    static QHash<QString, QString> schemes;
    return schemes;
}

QString memoryKey(const QUrl& origin, const QString& realm)
{
    return origin
               .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery |
                         QUrl::RemoveFragment)
               .toString() +
           QLatin1Char('\n') + realm;
}

} // namespace

std::optional<AuthChallenge>
AuthChallenge::fromHeaders(const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QByteArray joined;
    for (const auto& [name, value] : headers) {
        if (name.compare("WWW-Authenticate", Qt::CaseInsensitive) != 0)
            continue;
        // Qt joins repeated headers with a comma or a line break.
        joined += (joined.isEmpty() ? QByteArray() : QByteArray(", ")) + value;
    }
    joined.replace('\n', ", ");
    return fromHeaderValue(joined);
}

std::optional<AuthChallenge> AuthChallenge::fromHeaderValue(const QByteArray& value)
{
    const QList<Offer> offers = offersIn(value);
    if (offers.isEmpty())
        return std::nullopt;
    const Offer* chosen = &offers.first();
    for (const Offer& offer : offers)
        if (strength(offer) > strength(*chosen))
            chosen = &offer;
    return AuthChallenge{QString::fromLatin1(chosen->scheme),
                         QString::fromLatin1(chosen->parameter("realm"))};
}

void AuthChallenge::remember(const QUrl& origin, const AuthChallenge& challenge)
{
    QMutexLocker lock(&memoryLock);
    memory().insert(memoryKey(origin, challenge.realm), challenge.scheme);
}

std::optional<QString> AuthChallenge::rememberedScheme(const QUrl& origin, const QString& realm)
{
    QMutexLocker lock(&memoryLock);
    const auto found = memory().constFind(memoryKey(origin, realm));
    return found == memory().constEnd() ? std::nullopt : std::optional<QString>(*found);
}

void AuthChallenge::forgetAll()
{
    QMutexLocker lock(&memoryLock);
    memory().clear();
}
