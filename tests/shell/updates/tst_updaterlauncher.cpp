#include "UpdaterLauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

// The hand-over starts a private copy of the updater: a fake one here notes
// where it runs from and what it was told.
class tst_UpdaterLauncher : public QObject {
    Q_OBJECT
private slots:
    void startsAPrivateCopy_data();
    void startsAPrivateCopy();
    void failsWithoutAnUpdater();
};

void tst_UpdaterLauncher::startsAPrivateCopy_data()
{
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("where");
    QTest::newRow("runtime folder") << "private"
                                    << "runtime";
    QTest::newRow("no runtime folder") << ""
                                       << "cache";
    QTest::newRow("runtime folder open to others") << "open"
                                                   << "cache";
}

void tst_UpdaterLauncher::startsAPrivateCopy()
{
    QFETCH(QString, runtime);
    QFETCH(QString, where);
    QTemporaryDir folder;
    const QString programs = folder.filePath(QStringLiteral("bin"));
    const QString temporary = folder.filePath(QStringLiteral("tmp"));
    const QString runtimeFolder = QFileInfo(folder.path()).canonicalFilePath() + "/run";
    const QString log = folder.filePath(QStringLiteral("started.log"));
    QVERIFY(QDir().mkpath(programs) && QDir().mkpath(temporary) && QDir().mkpath(runtimeFolder));
    QVERIFY(QFile::setPermissions(runtimeFolder, runtime == "open"
                                                     ? QFileDevice::Permissions(0x7775)
                                                     : QFileDevice::Permissions(0x7700)));
    QFile updater(programs + QStringLiteral("/plumetUpdater"));
    QVERIFY(updater.open(QIODevice::WriteOnly));
    updater.write("#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$PLUMET_TEST_LOG\"\n");
    updater.close();
    QVERIFY(updater.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    const QByteArray previousTemporary = qgetenv("TMPDIR");
    const QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(temporary));
    if (runtime.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder));
    qputenv("PLUMET_TEST_LOG", QFile::encodeName(log));
    UpdateHandOver handOver;
    handOver.archiveUrl = QUrl(QStringLiteral("https://example.org/plumet.tar.xz"));
    handOver.version = QStringLiteral("3.1");
    handOver.sha256 = "00ff";
    handOver.signature = "c2ln";
    handOver.installFolder = QStringLiteral("/opt/plumet");
    const bool launched = UpdaterLauncher::launch(programs, handOver);
    qputenv("TMPDIR", previousTemporary);
    qputenv("XDG_RUNTIME_DIR", previousRuntime);
    QVERIFY(launched);

    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(log).size() > 0; }, 10000));
    QFile started(log);
    QVERIFY(started.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(started.readAll()).split(QLatin1Char('\n'));
    // It ran from a new folder of its own, closed to others, in a folder that
    // is the user's (the temporary one is often mounted noexec).
    const QString copy = lines.first();
    const QString copyFolder = QFileInfo(copy).path();
    QCOMPARE(QFileInfo(copyFolder).path(),
             where == "runtime" ? runtimeFolder
                                : QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
    QVERIFY(QFileInfo(copyFolder).fileName().startsWith(QLatin1String("plumetUpdater-")));
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(copyFolder).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0700);
    QString error;
    const std::optional<UpdateHandOver> told =
        UpdateHandOver::fromArguments(lines.mid(0, lines.size() - 1), &error);
    QVERIFY2(told, qPrintable(error));
    QCOMPARE(told->archiveUrl, handOver.archiveUrl);
    QCOMPARE(told->installFolder, handOver.installFolder);
    QVERIFY(told->privateCopy);
    QVERIFY(QDir(copyFolder).removeRecursively());
}

void tst_UpdaterLauncher::failsWithoutAnUpdater()
{
    QTemporaryDir folder;
    const QByteArray previousTemporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(folder.path()));
    QVERIFY(!UpdaterLauncher::launch(folder.filePath(QStringLiteral("nowhere")), UpdateHandOver()));
    qputenv("TMPDIR", previousTemporary);
    // Nothing is left behind.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(tst_UpdaterLauncher)
#include "tst_updaterlauncher.moc"
