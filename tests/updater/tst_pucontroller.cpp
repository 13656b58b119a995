#include "PUController.h"
#include "PUPresenter.h"
#include "SingleInstance.h"
#include "TestHttpServer.h"
#include "UpdateSignature.h"
#include "UpdateTestKit.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

using namespace plumet::test;
using Response = TestHttpServer::Response;
using Request = TestHttpServer::Request;

namespace {

// Stands in for the updater's window: notes every alert and answers the quit
// question as told.
class RecordingPresenter : public PUPresenter {
public:
    struct Failure {
        QString title;
        QString message;
        QString detail;
        bool couldCancel = false;
    };

    void showFailure(const QString& title, const QString& message, const QString& detail,
                     std::function<void()> dismissed) override
    {
        failures.append({title, message, detail, controller && controller->canAbort()});
        QTimer::singleShot(0, [dismissed] { dismissed(); });
    }

    void askToQuitManually(std::function<void(bool)> answered) override
    {
        ++questions;
        if (beforeAnswer)
            beforeAnswer();
        QTimer::singleShot(0, [answered, proceed = proceed] { answered(proceed); });
    }

    PUController* controller = nullptr;
    QList<Failure> failures;
    int questions = 0;
    bool proceed = false;
    std::function<void()> beforeAnswer;
};

// The running application: the program's own bus object under a name of this
// test, quitting (leaving the bus) when asked, unless told to be stubborn.
class FakeApplication : public QObject {
public:
    FakeApplication(const QString& service, const QString& lockPath, bool stubborn)
    {
        m_instance = new SingleInstance(this);
        m_instance->setServiceName(service);
        m_instance->setLockPath(lockPath);
        registered =
            m_instance->claim({}) == SingleInstance::Claim::Owner && m_instance->ownsBusName();
        connect(m_instance, &SingleInstance::quitRequested, this, [this, stubborn] {
            ++quitRequests;
            if (!stubborn)
                quit();
        });
    }
    void quit() { m_instance->release(); }
    bool registered = false;
    int quitRequests = 0;

private:
    SingleInstance* m_instance = nullptr;
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeScript(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner);
}

} // namespace

class tst_PUController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void installsAndRelaunches_data();
    void installsAndRelaunches();
    void failureLeavesTheOldInstallation_data();
    void failureLeavesTheOldInstallation();
    void refusesInstallationsItMayNotReplace_data();
    void refusesInstallationsItMayNotReplace();
    void asksWhenTheApplicationWillNotQuit_data();
    void asksWhenTheApplicationWillNotQuit();

private:
    struct Setup {
        QByteArray archive;
        QByteArray servedArchive; // what the server sends, if not the archive
        QString version = QStringLiteral("3.1"); // offered; the installation is 3.0
        QString signedVersion;                   // if not the offered one
        qint64 announcedLength = 0;              // by the feed
        QByteArray digest; // if not the archive's
        bool privileged = false;
        QByteArray launcher = "#!/bin/sh\nexec \"$@\"\n";
        bool applicationRuns = true;
        bool stubborn = false;
        std::function<Response(const Request&)> serve;
        QString installFolder;     // if not the test's
        bool plainHttp = false;    // offer the archive at an http address
        QList<int> failingRenames; // of the plain road's swap
    };
    struct Result {
        PUController::Outcome outcome = PUController::Outcome::Cancelled;
        QList<RecordingPresenter::Failure> failures;
        int quitRequests = 0;
        int questions = 0;
        int downloads = 0;
    };
    Result run(const Setup& setup, RecordingPresenter& presenter);
    QByteArray launched() const { return readFile(m_launchLog).trimmed(); }
    bool waitForLaunch(const QByteArray& tag);
    QStringList leftovers() const;

    TestHttpServer m_server;
    SigningKey m_key{QByteArray(helperKeySeed)}; // the privileged road checks it too
    QString m_service;
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_root;
    QString m_install;
    QString m_launchLog;
    QByteArray m_temporaryFolder;
    QByteArray m_path;
    int m_runs = 0;
};

void tst_PUController::initTestCase()
{
    QVERIFY(m_server.listenTlsSelfSigned());
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(m_server.certificate());
    QSslConfiguration::setDefaultConfiguration(trusting);
    m_service = QStringLiteral("org.plumet.test.updater%1").arg(QCoreApplication::applicationPid());
    m_temporaryFolder = qgetenv("TMPDIR");
    m_path = qgetenv("PATH");
}

