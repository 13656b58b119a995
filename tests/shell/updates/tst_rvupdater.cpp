#include "ActiveJobs.h"
#include "NotificationCenter.h"
#include "OneShotTimer.h"
#include "RVUpdater.h"
#include "SecurityPrompter.h"
#include "TestHttpServer.h"
#include "UpdatePresenter.h"
#include "UpdateSettings.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;
using Request = TestHttpServer::Request;
using namespace std::chrono_literals;

namespace {

// A clock the test turns by hand.
class FakeTimer : public OneShotTimer {
public:
    void start(std::chrono::milliseconds interval, std::function<void()> timeout) override
    {
        intervals.append(interval);
        pending = std::move(timeout);
    }
    void stop() override { pending = nullptr; }
    bool isActive() const override { return bool(pending); }
    void fire()
    {
        auto timeout = std::move(pending);
        pending = nullptr;
        timeout();
    }
    QList<std::chrono::milliseconds> intervals;
    std::function<void()> pending;
};

// The activity list as the timed check sees it.
class FakeActivity : public ActiveJobs {
public:
    bool hasActiveItems() const override { return running; }
    bool running = false;
};

class RecordingPresenter : public UpdatePresenter {
public:
    void showUpdate(const UpdateOffer& offer) override { shown.append(offer.version); }
    void hideUpdate() override { ++hides; }
    void showAlert(const QString& title, const QString& message) override
    {
        alerts.append({title, message});
    }
    void openInBrowser(const QUrl& url) override { opened.append(url); }

    QStringList shown;
    int hides = 0;
    QList<QPair<QString, QString>> alerts;
    QList<QUrl> opened;
};

// Says yes to every question, so a question asked would lower the guard.
class YesPrompter : public SecurityPrompter {
public:
    void askToTrustCertificate(const CertificateProblem&, Completion done) override
    {
        ++questions;
        done(true);
    }
    void askToFollowInsecureRedirect(const QUrl&, const QUrl&, Completion done) override
    {
        ++questions;
        done(true);
    }
    int questions = 0;
};

QByteArray feedFor(const QByteArray& version, const QByteArray& enclosure)
{
    return "<rss><channel><item><title>" + version +
           "</title><description><![CDATA[<p>Changes</p>]]></description>" + enclosure +
           "</item></channel></rss>";
}

const QByteArray goodEnclosure =
    R"(<enclosure url="https://example.org/plumet.tar.xz?x=1&amp;y=2" length="4096" sha256="00ff" signature="c2ln"/>)";

} // namespace

class tst_RVUpdater : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void timedChecksWaitForRunningJobs();
    void timedChecksFollowThePreference();
    void checkOutcomes_data();
    void checkOutcomes();
    void failedCheckSaysWhy_data();
    void failedCheckSaysWhy();
    void withoutFeedTheMenuPointsToThePackageManager();
    void refusesAPlainHttpFeed();
    void feedCallNeverAsks_data();
    void feedCallNeverAsks();
    void handsOverToTheUpdater();
    void refusesASecondUpdaterOrAnUnsignedOffer_data();
    void refusesASecondUpdaterOrAnUnsignedOffer();
    void downloadOpensTheBrowser();
    void downloadOpensOnlySecureAddresses_data();
    void downloadOpensOnlySecureAddresses();
    void handOverSurvivesTheCommandLine();
    void installsOnlyWhereTheUpdaterCan();
    void cleansUpAtQuit();

private:
    std::unique_ptr<RVUpdater> makeUpdater();
    static bool waitForAnswer(const RVUpdater& updater);

    TestHttpServer m_server;
    QByteArray m_feed;
    int m_status = 200;
    QString m_feedAddress;
    bool m_versionCheck = true;
    FakeTimer* m_timer = nullptr;
    RecordingPresenter m_presenter;
    QList<UpdateHandOver> m_launched;
    bool m_launchWorks = true;
    bool m_updaterRunning = false;
    QTemporaryDir m_programs;
};

void tst_RVUpdater::initTestCase()
{
    QVERIFY(m_server.listenTlsSelfSigned());
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(m_server.certificate());
    QSslConfiguration::setDefaultConfiguration(trusting);
    QVERIFY(QDir().mkpath(m_programs.filePath(QStringLiteral("bin"))));
}

