#include "UpdateSignature.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <cctype>
#include <memory>
#include <openssl/evp.h>

namespace UpdateSignature {

namespace {

constexpr qsizetype ed25519KeySize = 32;
constexpr qsizetype ed25519SignatureSize = 64;
constexpr qsizetype sha256HexSize = 64;

QString tr(const char* text)
{
    return QCoreApplication::translate("PUController", text);
}

bool isHex(const QByteArray& text)
{
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

} // namespace

QByteArray signedMessage(const QString& version, const QByteArray& sha256Hex)
{
    return "plumet-update\n" + version.toUtf8() + '\n' + sha256Hex.toLower() + '\n';
}

bool verifySignature(const QByteArray& message, const QByteArray& signature,
                     const QByteArray& publicKey)
{
    if (publicKey.size() != ed25519KeySize || signature.size() != ed25519SignatureSize)
        return false;
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(publicKey.constData()),
                                    size_t(publicKey.size())),
        &EVP_PKEY_free);
    if (!key)
        return false;
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          &EVP_MD_CTX_free);
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(),
                            reinterpret_cast<const unsigned char*>(signature.constData()),
                            size_t(signature.size()),
                            reinterpret_cast<const unsigned char*>(message.constData()),
                            size_t(message.size())) == 1;
}

Result verifyArchive(const QString& archivePath, const QByteArray& sha256Hex,
                     const QByteArray& signatureBase64, const QString& version,
                     const QByteArray& publicKey)
{
    if (publicKey.size() != ed25519KeySize)
        return {false, tr("This copy of the updater carries no key to check updates with.")};
    if (sha256Hex.size() != sha256HexSize || !isHex(sha256Hex))
        return {false, tr("The update names no valid checksum.")};
    const auto decoded =
        QByteArray::fromBase64Encoding(signatureBase64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != ed25519SignatureSize)
        return {false, tr("The update names no valid signature.")};

    QFile archive(archivePath);
    if (!archive.open(QIODevice::ReadOnly))
        return {false, tr("The downloaded file cannot be read: %1").arg(archive.errorString())};
    QCryptographicHash digest(QCryptographicHash::Sha256);
    if (!digest.addData(&archive))
        return {false, tr("The downloaded file cannot be read: %1").arg(archive.errorString())};
    if (digest.result().toHex() != sha256Hex.toLower())
        return {false, tr("The downloaded file does not match the update's checksum.")};
    if (!verifySignature(signedMessage(version, sha256Hex), decoded.decoded, publicKey))
        return {false, tr("The update's signature is not valid.")};
    return {true, {}};
}

} // namespace UpdateSignature
