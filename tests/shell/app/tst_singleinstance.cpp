#include "SingleInstance.h"
#include "TestSecretService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// The environment of a plumet started by the test: its own home and folders.
QProcessEnvironment programEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("plumet.ui.debug=true"));
    return env;
}

bool nameHasOwner(const QString& name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.interface() && bus.interface()->isServiceRegistered(name).value();
}

QString lockPathIn(const QString& home)
{
    return home + QStringLiteral("/data/plumet3/") + QLatin1String(SingleInstance::lockFileName);
}

} // namespace

class tst_SingleInstance : public QObject {
    Q_OBJECT
private slots:
    void documentsFromArguments();
    void secondLaunchForwardsToTheOwner();
    void secondLaunchOfTheRealProgramReachesTheFirst();
    void lockRefusesASecondWriterWithoutBus();
    void staleLockOnlyWhenItsProcessEnded();
    void restartedInstanceWaitsForThePrevious();
};

void tst_SingleInstance::documentsFromArguments()
{
    QTemporaryDir folder;
    QFile existing(folder.filePath(QStringLiteral("a:b.plumet")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    const QList<SingleInstance::Document> documents = SingleInstance::documentsFromArguments(
        {QStringLiteral("plumet3:?t=x"), QStringLiteral("x-blogpost://e@a"),
         QStringLiteral("entry.plumet"), QStringLiteral("../up/b.webloc"),
         QStringLiteral("file:///tmp/c%20d.plumet"), QStringLiteral("a:b.plumet"), QString()},
        folder.path());
    const QList<SingleInstance::Document> expected{
        {false, QStringLiteral("plumet3:?t=x")},
        {false, QStringLiteral("x-blogpost://e@a")},
        {true, QDir(folder.path()).filePath(QStringLiteral("entry.plumet"))},
        {true, QDir::cleanPath(folder.path() + QStringLiteral("/../up/b.webloc"))},
        {true, QStringLiteral("/tmp/c d.plumet")},
        // A file of that name is a file, whatever it looks like.
        {true, QDir(folder.path()).filePath(QStringLiteral("a:b.plumet"))},
    };
    QCOMPARE(documents, expected);
}

void tst_SingleInstance::secondLaunchForwardsToTheOwner()
{
    // This process stands for the running plumet.
    QTemporaryDir home;
    SingleInstance owner;
    owner.setLockPath(home.filePath(QStringLiteral("own.lock")));
    QCOMPARE(owner.claim({}), SingleInstance::Claim::Owner);
    QVERIFY(owner.ownsBusName());
    QSignalSpy urls(&owner, &SingleInstance::urlReceived);
    QSignalSpy files(&owner, &SingleInstance::fileReceived);
    QSignalSpy activations(&owner, &SingleInstance::activateRequested);
    QStringList order;
    connect(&owner, &SingleInstance::urlReceived, this, [&](const QString& u) { order << u; });
    connect(&owner, &SingleInstance::fileReceived, this, [&](const QString& f) { order << f; });

    QProcess second;
    second.setProcessEnvironment(programEnvironment(home.path()));
    second.setWorkingDirectory(home.path());
    second.start(QStringLiteral(PLUMET_BINARY),
                 {QStringLiteral("x-blogpost://abc@def"), QStringLiteral("entry.plumet")});
    // The owner answers from this event loop.
    QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 60000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QTRY_COMPARE(order.size(), 2);
    QCOMPARE(order, QStringList({QStringLiteral("x-blogpost://abc@def"),
                                 QDir(home.path()).filePath(QStringLiteral("entry.plumet"))}));
    QCOMPARE(activations.size(), 0);
    // It never took the files of the running one.
    QVERIFY(!QFile::exists(lockPathIn(home.path())));

    // Without documents it brings the running one forward.
    QProcess third;
    third.setProcessEnvironment(programEnvironment(home.path()));
    third.start(QStringLiteral(PLUMET_BINARY), {});
    QTRY_VERIFY_WITH_TIMEOUT(third.state() == QProcess::NotRunning, 60000);
    QCOMPARE(third.exitCode(), 0);
    QTRY_COMPARE(activations.size(), 1);
}

void tst_SingleInstance::secondLaunchOfTheRealProgramReachesTheFirst()
{
    QVERIFY(!nameHasOwner(QLatin1String(SingleInstance::serviceName)));
    QTemporaryDir home;
    QProcess first;
    first.setProcessEnvironment(programEnvironment(home.path()));
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(QStringLiteral(PLUMET_BINARY), {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(nameHasOwner(QLatin1String(SingleInstance::serviceName)), 60000);
    QVERIFY(QFile::exists(lockPathIn(home.path())));

    QProcess second;
    second.setProcessEnvironment(programEnvironment(home.path()));
    second.start(QStringLiteral(PLUMET_BINARY), {QStringLiteral("x-blogpost:post@account")});
    QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitCode(), 0);
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT(
        (output += first.readAll()).contains("handling the address x-blogpost:post@account"),
        60000);
    QCOMPARE(first.state(), QProcess::Running);

    // The updater's Quit over the bus ends it cleanly, with nothing running.
    QDBusMessage quit = QDBusMessage::createMethodCall(
        QLatin1String(SingleInstance::serviceName), QLatin1String(SingleInstance::objectPath),
        QStringLiteral("org.plumet.Application"), QStringLiteral("Quit"));
    QCOMPARE(QDBusConnection::sessionBus().call(quit).type(), QDBusMessage::ReplyMessage);
    QVERIFY(first.waitForFinished(60000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QVERIFY(!QFile::exists(lockPathIn(home.path())));
    QTRY_VERIFY(!nameHasOwner(QLatin1String(SingleInstance::serviceName)));

    // SIGTERM quits it as well, after the same clean-up (the stationery is written).
    QProcess again;
    again.setProcessEnvironment(programEnvironment(home.path()));
    again.start(QStringLiteral(PLUMET_BINARY), {});
    QTRY_VERIFY_WITH_TIMEOUT(nameHasOwner(QLatin1String(SingleInstance::serviceName)), 60000);
    const QString stationery = home.filePath(QStringLiteral("data/plumet3/stationeries.plist"));
    QFile::remove(stationery);
    ::kill(pid_t(again.processId()), SIGTERM);
    QVERIFY(again.waitForFinished(60000));
    QCOMPARE(again.exitStatus(), QProcess::NormalExit);
    QCOMPARE(again.exitCode(), 0);
    QVERIFY(QFile::exists(stationery));
}

void tst_SingleInstance::lockRefusesASecondWriterWithoutBus()
{
    QTemporaryDir home;
    QDir().mkpath(home.filePath(QStringLiteral("data/plumet3")));
    // A live process (this one) holds the files.
    QLockFile held(lockPathIn(home.path()));
    QVERIFY(held.tryLock(0));

    QProcessEnvironment env = programEnvironment(home.path());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + home.filePath(QStringLiteral("no-bus")));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(PLUMET_BINARY), {});
    QVERIFY(second.waitForStarted());
    // It says why and waits for the OK of its alert; its words go to the terminal too.
    QByteArray errors;
    QTRY_VERIFY_WITH_TIMEOUT((errors += second.readAllStandardError()).contains("Another plumet"),
                             60000);
    second.kill();
    second.waitForFinished();
    held.unlock();

    // In-process, the same rule: a second claimer is refused while the first lives.
    SingleInstance first;
    first.setServiceName(QStringLiteral("org.plumet.test.first"));
    first.setLockPath(home.filePath(QStringLiteral("x.lock")));
    QCOMPARE(first.claim({}), SingleInstance::Claim::Owner);
    SingleInstance other;
    other.setServiceName(QStringLiteral("org.plumet.test.other"));
    other.setLockPath(home.filePath(QStringLiteral("x.lock")));
    QCOMPARE(other.claim({}), SingleInstance::Claim::Refused);
    QVERIFY(other.refusal().contains(QLatin1String("Another plumet")));
    QVERIFY(!other.ownsBusName());
    first.release();
    QCOMPARE(other.claim({}), SingleInstance::Claim::Owner);
}

void tst_SingleInstance::staleLockOnlyWhenItsProcessEnded()
{
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("plumet.lock"));
    // The process that wrote it has ended (no process has that number).
    const auto writeLock = [&path](qint64 pid, const QByteArray& name) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray::number(pid) + '\n' + name + '\n' +
                   QSysInfo::machineHostName().toUtf8() + '\n');
    };
    writeLock(999999, "plumet");
    {
        SingleInstance instance;
        instance.setServiceName(QStringLiteral("org.plumet.test.stale"));
        instance.setLockPath(path);
        QCOMPARE(instance.claim({}), SingleInstance::Claim::Owner);
    }
    // An old lock of a process that still runs is not stale, however old.
    writeLock(QCoreApplication::applicationPid(), QCoreApplication::applicationName().toUtf8());
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime::currentDateTime().addDays(-30),
                                QFileDevice::FileModificationTime));
    }
    SingleInstance instance;
    instance.setServiceName(QStringLiteral("org.plumet.test.stale"));
    instance.setLockPath(path);
    QCOMPARE(instance.claim({}), SingleInstance::Claim::Refused);
}