void tst_RVUpdater::init()
{
    m_server.setHandler([this](const Request&) {
        Response response = Response::ok(m_feed, "application/rss+xml");
        response.status = m_status;
        return response;
    });
    m_feed = feedFor("3.1", goodEnclosure);
    m_status = 200;
    m_feedAddress = m_server.url(QStringLiteral("/updates/plumet.xml")).toString();
    m_versionCheck = true;
    m_presenter = RecordingPresenter();
    m_launched.clear();
    m_launchWorks = true;
    m_updaterRunning = false;
}

void tst_RVUpdater::cleanup()
{
    ActiveJobs::setSharedInstance(nullptr);
}

std::unique_ptr<RVUpdater> tst_RVUpdater::makeUpdater()
{
    RVUpdater::Environment environment;
    environment.currentVersion = QStringLiteral("3.0");
    environment.feedAddress = [this] { return m_feedAddress; };
    environment.versionCheck = [this] { return m_versionCheck; };
    auto timer = std::make_unique<FakeTimer>();
    m_timer = timer.get();
    environment.timer = std::move(timer);
    environment.programFolder = m_programs.filePath(QStringLiteral("bin"));
    environment.launch = [this](const QString&, const UpdateHandOver& handOver) {
        m_launched.append(handOver);
        return m_launchWorks;
    };
    environment.isUpdaterRunning = [this] { return m_updaterRunning; };
    environment.canInstall = [] { return true; };
    auto updater = std::make_unique<RVUpdater>(std::move(environment));
    updater->setPresenter(&m_presenter);
    return updater;
}

bool tst_RVUpdater::waitForAnswer(const RVUpdater& updater)
{
    return QTest::qWaitFor([&] { return !updater.isChecking(); }, 15000);
}

void tst_RVUpdater::timedChecksWaitForRunningJobs()
{
    auto updater = makeUpdater();
    FakeActivity activity;
    activity.running = true;
    ActiveJobs::setSharedInstance(&activity);

    updater->handlePeriodicCheck();
    updater->handlePeriodicCheck(); // a pending check is not pushed back
    QCOMPARE(m_timer->intervals, QList<std::chrono::milliseconds>{60s});

    const int before = int(m_server.requests().size());
    m_timer->fire();
    m_timer->fire();
    // Jobs run: postponed by a minute, again and again, without a look at the feed.
    QCOMPARE(m_timer->intervals, (QList<std::chrono::milliseconds>{60s, 60s, 60s}));
    QCOMPARE(int(m_server.requests().size()), before);

    activity.running = false;
    m_timer->fire();
    QCOMPARE(m_timer->intervals.last(), std::chrono::milliseconds(6h));
    QVERIFY(m_timer->isActive());
    QVERIFY(updater->isChecking());
    QVERIFY(waitForAnswer(*updater));
    // A quiet check that finds an update shows it.
    QVERIFY(QTest::qWaitFor([&] { return !m_presenter.shown.isEmpty(); }, 5000));
    QCOMPARE(m_presenter.shown, QStringList{QStringLiteral("3.1")});
    QVERIFY(m_presenter.alerts.isEmpty());
}

void tst_RVUpdater::timedChecksFollowThePreference()
{
    auto updater = makeUpdater();
    updater->handlePeriodicCheck();
    QVERIFY(updater->isCheckPending());

    // Turned off in the Settings window, read again when it closes.
    m_versionCheck = false;
    NotificationCenter::sharedInstance().post(QStringLiteral("preferencesClosed"));
    QVERIFY(!updater->isCheckPending());

    // Turned on (and off) with the General window's switch, at once.
    m_versionCheck = true;
    NotificationCenter::sharedInstance().post(QStringLiteral("versionCheck"));
    QVERIFY(updater->isCheckPending());
    m_versionCheck = false;
    NotificationCenter::sharedInstance().post(QStringLiteral("versionCheck"));
    QVERIFY(!updater->isCheckPending());
    // Or written without a notification, as Factory Settings does.
    m_versionCheck = true;
    UserDefaults::sharedInstance().setValue(QStringLiteral("versionCheck"), 1);
    QVERIFY(updater->isCheckPending());

    m_versionCheck = true;
    m_feedAddress.clear();
    updater->handlePeriodicCheck();
    QVERIFY(!updater->isCheckPending());
}

