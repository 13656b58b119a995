#include "FolderSwap.h"
#include "InstallChecks.h"
#include "UpdateTestKit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace plumet::test;

class tst_FolderSwap : public QObject {
    Q_OBJECT
private slots:
    void init();
    void replacesAndRemovesTheBackup();
    void refusesBeforeTouchingAnything_data();
    void refusesBeforeTouchingAnything();
    void rollsBackAFailedSwap_data();
    void rollsBackAFailedSwap();
    void packagePrefixes_data();
    void packagePrefixes();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_install;
    QString m_new;
    QString m_backup;
};

void tst_FolderSwap::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    const QString root = QFileInfo(m_folder->path()).canonicalFilePath();
    m_install = root + QStringLiteral("/plumet");
    m_new = root + QStringLiteral("/work/plumet");
    m_backup = root + QStringLiteral("/work/old");
    QVERIFY(makeInstallFolder(m_install, "old"));
    QVERIFY(makeInstallFolder(m_new, "new"));
}

void tst_FolderSwap::replacesAndRemovesTheBackup()
{
    const FolderSwap::Result result = FolderSwap().replace(m_new, m_install, m_backup);
    QVERIFY2(result.installed, qPrintable(result.error));
    QCOMPARE(installTag(m_install), QByteArray("new"));
    QVERIFY(!QFileInfo::exists(m_new));
    QVERIFY(!QFileInfo::exists(m_backup));
}

void tst_FolderSwap::refusesBeforeTouchingAnything_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("new folder without marker") << QStringLiteral("new-marker");
    QTest::newRow("new program not executable") << QStringLiteral("new-exec");
    QTest::newRow("link inside the new folder") << QStringLiteral("new-link");
    QTest::newRow("installation without marker") << QStringLiteral("install-marker");
    QTest::newRow("installation reached through a link") << QStringLiteral("install-link");
    QTest::newRow("backup already there") << QStringLiteral("backup");
}

void tst_FolderSwap::refusesBeforeTouchingAnything()
{
    QFETCH(QString, damage);
    QString install = m_install;
    if (damage == QLatin1String("new-marker"))
        QVERIFY(QFile::remove(m_new + "/plumet-self-contained"));
    if (damage == QLatin1String("new-exec"))
        QVERIFY(QFile::setPermissions(m_new + "/bin/plumet", QFileDevice::ReadOwner));
    if (damage == QLatin1String("new-link"))
        QVERIFY(QFile::link(QStringLiteral("/etc/passwd"), m_new + "/lib/plumet/passwd"));
    if (damage == QLatin1String("install-marker"))
        QVERIFY(QFile::remove(m_install + "/plumet-self-contained"));
    if (damage == QLatin1String("install-link")) {
        install = m_folder->filePath(QStringLiteral("linked"));
        QVERIFY(QFile::link(m_install, install));
    }
    if (damage == QLatin1String("backup"))
        QVERIFY(QDir().mkpath(m_backup + "/keep"));

    const FolderSwap::Result result = FolderSwap().replace(m_new, install, m_backup);
    QVERIFY(!result.installed);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(installTag(m_install),
             damage == QLatin1String("install-marker") ? QByteArray() : QByteArray("old"));
    QVERIFY(QFileInfo::exists(m_install + "/bin/plumet"));
    QVERIFY(QFileInfo::exists(m_new + "/bin/plumet"));
}

void tst_FolderSwap::rollsBackAFailedSwap_data()
{
    QTest::addColumn<QList<int>>("failing");
    QTest::addColumn<bool>("oldInPlace");
    QTest::newRow("old cannot move aside") << QList<int>{1} << true;
    QTest::newRow("new cannot move in") << QList<int>{2} << true;
    QTest::newRow("new cannot move in, nor old back") << QList<int>{2, 3} << false;
}

void tst_FolderSwap::rollsBackAFailedSwap()
{
    QFETCH(QList<int>, failing);
    QFETCH(bool, oldInPlace);
    const FolderSwap::Result result = FailingSwap(failing).replace(m_new, m_install, m_backup);
    QVERIFY(!result.installed);
    QVERIFY(result.error.contains(QLatin1String("refused for the test")));
    if (oldInPlace) {
        QCOMPARE(installTag(m_install), QByteArray("old"));
        QVERIFY(!QFileInfo::exists(m_backup));
    } else {
        // The old version is never lost: it waits in the backup, and the
        // message says where.
        QCOMPARE(installTag(m_backup), QByteArray("old"));
        QVERIFY(result.error.contains(m_backup));
    }
    QCOMPARE(installTag(m_new), QByteArray("new"));
}

void tst_FolderSwap::packagePrefixes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("packaged");
    QTest::newRow("/usr") << "/usr" << true;
    QTest::newRow("/usr/lib/plumet") << "/usr/lib/plumet" << true;
    QTest::newRow("root") << "/" << true;
    QTest::newRow("/opt/plumet") << "/opt/plumet" << false;
    QTest::newRow("/usrlocal-lookalike") << "/usrplumet" << false;
    QTest::newRow("home") << "/home/me/.local/opt/plumet" << false;
}

void tst_FolderSwap::packagePrefixes()
{
    QFETCH(QString, path);
    QFETCH(bool, packaged);
    QCOMPARE(InstallChecks::isUnderPackagePrefix(path), packaged);
}

QTEST_GUILESS_MAIN(tst_FolderSwap)
#include "tst_folderswap.moc"
