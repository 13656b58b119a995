#include "ArchiveUnpacker.h"
#include "InstallChecks.h"
#include "UpdateTestKit.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace plumet::test;
using Type = ArchiveEntry::Type;

Q_DECLARE_METATYPE(QList<plumet::test::ArchiveEntry>)
Q_DECLARE_METATYPE(plumet::test::ArchiveFormat)

class tst_ArchiveUnpacker : public QObject {
    Q_OBJECT
private slots:
    void unpacksAnUpdate_data();
    void unpacksAnUpdate();
    void refusesHostileEntries_data();
    void refusesHostileEntries();
    void refusesWhatIsNoArchive_data();
    void refusesWhatIsNoArchive();
    void dropsSetIdBits();

private:
    static QString write(const QTemporaryDir& folder, const QByteArray& bytes);
};

QString tst_ArchiveUnpacker::write(const QTemporaryDir& folder, const QByteArray& bytes)
{
    const QString path = folder.filePath(QStringLiteral("update.archive"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void tst_ArchiveUnpacker::unpacksAnUpdate_data()
{
    QTest::addColumn<ArchiveFormat>("format");
    QTest::newRow("tar.gz") << ArchiveFormat::TarGz;
    QTest::newRow("zip") << ArchiveFormat::Zip;
}

void tst_ArchiveUnpacker::unpacksAnUpdate()
{
    QFETCH(ArchiveFormat, format);
    QTemporaryDir folder;
    const QString archive = write(folder, makeArchive(installEntries("new"), format));
    const QString target = folder.filePath(QStringLiteral("unpacked"));
    QVERIFY(QDir().mkdir(target));
    QList<int> percents;
    const ArchiveUnpacker::Result result =
        ArchiveUnpacker::unpack(archive, target, [&](int percent) { percents << percent; });
    QVERIFY2(result.unpacked, qPrintable(result.error));
    const QString app = target + QStringLiteral("/plumet");
    QCOMPARE(InstallChecks::checkNewFolder(app), QString());
    QCOMPARE(installTag(app), QByteArray("new"));
    QVERIFY(!percents.isEmpty());
    QVERIFY(std::is_sorted(percents.begin(), percents.end()));
    QVERIFY(percents.last() <= 100);
}

void tst_ArchiveUnpacker::refusesHostileEntries_data()
{
    QTest::addColumn<QList<ArchiveEntry>>("extra");
    QTest::addColumn<QString>("outside");

    QTest::newRow("dot-dot leading out")
        << QList{ArchiveEntry::file("plumet/../../escaped", "x")} << QStringLiteral("escaped");
    QTest::newRow("dot-dot at the start")
        << QList{ArchiveEntry::file("../escaped", "x")} << QStringLiteral("../escaped");
    QTest::newRow("absolute path") << QList{ArchiveEntry::file("/tmp/plumet-absolute-entry", "x")}
                                   << QStringLiteral("/tmp/plumet-absolute-entry");
    QTest::newRow("symbolic link")
        << QList{ArchiveEntry::link(Type::Symlink, "plumet/bin/evil", "/etc/passwd")} << QString();
    QTest::newRow("link then write through it")
        << QList{ArchiveEntry::link(Type::Symlink, "plumet/out", ".."),
                 ArchiveEntry::file("plumet/out/escaped", "x")}
        << QStringLiteral("escaped");
    QTest::newRow("hard link") << QList{ArchiveEntry::link(Type::Hardlink, "plumet/bin/hard",
                                                           "plumet/bin/plumet")}
                               << QString();
    QTest::newRow("named pipe") << QList{ArchiveEntry{"plumet/pipe", Type::Fifo, {}, 0644, {}}}
                                << QString();
    QTest::newRow("outside the top folder")
        << QList{ArchiveEntry::file("other/file", "x")} << QStringLiteral("other");
}

void tst_ArchiveUnpacker::refusesHostileEntries()
{
    QFETCH(QList<ArchiveEntry>, extra);
    QFETCH(QString, outside);
    QTemporaryDir folder;
    const QString archive = write(folder, makeArchive(installEntries("new") + extra));
    const QString target = folder.filePath(QStringLiteral("a/b/unpacked"));
    QVERIFY(QDir().mkpath(target));

    const ArchiveUnpacker::Result result = ArchiveUnpacker::unpack(archive, target);
    QVERIFY(!result.unpacked);
    QVERIFY(!result.error.isEmpty());
    if (!outside.isEmpty()) {
        const QString escaped =
            outside.startsWith(QLatin1Char('/'))
                ? outside
                : QDir::cleanPath(target + QStringLiteral("/plumet/../../") + outside);
        QVERIFY2(!QFileInfo::exists(escaped), qPrintable(escaped));
        QVERIFY(!QFileInfo::exists(QDir::cleanPath(target + QStringLiteral("/../") + outside)));
    }
    // Nothing the archive wrote is a link.
    QDirIterator it(target, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QVERIFY2(!QFileInfo(it.next()).isSymLink(), qPrintable(it.filePath()));
}

void tst_ArchiveUnpacker::refusesWhatIsNoArchive_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("web page") << QByteArray("<html><body>Not found</body></html>");
    QTest::newRow("cut in half") << makeArchive(installEntries("new")).left(200);
    QTest::newRow("archive of nothing") << makeArchive({});
}

void tst_ArchiveUnpacker::refusesWhatIsNoArchive()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("unpacked"));
    QVERIFY(QDir().mkdir(target));
    const ArchiveUnpacker::Result result = ArchiveUnpacker::unpack(write(folder, bytes), target);
    QVERIFY(!result.unpacked);
    QVERIFY(!result.error.isEmpty());
}

void tst_ArchiveUnpacker::dropsSetIdBits()
{
    QTemporaryDir folder;
    QList<ArchiveEntry> entries = installEntries("new");
    entries << ArchiveEntry::file("plumet/bin/setuid", "#!/bin/sh\n", 04755)
            << ArchiveEntry::file("plumet/world-writable", "x", 0666);
    const QString target = folder.filePath(QStringLiteral("unpacked"));
    QVERIFY(QDir().mkdir(target));
    QVERIFY(ArchiveUnpacker::unpack(write(folder, makeArchive(entries)), target).unpacked);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(target + "/plumet/bin/setuid").constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 07000), 0);
    QVERIFY(info.st_mode & S_IXUSR);
    QCOMPARE(::stat(QFile::encodeName(target + "/plumet/world-writable").constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 07777) & 0022, 0);
}

QTEST_GUILESS_MAIN(tst_ArchiveUnpacker)
#include "tst_archiveunpacker.moc"