void tst_RVUpdater::checkOutcomes_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QByteArray>("feed");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shows");

    const QByteArray newer = feedFor("3.1", goodEnclosure);
    const QByteArray same = feedFor("3.0", goodEnclosure);
    const QByteArray downgrade = feedFor("2.9", goodEnclosure);
    QTest::newRow("loud, newer") << false << newer << 200 << "window";
    QTest::newRow("quiet, newer") << true << newer << 200 << "window";
    QTest::newRow("loud, same") << false << same << 200 << "No update available!";
    QTest::newRow("quiet, same") << true << same << 200 << "";
    QTest::newRow("loud, older") << false << downgrade << 200 << "No update available!";
    QTest::newRow("loud, no item")
        << false << QByteArray("<rss/>") << 200 << "No update available!";
    QTest::newRow("loud, server error") << false << newer << 500 << "Cannot check for updates!";
    QTest::newRow("quiet, server error") << true << newer << 500 << "";
    QTest::newRow("loud, missing feed") << false << newer << 404 << "Cannot check for updates!";
}

void tst_RVUpdater::checkOutcomes()
{
    QFETCH(bool, quiet);
    QFETCH(QByteArray, feed);
    QFETCH(int, status);
    QFETCH(QString, shows);
    m_feed = feed;
    m_status = status;
    auto updater = makeUpdater();
    updater->checkNow(quiet);
    QVERIFY(updater->isChecking());
    QVERIFY(waitForAnswer(*updater));
    if (shows == QLatin1String("window")) {
        QCOMPARE(m_presenter.shown, QStringList{QStringLiteral("3.1")});
        QCOMPARE(updater->versionString(), QStringLiteral("3.1"));
        QCOMPARE(updater->changesList(), QStringLiteral("<p>Changes</p>"));
        QCOMPARE(updater->fileSize(), QStringLiteral("4096"));
        QVERIFY(m_presenter.alerts.isEmpty());
    } else if (shows.isEmpty()) {
        QVERIFY(m_presenter.shown.isEmpty());
        QVERIFY(m_presenter.alerts.isEmpty());
    } else {
        QVERIFY(m_presenter.shown.isEmpty());
        QCOMPARE(m_presenter.alerts.size(), 1);
        QCOMPARE(m_presenter.alerts.first().first, shows);
        if (status != 200)
            QVERIFY(m_presenter.alerts.first().second.contains(QString::number(status)));
    }
}

void tst_RVUpdater::failedCheckSaysWhy_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::newRow("asked for") << false;
    QTest::newRow("timed") << true;
}

void tst_RVUpdater::failedCheckSaysWhy()
{
    QFETCH(bool, quiet);
    {
        // Nothing listens there any more: the connection is refused.
        TestHttpServer gone;
        QVERIFY(gone.listen());
        m_feedAddress = QStringLiteral("https://127.0.0.1:%1/updates/plumet.xml").arg(gone.port());
    }
    auto updater = makeUpdater();
    updater->checkNow(quiet);
    QVERIFY(waitForAnswer(*updater));
    QVERIFY(m_presenter.shown.isEmpty());
    if (quiet) {
        QVERIFY(m_presenter.alerts.isEmpty());
        return;
    }
    QCOMPARE(m_presenter.alerts.size(), 1);
    QCOMPARE(m_presenter.alerts.first().first, QStringLiteral("Cannot check for updates!"));
    QVERIFY(!m_presenter.alerts.first().second.isEmpty());
}

void tst_RVUpdater::withoutFeedTheMenuPointsToThePackageManager()
{
    m_feedAddress.clear();
    auto updater = makeUpdater();
    const int before = int(m_server.requests().size());
    updater->checkNow(true);
    QVERIFY(m_presenter.alerts.isEmpty());
    updater->checkNow(false);
    QCOMPARE(m_presenter.alerts.size(), 1);
    QVERIFY(m_presenter.alerts.first().first.contains(QLatin1String("package manager")));
    QCOMPARE(int(m_server.requests().size()), before);
}

