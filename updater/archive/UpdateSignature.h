#pragma once

#include <QByteArray>
#include <QString>

// An update proves itself twice before anything is unpacked: the archive's
// SHA-256 must be the one the feed names, and the feed's Ed25519 signature
// must cover that digest together with the version, made with the key whose
// public half is built into the updater. So neither a changed archive nor an
// older signed one offered under a newer version passes.
namespace UpdateSignature {

// The bytes the publisher signs:
// "plumet-update\n" + version + "\n" + lower-case hexadecimal SHA-256 + "\n".
QByteArray signedMessage(const QString& version, const QByteArray& sha256Hex);

// Whether `signature` (64 raw bytes) is a valid Ed25519 signature of `message`
// under `publicKey` (32 raw bytes).
bool verifySignature(const QByteArray& message, const QByteArray& signature,
                     const QByteArray& publicKey);

struct Result {
    bool verified = false;
    QString problem; // a sentence when not verified
};

// Reads the archive once for its digest, then checks digest and signature.
// Safe on a worker thread.
Result verifyArchive(const QString& archivePath, const QByteArray& sha256Hex,
                     const QByteArray& signatureBase64, const QString& version,
                     const QByteArray& publicKey);

} // namespace UpdateSignature
