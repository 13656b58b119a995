#include "CertificateTrustStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

enum class Standing { TrustList, Fifo, LinkToDevZero, Folder, Huge, Damaged, NoObject, Empty };

bool place(Standing standing, const QString& path)
{
    const auto write = [&path](const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    switch (standing) {
    case Standing::TrustList:
        return write(R"({"host.test:443": ["ab12"]})");
    case Standing::Fifo:
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    case Standing::LinkToDevZero:
        return QFile::link(QStringLiteral("/dev/zero"), path);
    case Standing::Folder:
        return QDir().mkpath(path);
    case Standing::Huge: {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(qint64(1) << 30);
    }
    case Standing::Damaged:
        return write(R"({"host.test:443": ["ab12")");
    case Standing::NoObject:
        return write(R"(["ab12"])");
    case Standing::Empty:
        return write("");
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Standing)

class tst_CertificateTrustStore : public QObject {
    Q_OBJECT
private slots:
    void whatIsNoTrustListIsKeptAsideUnread_data();
    void whatIsNoTrustListIsKeptAsideUnread();
};

void tst_CertificateTrustStore::whatIsNoTrustListIsKeptAsideUnread_data()
{
    QTest::addColumn<Standing>("standing");
    QTest::addColumn<bool>("trusted");   // host.test:443 with "ab12"
    QTest::addColumn<bool>("keptAside"); // moved to a dated ".unreadable" name
    QTest::newRow("a trust list") << Standing::TrustList << true << false;
    QTest::newRow("an empty file") << Standing::Empty << false << false;
    QTest::newRow("FIFO") << Standing::Fifo << false << true;
    QTest::newRow("link to /dev/zero") << Standing::LinkToDevZero << false << true;
    QTest::newRow("folder") << Standing::Folder << false << true;
    QTest::newRow("a gigabyte") << Standing::Huge << false << true;
    QTest::newRow("damaged") << Standing::Damaged << false << true;
    QTest::newRow("a list, not hosts") << Standing::NoObject << false << true;
}

void tst_CertificateTrustStore::whatIsNoTrustListIsKeptAsideUnread()
{
    QFETCH(Standing, standing);
    QFETCH(bool, trusted);
    QFETCH(bool, keptAside);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trusted-certificates.json"));
    QVERIFY(place(standing, path));

    // Asked while a certificate question waits: answered at once, never by waiting for a
    // writer or reading without end.
    QElapsedTimer timer;
    timer.start();
    CertificateTrustStore store(path);
    QCOMPARE(store.isTrusted(QStringLiteral("host.test"), 443, "ab12"), trusted);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));

    const QStringList aside =
        QDir(dir.path())
            .entryList({QStringLiteral("*.unreadable")}, QDir::AllEntries | QDir::System);
    QCOMPARE(aside.size(), keptAside ? 1 : 0);
    if (!keptAside)
        return;
    QVERIFY(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink());
    // A new trust makes a fresh list, which reads back.
    QVERIFY(store.trust(QStringLiteral("other.test"), 8443, "cd34"));
    QVERIFY(CertificateTrustStore(path).isTrusted(QStringLiteral("other.test"), 8443, "cd34"));
}

QTEST_GUILESS_MAIN(tst_CertificateTrustStore)
#include "tst_certificatetruststore.moc"
