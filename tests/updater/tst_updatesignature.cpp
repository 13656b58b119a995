#include "UpdateSignature.h"
#include "UpdateTestKit.h"

#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

class tst_UpdateSignature : public QObject {
    Q_OBJECT
private slots:
    void verifiesOnlyTheSignedArchive_data();
    void verifiesOnlyTheSignedArchive();
};

void tst_UpdateSignature::verifiesOnlyTheSignedArchive_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("verified");
    QTest::newRow("as published") << QString() << true;
    QTest::newRow("digest in upper case") << QStringLiteral("upper") << true;
    QTest::newRow("archive changed") << QStringLiteral("archive") << false;
    QTest::newRow("feed names another digest") << QStringLiteral("digest") << false;
    QTest::newRow("older release offered as newer") << QStringLiteral("version") << false;
    QTest::newRow("signed by another key") << QStringLiteral("key") << false;
    QTest::newRow("signature not Base64") << QStringLiteral("garbled") << false;
    QTest::newRow("signature missing") << QStringLiteral("nosignature") << false;
    QTest::newRow("no key built in") << QStringLiteral("nokey") << false;
}

void tst_UpdateSignature::verifiesOnlyTheSignedArchive()
{
    QFETCH(QString, change);
    QFETCH(bool, verified);

    const SigningKey key;
    const SigningKey otherKey;
    const QByteArray archive = makeArchive(installEntries("new"));
    QByteArray digest = sha256Hex(archive);
    const SigningKey& signer = change == QLatin1String("key") ? otherKey : key;
    const QString signedVersion = change == QLatin1String("version") ? "3.0" : "3.1";
    QByteArray signature =
        signer.sign(UpdateSignature::signedMessage(signedVersion, digest)).toBase64();

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("update.tar.gz"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(change == QLatin1String("archive") ? archive + '\0' : archive);
    file.close();

    if (change == QLatin1String("upper"))
        digest = digest.toUpper();
    if (change == QLatin1String("digest"))
        digest = sha256Hex("something else");
    if (change == QLatin1String("garbled"))
        signature = "!!" + signature.mid(2);
    if (change == QLatin1String("nosignature"))
        signature.clear();
    const QByteArray publicKey = change == QLatin1String("nokey") ? QByteArray() : key.publicKey();

    const UpdateSignature::Result result =
        UpdateSignature::verifyArchive(path, digest, signature, QStringLiteral("3.1"), publicKey);
    QCOMPARE(result.verified, verified);
    QCOMPARE(result.problem.isEmpty(), verified);
}

QTEST_GUILESS_MAIN(tst_UpdateSignature)
#include "tst_updatesignature.moc"
