// Feeds arbitrary bytes to the trust store as "trusted-certificates.json".
// Reading must never crash; what the file trusts stays trusted after another
// certificate is trusted and the file written again; and a file that is no
// trust list is kept aside as it was, never written over.
#include "CertificateTrustStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

struct Trusted {
    QString host;
    int port;
    QByteArray sha256;
};

// What the file trusts, read as the store documents it: "host:port" keys
// of lower-case hosts, each with a list of fingerprints.
QList<Trusted> trustedIn(const QByteArray& bytes)
{
    QList<Trusted> found;
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const qsizetype colon = it.key().lastIndexOf(u':');
        bool ok = false;
        const int port = it.key().mid(colon + 1).toInt(&ok);
        const QString host = it.key().left(colon);
        if (colon < 0 || !ok || host != host.toLower() ||
            it.key() != host + u':' + QString::number(port))
            continue;
        for (const QJsonValue& print : it.value().toArray()) {
            const QString text = print.toString();
            if (text == QString::fromLatin1(text.toLatin1()))
                found.append({host, port, text.toLatin1().toLower()});
        }
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_trustedcertificates";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir scratch;
    check(scratch.isValid());

    QDir folder(scratch.path());
    for (const QString& old : folder.entryList(QDir::Files | QDir::Hidden))
        folder.remove(old);
    const QString path = folder.filePath(QStringLiteral("trusted-certificates.json"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly));
        check(file.write(bytes) == bytes.size());
    }

    const QList<Trusted> trusted = trustedIn(bytes);
    CertificateTrustStore store(path);
    for (const Trusted& entry : trusted)
        check(store.isTrusted(entry.host, entry.port, entry.sha256));
    const QByteArray added = QByteArray(64, 'a');
    check(store.trust(QStringLiteral("new.example"), 8443, added));

    const QStringList aside = folder.entryList({QStringLiteral("*.unreadable")}, QDir::Files);
    QJsonParseError parsed{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parsed);
    const bool usable = bytes.trimmed().isEmpty() ||
                        (parsed.error == QJsonParseError::NoError && document.isObject());
    check(aside.size() == (usable ? 0 : 1));
    if (!usable) {
        QFile kept(folder.filePath(aside.first()));
        check(kept.open(QIODevice::ReadOnly) && kept.readAll() == bytes);
    }

    CertificateTrustStore reread(path);
    check(reread.isTrusted(QStringLiteral("NEW.example"), 8443, added.toUpper()));
    for (const Trusted& entry : trusted)
        check(reread.isTrusted(entry.host, entry.port, entry.sha256));
    return 0;
}
