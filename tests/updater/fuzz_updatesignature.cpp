// Feeds the update check what a hostile feed and download could bring: a
// version, a digest, a signature and the archive's bytes, checked against a
// key made here. The first byte chooses whether the digest is the archive's
// own and whether the signature is the key's true one over version and
// digest, so the search reaches the passing road too. An update passes only
// when the digest is the archive's and the signature the very one the key
// makes: Ed25519 signatures are unique, so nothing else may pass.
#include "UpdateSignature.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <openssl/evp.h>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// A fixed Ed25519 key, its raw public half and a signer.
class Key {
public:
    explicit Key(unsigned char fill)
    {
        unsigned char seed[32];
        for (unsigned char& byte : seed)
            byte = fill++;
        m_key = EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, seed, sizeof seed);
        check(m_key != nullptr);
        unsigned char raw[32];
        size_t length = sizeof raw;
        check(EVP_PKEY_get_raw_public_key(m_key, raw, &length) == 1 && length == 32);
        m_public = QByteArray(reinterpret_cast<const char*>(raw), 32);
    }
    ~Key() { EVP_PKEY_free(m_key); }

    QByteArray publicKey() const { return m_public; }

    QByteArray sign(const QByteArray& message) const
    {
        const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                              &EVP_MD_CTX_free);
        unsigned char signature[64];
        size_t length = sizeof signature;
        check(EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, m_key) == 1);
        check(EVP_DigestSign(context.get(), signature, &length,
                             reinterpret_cast<const unsigned char*>(message.constData()),
                             size_t(message.size())) == 1);
        return QByteArray(reinterpret_cast<const char*>(signature), qsizetype(length));
    }

private:
    EVP_PKEY* m_key = nullptr;
    QByteArray m_public;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Key key(1);
    static const Key otherKey(101);
    static QTemporaryDir scratch;
    check(scratch.isValid());
    if (size < 1)
        return 0;
    const uint8_t choices = data[0];
    // version \x01 digest \x01 signature \x01 archive
    const QList<QByteArray> fields =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('\x01');
    const QString version = QString::fromUtf8(fields.value(0));
    const QByteArray archive = fields.mid(3).join('\x01');
    const QByteArray archiveDigest = QCryptographicHash::hash(archive, QCryptographicHash::Sha256);

    QByteArray digestHex = fields.value(1);
    if (choices & 1)
        digestHex = (choices & 2) ? archiveDigest.toHex().toUpper() : archiveDigest.toHex();
    const QByteArray truth = key.sign(UpdateSignature::signedMessage(version, digestHex));
    QByteArray signatureBase64 = fields.value(2);
    if (choices & 4)
        signatureBase64 = truth.toBase64();
    else if (choices & 8)
        signatureBase64 =
            otherKey.sign(UpdateSignature::signedMessage(version, digestHex)).toBase64();
    const QByteArray publicKey = (choices & 16) ? otherKey.publicKey() : key.publicKey();

    const QString path = scratch.filePath(QStringLiteral("update.archive"));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(file.write(archive) == archive.size());
    }
    const UpdateSignature::Result result =
        UpdateSignature::verifyArchive(path, digestHex, signatureBase64, version, publicKey);
    check(result.verified == result.problem.isEmpty());

    const auto decoded =
        QByteArray::fromBase64Encoding(signatureBase64, QByteArray::AbortOnBase64DecodingErrors);
    const bool digestMatches = digestHex.toLower() == archiveDigest.toHex();
    const QByteArray keysTruth =
        (choices & 16) ? otherKey.sign(UpdateSignature::signedMessage(version, digestHex)) : truth;
    const bool genuine = decoded && decoded.decoded == keysTruth;
    check(result.verified == (digestMatches && genuine));

    // The signature check alone, on the raw bytes as they came.
    const QByteArray message = UpdateSignature::signedMessage(version, digestHex);
    const QByteArray raw = fields.value(2);
    check(UpdateSignature::verifySignature(message, raw, key.publicKey()) == (raw == truth));
    check(!UpdateSignature::verifySignature(message, truth, fields.value(2)) ||
          fields.value(2) == key.publicKey());
    return 0;
}