void tst_RVUpdater::refusesAPlainHttpFeed()
{
    TestHttpServer plain;
    QVERIFY(plain.listen());
    m_feedAddress = plain.url(QStringLiteral("/updates/plumet.xml")).toString();
    auto updater = makeUpdater();
    updater->checkNow(false);
    QCOMPARE(m_presenter.alerts.size(), 1);
    QCOMPARE(m_presenter.alerts.first().first, QStringLiteral("Cannot check for updates!"));
    QVERIFY(m_presenter.alerts.first().second.contains(QLatin1String("https")));
    QTest::qWait(100);
    QVERIFY(plain.requests().isEmpty());
}

void tst_RVUpdater::feedCallNeverAsks_data()
{
    QTest::addColumn<QString>("case_");
    QTest::addColumn<bool>("quiet");
    QTest::newRow("redirect to http, asked for") << "redirect" << false;
    QTest::newRow("redirect to http, timed") << "redirect" << true;
    QTest::newRow("untrusted certificate, asked for") << "certificate" << false;
    QTest::newRow("untrusted certificate, timed") << "certificate" << true;
}

// The feed names what the update window shows and where "Download" leads: a
// downgrade or an unknown certificate is refused without a question, which a
// timed check would otherwise pop up.
void tst_RVUpdater::feedCallNeverAsks()
{
    QFETCH(QString, case_);
    QFETCH(bool, quiet);
    YesPrompter prompter;
    SecurityPrompter::setSharedInstance(&prompter);
    TestHttpServer plain;
    QVERIFY(plain.listen());
    plain.setHandler([this](const Request&) { return Response::ok(m_feed); });
    TestHttpServer stranger;
    QVERIFY(stranger.listenTlsSelfSigned());
    stranger.setHandler([this](const Request&) { return Response::ok(m_feed); });
    if (case_ == "redirect") {
        m_server.setHandler([&plain](const Request&) {
            return Response::redirect(302, plain.url(QStringLiteral("/plumet.xml")).toEncoded());
        });
    } else {
        m_feedAddress = stranger.url(QStringLiteral("/plumet.xml")).toString();
    }

    auto updater = makeUpdater();
    updater->checkNow(quiet);
    QVERIFY(waitForAnswer(*updater));
    m_server.setHandler({});
    SecurityPrompter::setSharedInstance(nullptr);

    QCOMPARE(prompter.questions, 0);
    QVERIFY(plain.requests().isEmpty());
    QVERIFY(m_presenter.shown.isEmpty());
    QVERIFY(updater->versionString().isEmpty());
    if (quiet) {
        QVERIFY(m_presenter.alerts.isEmpty());
        return;
    }
    QCOMPARE(m_presenter.alerts.size(), 1);
    QCOMPARE(m_presenter.alerts.first().first, QStringLiteral("Cannot check for updates!"));
    QVERIFY(!m_presenter.alerts.first().second.isEmpty());
}

void tst_RVUpdater::handsOverToTheUpdater()
{
    auto updater = makeUpdater();
    updater->checkNow(false);
    QVERIFY(waitForAnswer(*updater));
    QVERIFY(QTest::qWaitFor([&] { return !m_presenter.shown.isEmpty(); }, 5000));

    updater->downloadAndInstall();
    QCOMPARE(m_launched.size(), 1);
    const UpdateHandOver& handOver = m_launched.first();
    QCOMPARE(handOver.archiveUrl,
             QUrl(QStringLiteral("https://example.org/plumet.tar.xz?x=1&y=2")));
    QCOMPARE(handOver.version, QStringLiteral("3.1"));
    QCOMPARE(handOver.sha256, QByteArray("00ff"));
    QCOMPARE(handOver.signature, QByteArray("c2ln"));
    // The updater stops the download at the feed's length.
    QCOMPARE(handOver.length, qint64(4096));
    QCOMPARE(handOver.installFolder, QFileInfo(m_programs.path()).canonicalFilePath());
    QVERIFY(m_presenter.alerts.isEmpty());
    QCOMPARE(m_presenter.hides, 1);
}

void tst_RVUpdater::refusesASecondUpdaterOrAnUnsignedOffer_data()
{
    QTest::addColumn<QString>("case_");
    QTest::addColumn<QString>("alert");
    QTest::newRow("updater already running") << "running"
                                             << "The updater app is already running!";
    QTest::newRow("offer without signature") << "unsigned"
                                             << "Self-update failed!";
    QTest::newRow("updater does not start") << "nostart"
                                            << "Self-update failed!";
    // The updater downloads only https; the application does not start it
    // for an address it would refuse.
    QTest::newRow("plain http archive") << "http"
                                        << "Self-update failed!";
    QTest::newRow("relative archive address") << "relative"
                                              << "Self-update failed!";
}

