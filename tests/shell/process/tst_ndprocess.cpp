#include "FileReference.h"
#include "NDProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_NDProcess : public QObject {
    Q_OBJECT
private slots:
    void findsARunningProgram_data();
    void findsARunningProgram();
    void answersNothingForWhatIsNotThere();
    void fileReferences();
};

void tst_NDProcess::findsARunningProgram_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("short name")
        << QStringLiteral("plumetprobe%1").arg(QCoreApplication::applicationPid() % 1000);
    // The kernel keeps 15 bytes of a name; the rest is compared on those.
    QTest::newRow("name longer than the kernel keeps")
        << QStringLiteral("plumetProbeWithALongName%1").arg(QCoreApplication::applicationPid());
}

void tst_NDProcess::findsARunningProgram()
{
    QFETCH(QString, name);
    QTemporaryDir folder;
    const QString program = folder.filePath(name);
    QVERIFY(QFile::copy(QStandardPaths::findExecutable(QStringLiteral("sleep")), program));
    QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QVERIFY(!NDProcess::firstProcessNamed(name));

    QProcess child;
    child.start(program, {QStringLiteral("30")});
    QVERIFY(child.waitForStarted());
    const pid_t pid = pid_t(child.processId());
    QVERIFY(QTest::qWaitFor([&] { return NDProcess::firstProcessNamed(name).has_value(); }, 5000));
    QCOMPARE(NDProcess::firstProcessNamed(name)->pid(), pid);
    const std::optional<NDProcess> byPath = NDProcess::processForPath(program);
    QVERIFY(byPath);
    QCOMPARE(byPath->pid(), pid);
    QVERIFY(byPath->isValid());
    QCOMPARE(byPath->path(), QFileInfo(program).canonicalFilePath());

    child.kill();
    QVERIFY(child.waitForFinished());
    QVERIFY(!NDProcess::firstProcessNamed(name));
    QVERIFY(!NDProcess::processForPath(program));
    QVERIFY(!NDProcess(pid).isValid());
}

void tst_NDProcess::answersNothingForWhatIsNotThere()
{
    QCOMPARE(NDProcess().name(), QStringLiteral("no process"));
    QVERIFY(NDProcess().isNoProcess());
    QVERIFY(!NDProcess().isValid());
    QVERIFY(!NDProcess::processForPath(QStringLiteral("/no/such/program")));
    QVERIFY(!NDProcess::firstProcessNamed(QString()));
    // This test itself is a process of the current user.
    const NDProcess self(pid_t(QCoreApplication::applicationPid()));
    QVERIFY(self.isValid());
    QVERIFY(NDProcess::everyProcess().contains(self));
}

void tst_NDProcess::fileReferences()
{
    QTemporaryDir folder;
    const QString real = QFileInfo(folder.path()).canonicalFilePath() + QStringLiteral("/real");
    QVERIFY(QDir().mkpath(real));
    const QString link = folder.filePath(QStringLiteral("link"));
    QVERIFY(QFile::link(real, link));

    QCOMPARE(FileReference::fileReference(link), real);
    QCOMPARE(FileReference::fileReference(real + QStringLiteral("/../real")), real);
    QCOMPARE(FileReference::fileReference(folder.filePath(QStringLiteral("missing"))), QString());
    QCOMPARE(FileReference::fileReference(QString()), QString());
    QVERIFY(FileReference::isFileReference(real));
    QVERIFY(!FileReference::isFileReference(link));
    QVERIFY(!FileReference::isFileReference(real + QStringLiteral("/../real")));
    QVERIFY(!FileReference::isFileReference(QStringLiteral("real")));
}

QTEST_GUILESS_MAIN(tst_NDProcess)
#include "tst_ndprocess.moc"
