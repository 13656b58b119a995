#include "BusBounds.h"
#include "SingleInstance.h"
#include "TestSecretService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
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
    void argumentsOverTheirBoundsAreRefused_data();
    void argumentsOverTheirBoundsAreRefused();
    void tooManyWaitingRequestsAreRefused();
    void slowRequestsLeaveTheBusAnswering();
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

void tst_SingleInstance::argumentsOverTheirBoundsAreRefused_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<QString>("bound"); // empty: taken

    const auto path = [](qsizetype bytes) {
        return QVariant(QStringLiteral("/") + QString(bytes - 1, u'p'));
    };
    QTest::newRow("a path of 10 MB") << "OpenFile" << path(10 * 1024 * 1024) << "4096 bytes";
    QTest::newRow("a path one byte over") << "OpenFile" << path(4097) << "4096 bytes";
    // Counted in the bytes the file system sees, not in characters.
    QTest::newRow("a path over in bytes, not in characters")
        << "OpenFile" << QVariant(QStringLiteral("/") + QString(2048, QChar(0xE9))) << "4096 bytes";
    QTest::newRow("a path at the bound") << "OpenFile" << path(4096) << "";
    QTest::newRow("a text over its bound")
        << "NewDraftWithText" << QVariant(QString(BusBounds::MaxTextLength + 1, u't'))
        << "4194304 characters";
    QTest::newRow("a text at its bound")
        << "NewDraftWithText" << QVariant(QString(BusBounds::MaxTextLength, u't')) << "";
    QTest::newRow("an address over its bound")
        << "OpenUrl"
        << QVariant(QStringLiteral("plumet3:?s=") + QString(BusBounds::MaxUrlLength, u's'))
        << "2097152 characters";
    QVariantMap many;
    for (int i = 0; i < 17; ++i)
        many.insert(QStringLiteral("field%1").arg(i), QStringLiteral("v"));
    QTest::newRow("an item of too many fields")
        << "NewDraftWithItem" << QVariant(many) << "more than 16 fields";
    QTest::newRow("an item whose fields hold too much")
        << "NewDraftWithItem"
        << QVariant(QVariantMap{
               {QStringLiteral("title"), QString(BusBounds::MaxTextLength / 2 + 1, u'a')},
               {QStringLiteral("description"), QString(BusBounds::MaxTextLength / 2, u'b')}})
        << "more than 4194304 characters";
    QTest::newRow("an item with a field that is not a text")
        << "NewDraftWithItem"
        << QVariant(QVariantMap{{QStringLiteral("title"),
                                 QVariant::fromValue(QStringList(100000, QStringLiteral("x")))}})
        << "not a text";
    QTest::newRow("an item within its bounds")
        << "NewDraftWithItem"
        << QVariant(QVariantMap{{QStringLiteral("title"), QStringLiteral("t")},
                                {QStringLiteral("url"), QStringLiteral("https://e.example/")}})
        << "";
}

