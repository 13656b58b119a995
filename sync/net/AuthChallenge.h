#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <optional>

// The login a server asks for in its 401 answer: the scheme ("Basic",
// "Digest", ...) and the realm, read from the WWW-Authenticate headers.
struct AuthChallenge {
    QString scheme;
    QString realm;

    // The challenge the network library answers when the server offers
    // several: Negotiate, then Digest with MD5, then NTLM, then Basic. A
    // challenge in no scheme it knows gives the first one offered; none at
    // all gives nothing.
    static std::optional<AuthChallenge>
    fromHeaders(const QList<QPair<QByteArray, QByteArray>>& headers);
    static std::optional<AuthChallenge> fromHeaderValue(const QByteArray& value);

    // The network library tells the realm of a challenge but not its scheme,
    // and the answer's headers come only after the challenge is answered: the
    // scheme last seen for an origin and realm is remembered for the rest of
    // the session.
    static void remember(const QUrl& origin, const AuthChallenge& challenge);
    static std::optional<QString> rememberedScheme(const QUrl& origin, const QString& realm);
    static void forgetAll();
};