void tst_RVUpdater::refusesASecondUpdaterOrAnUnsignedOffer()
{
    QFETCH(QString, case_);
    QFETCH(QString, alert);
    if (case_ == "unsigned")
        m_feed = feedFor("3.1", R"(<enclosure url="https://example.org/p.tar.xz" length="1"/>)");
    if (case_ == "http")
        m_feed = feedFor(
            "3.1",
            R"(<enclosure url="http://example.org/p.tar.xz" length="1" sha256="00" signature="c2ln"/>)");
    if (case_ == "relative")
        m_feed = feedFor(
            "3.1", R"(<enclosure url="p.tar.xz##x" length="1" sha256="00" signature="c2ln"/>)");
    m_updaterRunning = case_ == "running";
    m_launchWorks = case_ != "nostart";
    auto updater = makeUpdater();
    updater->checkNow(false);
    QVERIFY(waitForAnswer(*updater));
    QVERIFY(QTest::qWaitFor([&] { return !m_presenter.shown.isEmpty(); }, 5000));

    updater->downloadAndInstall();
    QCOMPARE(m_presenter.alerts.size(), 1);
    QCOMPARE(m_presenter.alerts.first().first, alert);
    QCOMPARE(m_launched.size(), case_ == "nostart" ? 1 : 0);
}

void tst_RVUpdater::downloadOpensTheBrowser()
{
    auto updater = makeUpdater();
    updater->checkNow(false);
    QVERIFY(waitForAnswer(*updater));
    QVERIFY(QTest::qWaitFor([&] { return !m_presenter.shown.isEmpty(); }, 5000));
    updater->download();
    QCOMPARE(m_presenter.opened,
             QList<QUrl>{QUrl(QStringLiteral("https://example.org/plumet.tar.xz?x=1&y=2"))});
    QCOMPARE(m_presenter.hides, 1);
}

void tst_RVUpdater::downloadOpensOnlySecureAddresses_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << QByteArray("https://example.org/plumet.tar.xz") << true;
    QTest::newRow("http") << QByteArray("http://example.org/plumet.tar.xz") << false;
    QTest::newRow("local file") << QByteArray("file:///home/user/.bashrc") << false;
    QTest::newRow("script") << QByteArray("javascript:alert(1)") << false;
    QTest::newRow("another program's scheme") << QByteArray("steam://run/1") << false;
    QTest::newRow("no host") << QByteArray("https:///plumet.tar.xz") << false;
}

void tst_RVUpdater::downloadOpensOnlySecureAddresses()
{
    QFETCH(QByteArray, address);
    QFETCH(bool, opened);
    m_feed = feedFor("3.1", R"(<enclosure url=")" + address + R"(" length="1"/>)");
    auto updater = makeUpdater();
    updater->checkNow(false);
    QVERIFY(waitForAnswer(*updater));
    QVERIFY(QTest::qWaitFor([&] { return !m_presenter.shown.isEmpty(); }, 5000));
    updater->download();
    QCOMPARE(m_presenter.opened.size(), opened ? 1 : 0);
    QCOMPARE(m_presenter.alerts.size(), opened ? 0 : 1);
    if (!opened)
        QCOMPARE(m_presenter.alerts.first().first, QStringLiteral("Cannot download the update!"));
    QCOMPARE(m_presenter.hides, 1);
}

void tst_RVUpdater::handOverSurvivesTheCommandLine()
{
    UpdateHandOver handOver;
    handOver.archiveUrl = QUrl(QStringLiteral("https://example.org/a b/plumet.tar.xz?x=1&y=2"));
    handOver.version = QStringLiteral("3.1 beta 2");
    handOver.sha256 = "00ff";
    handOver.signature = "c2ln+/==";
    handOver.installFolder = QStringLiteral("/opt/plumet with space");
    handOver.length = 123456789012;
    handOver.privateCopy = true;
    QString error;
    std::optional<UpdateHandOver> back = UpdateHandOver::fromArguments(
        QStringList{QStringLiteral("plumetUpdater")} + handOver.toArguments(), &error);
    QVERIFY2(back, qPrintable(error));
    QCOMPARE(back->archiveUrl, handOver.archiveUrl);
    QCOMPARE(back->version, handOver.version);
    QCOMPARE(back->sha256, handOver.sha256);
    QCOMPARE(back->signature, handOver.signature);
    QCOMPARE(back->installFolder, handOver.installFolder);
    QCOMPARE(back->length, handOver.length);
    QVERIFY(back->privateCopy);
    // A length that is no number of bytes is refused, not read as "none".
    QVERIFY(!UpdateHandOver::fromArguments(QStringList{QStringLiteral("plumetUpdater")} +
                                               handOver.toArguments() +
                                               QStringList{"--length", "-1"},
                                           &error));

    QVERIFY(!UpdateHandOver::fromArguments({QStringLiteral("plumetUpdater")}, &error));
    QVERIFY(error.contains(QLatin1String("--url")));

    // Stray delimiters in an offered address read back as the same address.
    for (const QString& offered : {QStringLiteral("https://example.org/a#x##y"),
                                   QStringLiteral("https://example.org/p%20q.tar.xz?a=#"),
                                   QStringLiteral("https://EXAMPLE.org:0443/p.tar.xz")}) {
        handOver.archiveUrl = UpdateHandOver::archiveAddress(offered);
        QVERIFY2(handOver.archiveUrl.isValid(), qPrintable(offered));
        QVERIFY(!handOver.archiveUrl.hasFragment());
        back = UpdateHandOver::fromArguments(
            QStringList{QStringLiteral("plumetUpdater")} + handOver.toArguments(), &error);
        QVERIFY2(back, qPrintable(error));
        QCOMPARE(back->archiveUrl, handOver.archiveUrl);
    }
}

// "Download and Install" needs the update key in the build and a
// self-contained installation around the program; a build tree or a
// package-managed copy has no marker.
void tst_RVUpdater::installsOnlyWhereTheUpdaterCan()
{
    QTemporaryDir folder;
    const QString install = QFileInfo(folder.path()).canonicalFilePath() + "/plumet";
    QVERIFY(QDir().mkpath(install + "/bin"));
    QFile program(install + "/bin/plumet");
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.close();
    QVERIFY(program.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    auto canInstall = [&] {
        RVUpdater::Environment environment;
        environment.feedAddress = [] { return QString(); };
        environment.programFolder = install + "/bin";
        environment.launch = [](const QString&, const UpdateHandOver&) { return true; };
        return RVUpdater(std::move(environment)).canInstall();
    };
    QVERIFY(!canInstall());
    QFile marker(install + "/plumet-self-contained");
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.close();
    QCOMPARE(canInstall(), UpdateSettings::hasUpdateKey());

    // Refused even when asked (a window left open from before).
    m_feed = feedFor("3.1", goodEnclosure);
    RVUpdater::Environment environment;
    environment.currentVersion = QStringLiteral("3.0");
    environment.feedAddress = [this] { return m_feedAddress; };
    environment.canInstall = [] { return false; };
    environment.launch = [this](const QString&, const UpdateHandOver& handOver) {
        m_launched.append(handOver);
        return true;
    };
    RVUpdater updater(std::move(environment));
    updater.setPresenter(&m_presenter);
    updater.checkNow(false);
    QVERIFY(waitForAnswer(updater));
    updater.downloadAndInstall();
    QVERIFY(m_launched.isEmpty());
    updater.setPresenter(nullptr);
}

void tst_RVUpdater::cleansUpAtQuit()
{
    auto updater = makeUpdater();
    updater->handlePeriodicCheck();
    updater->checkNow(false);
    QVERIFY(waitForAnswer(*updater));
    QVERIFY(QTest::qWaitFor([&] { return !updater->versionString().isEmpty(); }, 5000));

    NotificationCenter::sharedInstance().post(QStringLiteral("goingToQuitNotification"));
    QVERIFY(!updater->isCheckPending());
    QCOMPARE(m_presenter.hides, 1);
    QVERIFY(updater->versionString().isEmpty());
    QVERIFY(updater->changesList().isEmpty());
    // No longer listening.
    NotificationCenter::sharedInstance().post(QStringLiteral("preferencesClosed"));
    QVERIFY(!updater->isCheckPending());
}

QTEST_GUILESS_MAIN(tst_RVUpdater)
#include "tst_rvupdater.moc"