void tst_PUController::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_root = QFileInfo(m_folder->path()).canonicalFilePath();
    m_install = m_root + QStringLiteral("/opt/plumet");
    m_launchLog = m_root + QStringLiteral("/launch.log");
    QVERIFY(makeInstallFolder(m_install, "old"));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/tmp")));
    qputenv("TMPDIR", QFile::encodeName(m_root + QStringLiteral("/tmp")));
    qputenv("PLUMET_TEST_LAUNCH_LOG", QFile::encodeName(m_launchLog));
}

void tst_PUController::cleanup()
{
    // Each run gets a temporary folder of its own, inside the test's folder.
    if (m_temporaryFolder.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_temporaryFolder);
    qputenv("PATH", m_path);
    m_folder.reset();
}

bool tst_PUController::waitForLaunch(const QByteArray& tag)
{
    return QTest::qWaitFor([&] { return launched() == tag; }, 10000);
}

QStringList tst_PUController::leftovers() const
{
    QStringList found = QDir(m_root + QStringLiteral("/opt"))
                            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    found.removeAll(QStringLiteral("plumet"));
    found += QDir(m_root + QStringLiteral("/tmp"))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    return found;
}

tst_PUController::Result tst_PUController::run(const Setup& setup, RecordingPresenter& presenter)
{
    const QByteArray served = setup.servedArchive.isNull() ? setup.archive : setup.servedArchive;
    const QString path = QStringLiteral("/downloads/plumet-3.1-%1.tar.gz").arg(++m_runs);
    int downloads = 0;
    m_server.setHandler([&](const Request& request) {
        ++downloads;
        if (setup.serve)
            return setup.serve(request);
        return request.target == path.toUtf8() ? Response::ok(served, "application/gzip")
                                               : Response::withStatus(404);
    });

    const QByteArray digest = setup.digest.isEmpty() ? sha256Hex(setup.archive) : setup.digest;
    UpdaterSettings settings;
    TestHttpServer plain;
    if (setup.plainHttp) {
        plain.listen();
        plain.setHandler([&](const Request&) {
            ++downloads;
            return Response::ok(served);
        });
    }
    settings.handOver.archiveUrl = setup.plainHttp ? plain.url(path) : m_server.url(path);
    settings.handOver.version = setup.version;
    settings.handOver.sha256 = digest;
    settings.handOver.signature =
        m_key
            .sign(UpdateSignature::signedMessage(
                setup.signedVersion.isEmpty() ? setup.version : setup.signedVersion, digest))
            .toBase64();
    settings.handOver.length = setup.announcedLength;
    settings.handOver.installFolder =
        setup.installFolder.isEmpty() ? m_install : setup.installFolder;
    settings.publicKey = m_key.publicKey();
    settings.applicationService = m_service;
    settings.helperProgram = QStringLiteral(PLUMET_UPDATE_HELPER);
    settings.privilegedLauncher = m_root + QStringLiteral("/fake-pkexec");
    settings.quitWaitMs = 1500;
    settings.quitPollMs = 50;
    settings.launchPollMs = 50;
    settings.launchPolls = 3;
    if (!setup.failingRenames.isEmpty())
        settings.makeSwap = [failing = setup.failingRenames] {
            return std::make_shared<FailingSwap>(failing);
        };
    if (!writeScript(settings.privilegedLauncher, setup.launcher))
        qFatal("no launcher");

    std::unique_ptr<FakeApplication> application;
    if (setup.applicationRuns) {
        application = std::make_unique<FakeApplication>(
            m_service, m_root + QStringLiteral("/plumet.lock"), setup.stubborn);
        if (!application->registered)
            qWarning("no session bus: the application's quit is not exercised");
    }
    if (setup.stubborn)
        presenter.beforeAnswer = [&] {
            if (presenter.proceed)
                application->quit();
        };

    PUController controller(settings, &presenter);
    presenter.controller = &controller;
    QSignalSpy finished(&controller, &PUController::finished);
    controller.start();
    if (!finished.wait(60000))
        qFatal("the updater did not finish");
    Result result;
    result.outcome = finished.first().first().value<PUController::Outcome>();
    result.failures = presenter.failures;
    result.quitRequests = application ? application->quitRequests : 0;
    result.questions = presenter.questions;
    result.downloads = downloads;
    presenter.controller = nullptr;
    return result;
}

