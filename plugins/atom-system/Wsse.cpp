#include "Wsse.h"

#include <QRandomGenerator>
#include <openssl/rand.h>
#include <openssl/sha.h>

namespace {

// The bundle carries its own digest so it needs no other plumet library.
QByteArray sha1(const QByteArray& bytes)
{
    QByteArray digest(SHA_DIGEST_LENGTH, Qt::Uninitialized);
    SHA1(reinterpret_cast<const unsigned char*>(bytes.constData()),
         static_cast<size_t>(bytes.size()), reinterpret_cast<unsigned char*>(digest.data()));
    return digest;
}

} // namespace

namespace Wsse {

QVariantMap headers(const QString& username, const QString& password, const QDateTime& now,
                    const QByteArray& nonce)
{
    const QString created = now.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    const QString digest =
        QString::fromLatin1(sha1(nonce + created.toUtf8() + password.toUtf8()).toBase64());
    const QString token =
        QStringLiteral(
            R"(UsernameToken Username="%1", PasswordDigest="%2", Nonce="%3", Created="%4")")
            .arg(username, digest, QString::fromLatin1(nonce.toBase64()), created);
    return {
        {QStringLiteral("X-WSSE"), token},
        {QStringLiteral("Authorization"), QStringLiteral(R"(WSSE profile="UsernameToken")")},
    };
}

QByteArray randomNonce()
{
    QByteArray nonce(16, Qt::Uninitialized);
    if (RAND_bytes(reinterpret_cast<unsigned char*>(nonce.data()), nonce.size()) != 1)
        QRandomGenerator::system()->generate(nonce.begin(), nonce.end());
    return nonce;
}

} // namespace Wsse