void tst_SingleInstance::argumentsOverTheirBoundsAreRefused()
{
    QFETCH(QString, method);
    QFETCH(QVariant, argument);
    QFETCH(QString, bound);
    QTemporaryDir home;
    SingleInstance owner;
    owner.setServiceName(QStringLiteral("org.plumet.test.bounds"));
    owner.setLockPath(home.filePath(QStringLiteral("bounds.lock")));
    QCOMPARE(owner.claim({}), SingleInstance::Claim::Owner);
    int received = 0;
    for (const auto signal : {&SingleInstance::fileReceived, &SingleInstance::textReceived,
                              &SingleInstance::urlReceived})
        connect(&owner, signal, this, [&received] { ++received; });
    connect(&owner, &SingleInstance::itemReceived, this, [&received] { ++received; });

    // Another connection calls, as another program would; this loop answers.
    QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("bounds"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.plumet.test.bounds"), QLatin1String(SingleInstance::objectPath),
        QStringLiteral("org.plumet.Application"), method);
    call << argument;
    QDBusPendingCall pending = client.asyncCall(call, 60000);
    QVERIFY(QTest::qWaitFor([&pending] { return pending.isFinished(); }, 60000));
    const QDBusMessage reply = pending.reply();
    QDBusConnection::disconnectFromBus(QStringLiteral("bounds"));
    if (bound.isEmpty()) {
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(received, 1);
        return;
    }
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded"));
    QVERIFY2(reply.errorMessage().contains(bound), qPrintable(reply.errorMessage()));
    // Nothing of it waits to be acted on.
    QCOMPARE(owner.waitingRequests(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(received, 0);
}

void tst_SingleInstance::tooManyWaitingRequestsAreRefused()
{
    SingleInstance owner;
    QStringList urls;
    connect(&owner, &SingleInstance::urlReceived, this, [&urls](const QString& u) { urls << u; });
    int quits = 0;
    connect(&owner, &SingleInstance::quitRequested, this, [&quits] { ++quits; });
    for (int i = 0; i < BusBounds::MaxWaitingRequests + 5; ++i)
        owner.OpenUrl(QStringLiteral("x-blogpost:e%1@a").arg(i));
    QCOMPARE(owner.waitingRequests(), BusBounds::MaxWaitingRequests);
    // The updater's Quit is never turned away.
    owner.Quit();
    QCOMPARE(owner.waitingRequests(), BusBounds::MaxWaitingRequests + 1);
    QTRY_COMPARE(quits, 1);
    QCOMPARE(urls.size(), BusBounds::MaxWaitingRequests);
    QCOMPARE(urls.first(), QStringLiteral("x-blogpost:e0@a"));
    QCOMPARE(urls.last(),
             QStringLiteral("x-blogpost:e%1@a").arg(BusBounds::MaxWaitingRequests - 1));
    // Caught up, it takes requests again.
    owner.OpenUrl(QStringLiteral("x-blogpost:later@a"));
    QTRY_COMPARE(urls.last(), QStringLiteral("x-blogpost:later@a"));
}

void tst_SingleInstance::slowRequestsLeaveTheBusAnswering()
{
    QTemporaryDir home;
    SingleInstance owner;
    owner.setServiceName(QStringLiteral("org.plumet.test.slow"));
    owner.setLockPath(home.filePath(QStringLiteral("slow.lock")));
    QCOMPARE(owner.claim({}), SingleInstance::Claim::Owner);
    // Each new draft takes the program a while (a window, an editor).
    constexpr int drafts = 12;
    int handled = 0;
    connect(&owner, &SingleInstance::textReceived, this, [&handled] {
        QThread::msleep(100);
        ++handled;
    });
    QStringList urls;
    connect(&owner, &SingleInstance::urlReceived, this, [&urls](const QString& u) { urls << u; });

    QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("slow"));
    const auto call = [&client](const QString& method, const QString& argument) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.plumet.test.slow"), QLatin1String(SingleInstance::objectPath),
            QStringLiteral("org.plumet.Application"), method);
        message << argument;
        return client.asyncCall(message, 60000);
    };
    QList<QDBusPendingCall> burst;
    for (int i = 0; i < drafts; ++i)
        burst << call(QStringLiteral("NewDraftWithText"), QStringLiteral("text %1").arg(i));
    QElapsedTimer clock;
    clock.start();
    QDBusPendingCall small = call(QStringLiteral("OpenUrl"), QStringLiteral("x-blogpost:e@a"));
    QVERIFY(QTest::qWaitFor([&small] { return small.isFinished(); }, 60000));
    const qint64 answeredAfter = clock.elapsed();
    const int handledBefore = handled;
    QCOMPARE(small.reply().type(), QDBusMessage::ReplyMessage);
    // Answered between two drafts, not after all of them (1.2 s of work).
    QVERIFY2(handledBefore < drafts, qPrintable(QString::number(handledBefore)));
    QVERIFY2(answeredAfter < 1000, qPrintable(QString::number(answeredAfter)));
    QTRY_COMPARE(handled, drafts);
    QTRY_COMPARE(urls, QStringList{QStringLiteral("x-blogpost:e@a")});
    for (const QDBusPendingCall& pending : burst)
        QCOMPARE(pending.reply().type(), QDBusMessage::ReplyMessage);
    QDBusConnection::disconnectFromBus(QStringLiteral("slow"));
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QCoreApplication app(argc, argv);
    tst_SingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