void tst_PUController::installsAndRelaunches_data()
{
    QTest::addColumn<QString>("case_");
    QTest::newRow("good update") << "good";
    QTest::newRow("application not running") << "notrunning";
    QTest::newRow("zip archive") << "zip";
    QTest::newRow("interrupted download resumed") << "resumed";
    QTest::newRow("server names no length") << "nolength";
    QTest::newRow("privileged road keeps the owner") << "privileged";
    QTest::newRow("privileged road ignores what the user's side unpacked") << "tampered";
}

void tst_PUController::installsAndRelaunches()
{
    QFETCH(QString, case_);
    Setup setup;
    setup.archive = makeArchive(installEntries("new"),
                                case_ == "zip" ? ArchiveFormat::Zip : ArchiveFormat::TarGz);
    setup.applicationRuns = case_ != "notrunning";
    if (case_ == "resumed") {
        setup.serve = [&setup, first = std::make_shared<bool>(true)](const Request& request) {
            Response answer = serveWithRanges(request, setup.archive);
            if (std::exchange(*first, false))
                answer.action = Response::Action::Truncate;
            return answer;
        };
    }
    if (case_ == "nolength") {
        setup.serve = [&setup](const Request&) {
            Response response = Response::ok(setup.archive);
            response.announceLength = false;
            return response;
        };
    }
    if (case_ == "privileged" || case_ == "tampered") {
        if (!giveToAnotherUser(m_install))
            QSKIP("only root can give the installation to another user");
    }
    if (case_ == "tampered") {
        // Something running as the user rewrites the checked, unpacked folder
        // while the password is asked for.
        setup.launcher = "#!/bin/sh\n"
                         "for f in \"$TMPDIR\"/plumetUpdater-*/unpacked/plumet; do\n"
                         "  printf 'self-contained evil' > \"$f/plumet-self-contained\"\n"
                         "  printf '#!/bin/sh\\necho evil >> \"$PLUMET_TEST_LAUNCH_LOG\"\\n' > "
                         "\"$f/bin/plumet\"\n"
                         "done\n"
                         "exec \"$@\"\n";
    }

    RecordingPresenter presenter;
    const Result result = run(setup, presenter);
    QVERIFY2(result.failures.isEmpty(),
             qPrintable(result.failures.value(0).title + ": " + result.failures.value(0).detail));
    QCOMPARE(result.outcome, PUController::Outcome::Installed);
    QCOMPARE(installTag(m_install), QByteArray("new"));
    QVERIFY(waitForLaunch("new"));
    QCOMPARE(leftovers(), QStringList());
    if (setup.applicationRuns && QDBusConnection::sessionBus().isConnected())
        QCOMPARE(result.quitRequests, 1);
    if (case_ == "privileged" || case_ == "tampered") {
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(m_install + "/bin/plumet").constData(), &info), 0);
        QCOMPARE(info.st_uid, uid_t(anotherUser));
    }
}

void tst_PUController::failureLeavesTheOldInstallation_data()
{
    QTest::addColumn<QString>("case_");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("quitAsked");
    const QString download = QStringLiteral("Could not download new version");
    const QString install = QStringLiteral("Could not install new version!");
    QTest::newRow("bad signature") << "signature" << install << false;
    QTest::newRow("bad digest") << "digest" << install << false;
    QTest::newRow("archive changed on the server") << "changed" << install << false;
    QTest::newRow("truncated every time") << "truncated" << download << false;
    QTest::newRow("entry with dot-dot") << "dotdot" << install << false;
    QTest::newRow("entry with absolute path") << "absolute" << install << false;
    QTest::newRow("entry that is a link") << "link" << install << false;
    QTest::newRow("empty answer without length") << "empty" << download << false;
    QTest::newRow("signed archive that does not unpack") << "garbage" << install << false;
    QTest::newRow("update without a program") << "noprogram" << install << false;
    QTest::newRow("plain http address") << "http" << download << false;
    QTest::newRow("more than the feed announced") << "oversize" << download << false;
    QTest::newRow("privileged swap refused")
        << "refused" << QStringLiteral("Cannot install new version!") << true;
    QTest::newRow("swap fails after the quit") << "swap" << install << true;
}