void tst_SingleInstance::restartedInstanceWaitsForThePrevious()
{
    QTemporaryDir home;
    QProcess first;
    first.setProcessEnvironment(programEnvironment(home.path()));
    first.start(QStringLiteral(PLUMET_BINARY), {});
    QTRY_VERIFY_WITH_TIMEOUT(nameHasOwner(QLatin1String(SingleInstance::serviceName)), 60000);

    // Started again after a plug-in install: it must not hand over to the
    // instance that is quitting, but wait for it and take its place.
    QProcess restarted;
    restarted.setProcessEnvironment(programEnvironment(home.path()));
    restarted.start(QStringLiteral(PLUMET_BINARY), {QStringLiteral("--restarted")});
    QVERIFY(restarted.waitForStarted());
    QDBusMessage quit = QDBusMessage::createMethodCall(
        QLatin1String(SingleInstance::serviceName), QLatin1String(SingleInstance::objectPath),
        QStringLiteral("org.plumet.Application"), QStringLiteral("Quit"));
    QDBusConnection::sessionBus().call(quit);
    QVERIFY(first.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);

    QTRY_VERIFY_WITH_TIMEOUT(nameHasOwner(QLatin1String(SingleInstance::serviceName)), 60000);
    QCOMPARE(restarted.state(), QProcess::Running);
    QFile lock(lockPathIn(home.path()));
    QTRY_VERIFY(lock.exists());
    QVERIFY(lock.open(QIODevice::ReadOnly));
    QCOMPARE(lock.readLine().trimmed().toLongLong(), restarted.processId());
    ::kill(pid_t(restarted.processId()), SIGTERM);
    QVERIFY(restarted.waitForFinished(60000));
    QCOMPARE(restarted.exitCode(), 0);
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    tst_SingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
