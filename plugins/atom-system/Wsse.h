#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

// WSSE UsernameToken authentication, as Atom servers of the time take it.
namespace Wsse {

// The "X-WSSE" and "Authorization" headers for one request made at `now`
// with the given nonce bytes:
//   Created        = now in UTC as "YYYY-MM-DDTHH:MM:SSZ"
//   Nonce          = Base64 of the nonce bytes
//   PasswordDigest = Base64(SHA-1(nonce bytes + Created + password's UTF-8))
QVariantMap headers(const QString& username, const QString& password, const QDateTime& now,
                    const QByteArray& nonce);

// 16 bytes from the system's secure random source. A nonce must never
// repeat: servers that check for replays refuse one they have seen.
QByteArray randomNonce();

} // namespace Wsse