void tst_PUController::failureLeavesTheOldInstallation()
{
    QFETCH(QString, case_);
    QFETCH(QString, title);
    QFETCH(bool, quitAsked);
    Setup setup;
    setup.archive = makeArchive(installEntries("new"));
    if (case_ == "signature")
        setup.signedVersion = QStringLiteral("3.0");
    if (case_ == "digest")
        setup.digest = sha256Hex("another archive");
    if (case_ == "changed")
        setup.servedArchive = makeArchive(installEntries("evil"));
    if (case_ == "truncated")
        setup.serve = [&setup](const Request&) {
            Response cut = Response::ok(setup.archive);
            cut.action = Response::Action::Truncate;
            return cut;
        };
    if (case_ == "dotdot")
        setup.archive = makeArchive(installEntries("new") +
                                    QList{ArchiveEntry::file("plumet/../../escaped", "x")});
    if (case_ == "absolute")
        setup.archive =
            makeArchive(installEntries("new") +
                        QList{ArchiveEntry::file(QFile::encodeName(m_root) + "/abs", "x")});
    if (case_ == "link")
        setup.archive = makeArchive(
            installEntries("new") +
            QList{ArchiveEntry::link(ArchiveEntry::Type::Symlink, "plumet/etc", "/etc")});
    if (case_ == "empty") {
        setup.archive = QByteArray("");
        setup.serve = [](const Request&) {
            Response response = Response::ok(QByteArray());
            response.announceLength = false;
            return response;
        };
    }
    if (case_ == "garbage")
        setup.archive = QByteArray(4096, 'z');
    if (case_ == "noprogram") {
        QList<ArchiveEntry> entries = installEntries("new");
        entries.removeIf([](const ArchiveEntry& e) { return e.path == "plumet/bin/plumet"; });
        setup.archive = makeArchive(entries);
    }
    if (case_ == "refused") {
        if (!giveToAnotherUser(m_install))
            QSKIP("only root can give the installation to another user");
        // What pkexec answers when the password dialog is dismissed.
        setup.launcher = "#!/bin/sh\nexit 126\n";
    }

    if (case_ == "http")
        setup.plainHttp = true;
    if (case_ == "oversize")
        setup.announcedLength = setup.archive.size() - 1;
    if (case_ == "swap")
        setup.failingRenames = {2}; // the new folder cannot move in

    RecordingPresenter presenter;
    const Result result = run(setup, presenter);
    QCOMPARE(result.outcome, PUController::Outcome::Failed);
    QCOMPARE(result.failures.size(), 1);
    QCOMPARE(result.failures.first().title, title);
    QVERIFY(!result.failures.first().detail.isEmpty());
    if (case_ == "swap")
        QVERIFY(result.failures.first().detail.contains("refused for the test"));
    // Cancel works again once something went wrong.
    QVERIFY(result.failures.first().couldCancel);
    QCOMPARE(installTag(m_install), QByteArray("old"));
    QVERIFY(QFileInfo(m_install + "/bin/plumet").isExecutable());
    QCOMPARE(leftovers(), QStringList());
    QVERIFY(!QFileInfo::exists(m_root + "/escaped"));
    QVERIFY(!QFileInfo::exists(m_root + "/abs"));
    if (case_ == "http")
        QCOMPARE(result.downloads, 0);
    if (!QDBusConnection::sessionBus().isConnected())
        return;
    QCOMPARE(result.quitRequests, quitAsked ? 1 : 0);
    // The application was quit only for the swap; a failed swap starts the old one again.
    if (quitAsked)
        QVERIFY(waitForLaunch("old"));
    else
        QCOMPARE(launched(), QByteArray());
}

void tst_PUController::refusesInstallationsItMayNotReplace_data()
{
    QTest::addColumn<QString>("case_");
    QTest::addColumn<QString>("says");
    QTest::newRow("package-managed folder") << "usr"
                                            << "package manager";
    QTest::newRow("folder the package manager knows") << "dpkg"
                                                      << "package manager";
    QTest::newRow("folder without marker") << "nomarker"
                                           << "self-contained";
    QTest::newRow("folder reached through a link") << "link"
                                                   << "self-contained";
    QTest::newRow("missing folder") << "missing"
                                    << "self-contained";
    // Signed, but never a step back: run by hand, an old update may bring back
    // what the installed version mended.
    QTest::newRow("older version") << "older"
                                   << "not newer than the installed version 3.2";
    QTest::newRow("the installed version") << "same"
                                           << "not newer than the installed version 3.1";
    QTest::newRow("candidate of the installed release")
        << "candidate"
        << "Version 3.1rc1 is not newer than the installed version 3.1";
    QTest::newRow("marker naming no version") << "noversion"
                                              << "cannot be read";
}

void tst_PUController::refusesInstallationsItMayNotReplace()
{
    QFETCH(QString, case_);
    QFETCH(QString, says);
    Setup setup;
    setup.archive = makeArchive(installEntries("new"));
    if (case_ == "usr")
        setup.installFolder = QStringLiteral("/usr");
    if (case_ == "nomarker")
        QVERIFY(QFile::remove(m_install + "/plumet-self-contained"));
    if (case_ == "link") {
        setup.installFolder = m_root + "/linked";
        QVERIFY(QFile::link(m_install, setup.installFolder));
        // The link itself resolves to a good folder; the updater works on the
        // folder, never through the link.
        QVERIFY(QFile::remove(m_install + "/plumet-self-contained"));
    }
    if (case_ == "missing")
        setup.installFolder = m_root + "/nowhere";
    const QMap<QString, std::pair<QByteArray, QString>> versions{{"older", {"3.2", "3.1"}},
                                                                 {"same", {"3.1", "3.1"}},
                                                                 {"candidate", {"3.1", "3.1rc1"}},
                                                                 {"noversion", {"", "3.1"}}};
    if (versions.contains(case_)) {
        QVERIFY(QDir(m_install).removeRecursively());
        QVERIFY(makeInstallFolder(m_install, "old", versions[case_].first));
        setup.version = versions[case_].second;
        setup.archive = makeArchive(installEntries("new", setup.version.toUtf8()));
    }
    if (case_ == "dpkg") {
        // A dpkg that owns whatever it is asked about, and notes what that was.
        QVERIFY(QDir().mkpath(m_root + "/bin"));
        QVERIFY(writeScript(m_root + "/bin/dpkg",
                            "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/asked\"\n"
                            "echo \"plumet: $2\"\n"));
        qputenv("PATH", QFile::encodeName(m_root + "/bin:") + m_path);
    }

    RecordingPresenter presenter;
    const Result result = run(setup, presenter);
    QCOMPARE(result.outcome, PUController::Outcome::Failed);
    QCOMPARE(result.failures.size(), 1);
    QCOMPARE(result.failures.first().title, QStringLiteral("Cannot install new version!"));
    QVERIFY2(result.failures.first().message.contains(says),
             qPrintable(result.failures.first().message));
    QCOMPARE(result.downloads, 0);
    QCOMPARE(result.quitRequests, 0);
    QVERIFY(QFileInfo(m_install + "/bin/plumet").isExecutable());
    if (case_ == "dpkg")
        QCOMPARE(readFile(m_root + "/bin/asked").trimmed(),
                 "-S " + QFile::encodeName(m_install) + "/bin/plumet");
}

void tst_PUController::asksWhenTheApplicationWillNotQuit_data()
{
    QTest::addColumn<bool>("proceed");
    QTest::newRow("Cancel") << false;
    QTest::newRow("Proceed after quitting by hand") << true;
}

void tst_PUController::asksWhenTheApplicationWillNotQuit()
{
    QFETCH(bool, proceed);
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("needs a session bus");
    Setup setup;
    setup.archive = makeArchive(installEntries("new"));
    setup.stubborn = true;
    RecordingPresenter presenter;
    presenter.proceed = proceed;
    const Result result = run(setup, presenter);
    QCOMPARE(result.questions, 1);
    QCOMPARE(result.quitRequests, 1);
    QVERIFY(result.failures.isEmpty());
    if (proceed) {
        QCOMPARE(result.outcome, PUController::Outcome::Installed);
        QCOMPARE(installTag(m_install), QByteArray("new"));
        QVERIFY(waitForLaunch("new"));
    } else {
        QCOMPARE(result.outcome, PUController::Outcome::Cancelled);
        QCOMPARE(installTag(m_install), QByteArray("old"));
        QCOMPARE(launched(), QByteArray());
    }
    QCOMPARE(leftovers(), QStringList());
}

QTEST_GUILESS_MAIN(tst_PUController)
#include "tst_pucontroller.moc"
