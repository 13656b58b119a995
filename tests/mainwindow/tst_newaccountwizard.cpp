#include "Account.h"
#include "AccountController.h"
#include "AccountSheet.h"
#include "AccountsWindow.h"
#include "BlogSystems.h"
#include "CertificateTrustStore.h"
#include "JobRoads.h"
#include "KeyChain.h"
#include "NewAccountWizard.h"
#include "PluginManager.h"
#include "ScreenshotSaver.h"
#include "TestHttpServer.h"
#include "TestSecretService.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace plumet::test;

// The wizard's discovery over loopback HTTP: real page fetches, the page and
// RSD parsers, and the sheet's pages as the user steps through them.
namespace {

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;

QByteArray homePage(const QByteArray& editUri)
{
    return "<!DOCTYPE html><html><head><title>Blog</title>"
           "<link rel=\"stylesheet\" href=\"/style.css\">" +
           (editUri.isEmpty() ? QByteArray()
                              : "<link rel=\"editURI\" type=\"application/rsd+xml\" "
                                "title=\"RSD\" href=\"" +
                                    editUri + "\">") +
           "</head><body>Hello</body></html>";
}

QByteArray rsd(const QByteArray& apis)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<rsd version=\"1.0\" xmlns=\"http://archipelago.phrasewise.com/rsd\"><service>"
           "<engineName>Blog</engineName><apis>" +
           apis + "</apis></service></rsd>";
}

QByteArray api(const char* name, const char* preferred, const QByteArray& link)
{
    QByteArray text = QByteArray("<api name=\"") + name + "\" blogID=\"1\"";
    if (preferred)
        text += QByteArray(" preferred=\"") + preferred + "\"";
    return text + " apiLink=\"" + link + "\"/>";
}

// One server that answers paths from a table; anything else is a 404.
struct Site {
    TestHttpServer server;
    QHash<QByteArray, Response> pages;

    bool start(bool tls = false)
    {
        server.setHandler([this](const TestHttpServer::Request& request) {
            return pages.value(request.target, Response::withStatus(404, "missing"));
        });
        return tls ? server.listenTlsSelfSigned() : server.listen();
    }
    QByteArray address(const char* path) const
    {
        return server.url(QLatin1String(path)).toEncoded();
    }
};

// A label's address as the user reads it (the sheet lets it break after slashes).
QString shownAddress(const QLabel* label)
{
    return label->text().remove(QChar(0x200B));
}

QString stored(const QString& url, const QString& user)
{
    // Once every keychain call asked for has ended.
    QTest::qWaitFor([] { return KeyChain::sharedInstance().pendingCalls() == 0; }, 15000);
    return KeyChain::sharedInstance().genericPassword(QStringLiteral("plumet : %1").arg(url), user);
}

} // namespace

class tst_NewAccountWizard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void discoveryFindsTheAccessPoint_data();
    void discoveryFindsTheAccessPoint();
    void relativeEditUriResolvesAgainstTheRedirectedPage();
    void pageWithoutEditUriAsksForTheAccessPoint();
    void accessPointOnAnotherHostWarns();
    void failuresShowTheErrorPage_data();
    void failuresShowTheErrorPage();
    void fixedAccessPointSkipsDiscovery();
    void cancelDuringAFetchEndsTheSheet();
    void addressWithoutSchemeTriesHttpsThenHttp_data();
    void addressWithoutSchemeTriesHttpsThenHttp();
    void addressWithoutSchemeReachesAnHttpsBlog();
    void plainHttpFallBackIsSaidBeforeThePasswordGoes();
    void plainHttpFallBackWithoutEditUriIsSaidToo();
    void hopelessAddressShowsTheErrorPage_data();
    void hopelessAddressShowsTheErrorPage();
    void newAccountJoinsTheListOnlyWhenItsRefreshSucceeds();

private:
    void startWizard(int system, const QString& address);
    void next() { sheet->button(AccountSheet::FirstButton)->click(); }
    bool waitForPage(AccountSheet::Page page)
    {
        return QTest::qWaitFor([&] { return sheet->currentPage() == page; }, 15000);
    }

    plumet::test::TestKeyring keyring;
    std::unique_ptr<QMainWindow> window;
    AccountSheet* sheet = nullptr;
    NewAccountWizard* wizard = nullptr;
    std::unique_ptr<Site> site;
};

void tst_NewAccountWizard::initTestCase()
{
    QString error;
    QVERIFY2(keyring.start(&error), qPrintable(error));
    JobRoads::install();
    // The shipped blog systems: their names on the pages, their requests on the wire.
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    QVERIFY(drivers.pluginForKey(QStringLiteral("Wordpress")));
}

void tst_NewAccountWizard::init()
{
    window = std::make_unique<QMainWindow>();
    window->resize(640, 420);
    window->show();
    sheet = new AccountSheet(window.get());
    wizard = new NewAccountWizard(*sheet, BlogSystems::fromResource(), window.get());
    site = std::make_unique<Site>();
    QVERIFY(site->start());
}

void tst_NewAccountWizard::cleanup()
{
    site.reset();
    window.reset();
}

void tst_NewAccountWizard::startWizard(int system, const QString& address)
{
    wizard->start();
    QVERIFY(sheet->isVisible());
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Address);
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("Next"));
    QCOMPARE(sheet->button(AccountSheet::SecondButton)->text(), QStringLiteral("Cancel"));
    sheet->configPopup()->setCurrentIndex(system < wizard->systems().count() ? system : system + 1);
    emit sheet->configPopup()->activated(sheet->configPopup()->currentIndex());
    QCOMPARE(wizard->selectedSystem(), system);
    QTest::keyClicks(sheet->addressField(), address);
}

void tst_NewAccountWizard::discoveryFindsTheAccessPoint_data()
{
    QTest::addColumn<int>("system");
    QTest::addColumn<QByteArray>("apis");
    QTest::addColumn<QString>("accessPoint");
    QTest::addColumn<QString>("pluginKey");
    QTest::addColumn<QString>("systemName");
    const int other = BlogSystems::fromResource().count();
    QTest::newRow("WordPress row: its plug-in wins")
        << 0 << api("WordPress", "true", "/blog/xmlrpc.php") + api("Movable Type", "false", "/x")
        << "/blog/xmlrpc.php"
        << "Wordpress"
        << "WordPress";
    QTest::newRow("Other: the API's name chooses")
        << other << api("MovableType", "false", "/no") + api("Movable Type", nullptr, "/mt.cgi")
        << "/mt.cgi"
        << "MovableType"
        << "Movable Type";
    QTest::newRow("Other: TRUE in capitals") << other << api("MetaWeblog", "TRUE", "/mw") << "/mw"
                                             << "MetaWeblog"
                                             << "MetaWeblog";
    QTest::newRow("Other: an Atom API") << other << api("Atom", "true", "/atom") << "/atom"
                                        << "Atom 1.0"
                                        << "Atom";
    QTest::newRow("Movable Type row whatever the document names")
        << 2 << api("Atom", "true", "/atom") << "/atom"
        << "MovableType"
        << "Movable Type";
}

void tst_NewAccountWizard::discoveryFindsTheAccessPoint()
{
    QFETCH(int, system);
    QFETCH(QByteArray, apis);
    QFETCH(QString, accessPoint);
    QFETCH(QString, pluginKey);
    QFETCH(QString, systemName);
    // A relative EditURI on a server with a port: the port stays.
    site->pages.insert("/blog/", Response::ok(homePage("xmlrpc.php?rsd"), "text/html"));
    site->pages.insert("/blog/xmlrpc.php?rsd", Response::ok(rsd(apis), "text/xml"));
    startWizard(system, site->server.url(QStringLiteral("/blog/")).toString());
    saveScreenshot(sheet, QStringLiteral("wizard-address"));
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Progress);
    QCOMPARE(sheet->statusField()->text(), QStringLiteral("Finding access point..."));
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("Cancel"));
    saveScreenshot(sheet, QStringLiteral("wizard-progress"));
    QVERIFY(waitForPage(AccountSheet::Page::Authentication));
    QCOMPARE(wizard->dummy().url(), site->server.url(accessPoint).toString());
    QCOMPARE(wizard->dummy().pluginKey(), pluginKey);
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("Save"));
    QCOMPARE(site->server.requests().size(), 2);
    QCOMPARE(site->server.requests().at(1).target, QByteArray("/blog/xmlrpc.php?rsd"));
    // What was found, said before the login is asked for.
    QCOMPARE(sheet->foundHeadingField()->text(), QStringLiteral("plumet found your blog:"));
    QCOMPARE(sheet->foundSystemField()->text(), systemName);
    QCOMPARE(shownAddress(sheet->foundAccessPointField()),
             site->server.url(accessPoint).toString());
    QVERIFY(sheet->foundAccessPointField()->isVisible());
    QCOMPARE(QApplication::focusWidget(), sheet->userField());
    saveScreenshot(sheet, QStringLiteral("wizard-authentication"));
}

void tst_NewAccountWizard::relativeEditUriResolvesAgainstTheRedirectedPage()
{
    site->pages.insert("/", Response::redirect(301, site->address("/blog/")));
    site->pages.insert("/blog/", Response::ok(homePage("../rsd/here.xml"), "text/html"));
    site->pages.insert("/rsd/here.xml", Response::ok(rsd(api("MetaWeblog", "yes", "api.php"))));
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(waitForPage(AccountSheet::Page::Authentication));
    // The API link is relative too: against the RSD document's own address.
    QCOMPARE(wizard->dummy().url(), site->server.url(QStringLiteral("/rsd/api.php")).toString());
}

void tst_NewAccountWizard::pageWithoutEditUriAsksForTheAccessPoint()
{
    site->pages.insert("/", Response::ok(homePage({}), "text/html"));
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(waitForPage(AccountSheet::Page::AccessPoint));
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("Next"));
    saveScreenshot(sheet, QStringLiteral("wizard-access-point"));
    sheet->accessPointField()->setText(site->server.url(QStringLiteral("/xmlrpc.php")).toString());
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Authentication);
    QCOMPARE(wizard->dummy().url(), site->server.url(QStringLiteral("/xmlrpc.php")).toString());
    // Typed, not found: said as the user's own, with the system the dummy has.
    QCOMPARE(sheet->foundHeadingField()->text(), QStringLiteral("Your blog:"));
    QCOMPARE(shownAddress(sheet->foundAccessPointField()),
             site->server.url(QStringLiteral("/xmlrpc.php")).toString());

    // Ten characters are enough to go on with.
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(waitForPage(AccountSheet::Page::AccessPoint));
    sheet->accessPointField()->setText(QStringLiteral("http://ab/"));
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Authentication);

    // Nine characters or fewer can be no access point: the error page says
    // so (the wizard used to end without a word), and its OK ends the wizard.
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(waitForPage(AccountSheet::Page::AccessPoint));
    QSignalSpy ended(sheet, &AccountSheet::ended);
    sheet->accessPointField()->setText(QStringLiteral(" http://a/ "));
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Error);
    QVERIFY(sheet->isVisible());
    QVERIFY(ended.isEmpty());
    QCOMPARE(sheet->errorField()->text(),
             QStringLiteral("\"http://a/\" is not the address of an access point. Type the "
                            "address your blog's server answers at, such as "
                            "https://example.com/xmlrpc.php"));
    saveScreenshot(sheet, QStringLiteral("wizard-short-access-point"));
    next();
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.at(0).at(0).toInt(), -2);
    QVERIFY(!sheet->isVisible());
}

void tst_NewAccountWizard::accessPointOnAnotherHostWarns()
{
    // The page names an access point on another host: the password would go there.
    site->pages.insert("/", Response::ok(homePage("/rsd.xml"), "text/html"));
    site->pages.insert("/rsd.xml", Response::ok(rsd(api("MetaWeblog", "true",
                                                        "http://collector.example/xmlrpc.php"))));
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(waitForPage(AccountSheet::Page::Warning));
    QVERIFY(sheet->warningField()->text().contains(QStringLiteral("collector.example")));
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("Change Address"));
    QCOMPARE(sheet->button(AccountSheet::SecondButton)->text(), QStringLiteral("Use Anyway"));
    saveScreenshot(sheet, QStringLiteral("wizard-warning"));

    // Changing it leads to the access-point page, holding the found address.
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::AccessPoint);
    QCOMPARE(sheet->accessPointField()->text(),
             QStringLiteral("http://collector.example/xmlrpc.php"));

    // Using it anyway goes on to the login.
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(waitForPage(AccountSheet::Page::Warning));
    sheet->button(AccountSheet::SecondButton)->click();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Authentication);
    QCOMPARE(wizard->dummy().url(), QStringLiteral("http://collector.example/xmlrpc.php"));
}

void tst_NewAccountWizard::failuresShowTheErrorPage_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("message");
    QTest::newRow("no page") << QByteArray() << QByteArray()
                             << "The provided web address does not exist.";
    QTest::newRow("document not RSD")
        << homePage("/rsd.xml") << QByteArray("<html>no</html>") << "";
}

void tst_NewAccountWizard::failuresShowTheErrorPage()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, document);
    QFETCH(QString, message);
    if (!page.isEmpty())
        site->pages.insert("/", Response::ok(page, "text/html"));
    if (!document.isEmpty())
        site->pages.insert("/rsd.xml", Response::ok(document));
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(waitForPage(AccountSheet::Page::Error));
    QVERIFY(!sheet->errorField()->text().isEmpty());
    QVERIFY2(sheet->errorField()->text().contains(message),
             qPrintable(sheet->errorField()->text()));
    QCOMPARE(wizard->errorMessage(), sheet->errorField()->text());
    QCOMPARE(sheet->button(AccountSheet::FirstButton)->text(), QStringLiteral("OK"));
    QVERIFY(sheet->button(AccountSheet::SecondButton)->isHidden());
    saveScreenshot(sheet, QStringLiteral("wizard-error"));
    next();
    QVERIFY(!sheet->isVisible());
}

void tst_NewAccountWizard::fixedAccessPointSkipsDiscovery()
{
    int fixed = -1;
    for (int row = 0; row < wizard->systems().count(); ++row)
        if (wizard->systems().row(row)->config.isValid())
            fixed = row;
    QVERIFY(fixed >= 0);
    startWizard(fixed, QString());
    QVERIFY(sheet->button(AccountSheet::FirstButton)->isEnabled());
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Authentication);
    QCOMPARE(wizard->dummy().url(), wizard->systems().row(fixed)->url);
    QCOMPARE(wizard->dummy().pluginKey(), wizard->systems().row(fixed)->plugin);
    QCOMPARE(sheet->foundHeadingField()->text(), QStringLiteral("Your blog:"));
    QCOMPARE(sheet->foundSystemField()->text(), QStringLiteral("TypePad"));
    QCOMPARE(shownAddress(sheet->foundAccessPointField()), wizard->systems().row(fixed)->url);
    QVERIFY(site->server.requests().isEmpty());
}

void tst_NewAccountWizard::cancelDuringAFetchEndsTheSheet()
{
    site->pages.insert("/", Response::timeOut());
    startWizard(wizard->systems().count(), site->server.url().toString());
    next();
    QVERIFY(QTest::qWaitFor([&] { return !site->server.requests().isEmpty(); }, 5000));
    QSignalSpy ended(sheet, &AccountSheet::ended);
    sheet->button(AccountSheet::FirstButton)->click();
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.at(0).at(0).toInt(), -2);
    QVERIFY(!sheet->isVisible());
    QVERIFY(!wizard->isRunning());
}

void tst_NewAccountWizard::addressWithoutSchemeTriesHttpsThenHttp_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("httpsAnswers");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("host only, https answers")
        << "myblog.example.com" << true << QStringList{"https://myblog.example.com"};
    QTest::newRow("host only, no https")
        << "myblog.example.com" << false
        << QStringList{"https://myblog.example.com", "http://myblog.example.com"};
    QTest::newRow("host and path")
        << "myblog.example.com/blog/" << false
        << QStringList{"https://myblog.example.com/blog/", "http://myblog.example.com/blog/"};
    QTest::newRow("host, port and path")
        << "host.example:8080/path" << false
        << QStringList{"https://host.example:8080/path", "http://host.example:8080/path"};
    QTest::newRow("typed https: no second try")
        << "https://secure.example/" << false << QStringList{"https://secure.example/"};
}

void tst_NewAccountWizard::addressWithoutSchemeTriesHttpsThenHttp()
{
    QFETCH(QString, typed);
    QFETCH(bool, httpsAnswers);
    QFETCH(QStringList, asked);
    QStringList fetched;
    wizard->setPageFetch([&](Account&, const QString& address, QObject* context,
                             NewAccountWizard::PageFetched done) {
        fetched << address;
        const bool answers = httpsAnswers || address.startsWith(QLatin1String("http:"));
        QTimer::singleShot(0, context, [done, answers, address] {
            if (answers)
                done(QString::fromUtf8(homePage({})), QUrl(address), {});
            else
                done({}, {}, QStringLiteral("The secure connection failed."));
        });
    });
    startWizard(wizard->systems().count(), typed);
    next();
    const AccountSheet::Page expected = httpsAnswers || !typed.startsWith(QLatin1String("https://"))
                                            ? AccountSheet::Page::AccessPoint
                                            : AccountSheet::Page::Error;
    QVERIFY(waitForPage(expected));
    QCOMPARE(fetched, asked);
    if (expected == AccountSheet::Page::AccessPoint)
        QCOMPARE(sheet->accessPointField()->text(), asked.last());
    else
        QCOMPARE(sheet->errorField()->text(), QStringLiteral("The secure connection failed."));
}

void tst_NewAccountWizard::addressWithoutSchemeReachesAnHttpsBlog()
{
    // The real fetch, over https to a server whose certificate the user trusted.
    site = std::make_unique<Site>();
    QVERIFY(site->start(true));
    QVERIFY(CertificateTrustStore::sharedInstance().trust(
        QStringLiteral("127.0.0.1"), site->server.port(),
        CertificateTrustStore::fingerprint(site->server.certificate())));
    site->pages.insert("/blog/", Response::ok(homePage("xmlrpc.php?rsd"), "text/html"));
    site->pages.insert("/blog/xmlrpc.php?rsd",
                       Response::ok(rsd(api("MetaWeblog", "true", "xmlrpc.php")), "text/xml"));
    startWizard(wizard->systems().count(),
                QStringLiteral("127.0.0.1:%1/blog/").arg(site->server.port()));
    next();
    QVERIFY(waitForPage(AccountSheet::Page::Authentication));
    QCOMPARE(wizard->dummy().url(),
             QStringLiteral("https://127.0.0.1:%1/blog/xmlrpc.php").arg(site->server.port()));
}

void tst_NewAccountWizard::plainHttpFallBackIsSaidBeforeThePasswordGoes()
{
    // A blog over plain http only, its address typed without a scheme: https
    // is tried and turned away, then the page comes over http.
    site->pages.insert("/blog/", Response::ok(homePage("xmlrpc.php?rsd"), "text/html"));
    site->pages.insert("/blog/xmlrpc.php?rsd",
                       Response::ok(rsd(api("MetaWeblog", "true", "xmlrpc.php")), "text/xml"));
    const QString typed = QStringLiteral("127.0.0.1:%1/blog/").arg(site->server.port());
    const QString accessPoint = site->server.url(QStringLiteral("/blog/xmlrpc.php")).toString();
    const QByteArray password = "pass-4711-word";
    const auto passwordRequests = [&] {
        int count = 0;
        for (const auto& request : site->server.requests())
            count += request.body.contains(password) || request.target.contains(password);
        return count;
    };

    AccountController& controller = AccountController::sharedInstance();
    controller.loadAccounts(QDir::home().filePath(QStringLiteral("fallback-accounts.plist")));
    controller.showWindow();
    AccountSheet* shown = controller.sheet();
    const auto reachWarning = [&] {
        controller.configureAccount();
        QTest::keyClicks(shown->addressField(), typed);
        shown->button(AccountSheet::FirstButton)->click();
        QVERIFY(QTest::qWaitFor(
            [&] { return shown->currentPage() != AccountSheet::Page::Progress; }, 15000));
        QCOMPARE(shown->currentPage(), AccountSheet::Page::Warning);
    };

    reachWarning();
    QVERIFY(site->server.refusedHandshakes() >= 1);
    const QString warning = shown->warningField()->text();
    QVERIFY2(warning.contains(QStringLiteral("did not answer over https")), qPrintable(warning));
    QVERIFY2(warning.contains(QStringLiteral("plain http")), qPrintable(warning));
    QVERIFY2(warning.contains(accessPoint), qPrintable(warning));
    saveScreenshot(shown, QStringLiteral("wizard-http-fallback-warning"));
    // Only the page and its discovery document were fetched; no login page yet.
    QCOMPARE(site->server.requests().size(), 2);
    QCOMPARE(passwordRequests(), 0);
    QVERIFY(shown->userField()->text().isEmpty() && shown->passwordField()->text().isEmpty());

    // Declined: another address is asked for; the plain one warns again;
    // cancelled, nothing went out with a password and no account was made.
    QCOMPARE(shown->button(AccountSheet::FirstButton)->text(), QStringLiteral("Change Address"));
    shown->button(AccountSheet::FirstButton)->click();
    QCOMPARE(shown->currentPage(), AccountSheet::Page::AccessPoint);
    QCOMPARE(shown->accessPointField()->text(), accessPoint);
    shown->button(AccountSheet::FirstButton)->click();
    QCOMPARE(shown->currentPage(), AccountSheet::Page::Warning);
    shown->button(AccountSheet::FirstButton)->click();
    shown->button(AccountSheet::SecondButton)->click(); // Cancel
    QVERIFY(!shown->isVisible());
    QCOMPARE(site->server.requests().size(), 2);
    QCOMPARE(passwordRequests(), 0);
    QVERIFY(controller.accounts().isEmpty());

    // Used anyway: the login page names the plain access point, and only
    // the Save after it sends the password there.
    reachWarning();
    QCOMPARE(shown->button(AccountSheet::SecondButton)->text(), QStringLiteral("Use Anyway"));
    shown->button(AccountSheet::SecondButton)->click();
    QCOMPARE(shown->currentPage(), AccountSheet::Page::Authentication);
    QCOMPARE(shownAddress(shown->foundAccessPointField()), accessPoint);
    shown->userField()->setText(QStringLiteral("ann"));
    shown->passwordField()->setText(QString::fromLatin1(password));
    QCOMPARE(passwordRequests(), 0);
    shown->button(AccountSheet::FirstButton)->click();
    QVERIFY(QTest::qWaitFor([&] { return passwordRequests() > 0; }, 15000));
    QCOMPARE(site->server.requests().last().method, QByteArray("POST"));
    QCOMPARE(site->server.requests().last().target, QByteArray("/blog/xmlrpc.php"));
    QVERIFY(
        QTest::qWaitFor([&] { return shown->currentPage() == AccountSheet::Page::Error; }, 15000));
    shown->button(AccountSheet::SecondButton)->click(); // Cancel
    AccountController::cleanUp();
}

void tst_NewAccountWizard::plainHttpFallBackWithoutEditUriIsSaidToo()
{
    // No EditURI on the page that came over http: the access point the user
    // is offered is the plain address, and going on with it warns first.
    site->pages.insert("/", Response::ok(homePage({}), "text/html"));
    startWizard(wizard->systems().count(), QStringLiteral("127.0.0.1:%1").arg(site->server.port()));
    next();
    QVERIFY(waitForPage(AccountSheet::Page::AccessPoint));
    const QString plain = QStringLiteral("http://127.0.0.1:%1").arg(site->server.port());
    QCOMPARE(sheet->accessPointField()->text(), plain);
    sheet->accessPointField()->setText(plain + QStringLiteral("/xmlrpc.php"));
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Warning);
    QVERIFY(sheet->warningField()->text().contains(QStringLiteral("plain http")));
    // An https access point typed instead goes on to the login.
    next(); // Change Address
    sheet->accessPointField()->setText(
        QStringLiteral("https://127.0.0.1:%1/xmlrpc.php").arg(site->server.port()));
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Authentication);
}

void tst_NewAccountWizard::hopelessAddressShowsTheErrorPage_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("scheme only") << "http://";
    QTest::newRow("no host") << "http:///blog/";
    QTest::newRow("path only") << "/blog/";
    QTest::newRow("not the web") << "ftp://example.com/blog/";
}

void tst_NewAccountWizard::hopelessAddressShowsTheErrorPage()
{
    QFETCH(QString, typed);
    int fetches = 0;
    wizard->setPageFetch(
        [&](Account&, const QString&, QObject*, NewAccountWizard::PageFetched) { ++fetches; });
    startWizard(wizard->systems().count(), typed);
    QSignalSpy ended(sheet, &AccountSheet::ended);
    next();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Error);
    QVERIFY(sheet->isVisible());
    QVERIFY(ended.isEmpty());
    QCOMPARE(fetches, 0);
    QCOMPARE(sheet->errorField()->text(),
             QStringLiteral("\"%1\" is not the address of a web page. Type your blog's address, "
                            "such as https://example.com/blog/")
                 .arg(typed));
    saveScreenshot(sheet, QStringLiteral("wizard-hopeless-address"));
    next();
    QVERIFY(!sheet->isVisible());
}

void tst_NewAccountWizard::newAccountJoinsTheListOnlyWhenItsRefreshSucceeds()
{
    // Through the accounts window, as the user runs it.
    const QString path = QDir::home().filePath(QStringLiteral("wizard-accounts.plist"));
    QFile::remove(path);
    AccountController& controller = AccountController::sharedInstance();
    AccountRefreshRoad::Done finish;
    Account* refreshing = nullptr;
    AccountRefreshRoad road;
    road.start = [&](Account& account, AccountRefreshRoad::Done done) {
        refreshing = &account;
        finish = std::move(done);
        return true;
    };
    road.cancel = [&](Account&) { finish = nullptr; };
    road.watch = [](Account&, QObject*, AccountRefreshRoad::Progress) {};
    controller.setRefreshRoad(road);
    controller.loadAccounts(path);
    controller.showWindow();
    controller.window()->resize(640, 420);

    site->pages.insert("/", Response::ok(homePage("/rsd.xml"), "text/html"));
    site->pages.insert("/rsd.xml", Response::ok(rsd(api("WordPress", "true", "/xmlrpc.php"))));
    AccountSheet* shown = controller.sheet();
    const auto runWizard = [&](const QString& password) {
        controller.configureAccount();
        QTest::keyClicks(shown->addressField(), site->server.url().toString());
        shown->button(AccountSheet::FirstButton)->click();
        QVERIFY(QTest::qWaitFor(
            [&] { return shown->currentPage() == AccountSheet::Page::Authentication; }, 15000));
        shown->userField()->setText(QStringLiteral("ann"));
        shown->passwordField()->setText(password);
        shown->button(AccountSheet::FirstButton)->click();
        QCOMPARE(shown->currentPage(), AccountSheet::Page::Progress);
        QCOMPARE(shown->statusField()->text(), QStringLiteral("Updating account"));
        QVERIFY(finish);
    };
    const QString accessPoint = site->server.url(QStringLiteral("/xmlrpc.php")).toString();

    // A refresh that fails: the server's message, nothing created, nothing in the keychain.
    runWizard(QStringLiteral("wrong"));
    QCOMPARE(stored(accessPoint, QStringLiteral("ann")), QString());
    finish(RefreshEnd::failed(QStringLiteral("Incorrect username or password.")));
    QCOMPARE(shown->currentPage(), AccountSheet::Page::Error);
    QCOMPARE(shown->errorField()->text(), QStringLiteral("Incorrect username or password."));
    saveScreenshot(controller.window(), QStringLiteral("wizard-refresh-failed"));
    QVERIFY(controller.accounts().isEmpty());
    QCOMPARE(stored(accessPoint, QStringLiteral("ann")), QString());
    // Back returns to the login with what was typed.
    QCOMPARE(shown->button(AccountSheet::FirstButton)->text(), QStringLiteral("Back"));
    shown->button(AccountSheet::FirstButton)->click();
    QCOMPARE(shown->currentPage(), AccountSheet::Page::Authentication);
    QCOMPARE(shown->userField()->text(), QStringLiteral("ann"));
    shown->button(AccountSheet::SecondButton)->click();
    QVERIFY(!shown->isVisible());

    // Cancelled while the first refresh runs: nothing created, nothing stored.
    runWizard(QStringLiteral("cancelled"));
    shown->button(AccountSheet::FirstButton)->click();
    QVERIFY(!shown->isVisible());
    QVERIFY(!finish);
    QVERIFY(controller.accounts().isEmpty());
    QCOMPARE(stored(accessPoint, QStringLiteral("ann")), QString());

    // A refresh that succeeds: the account is listed, selected and saved,
    // and named after the blog the server listed.
    const QVariantList blogs{
        QVariantMap{{QStringLiteral("blogid"), QStringLiteral("1")},
                    {QStringLiteral("blogname"), QStringLiteral("Ann &amp; Bo")}}};
    runWizard(QStringLiteral("right"));
    refreshing->processBlogs(blogs);
    finish(RefreshEnd());
    QVERIFY(!shown->isVisible());
    QCOMPARE(controller.accounts().size(), 1);
    Account* added = controller.accounts().first().get();
    QCOMPARE(added->url(), accessPoint);
    QCOMPARE(added->pluginKey(), QStringLiteral("Wordpress"));
    QCOMPARE(added->title(), QStringLiteral("Ann & Bo"));
    QCOMPARE(controller.tableAccount(), added);
    QCOMPARE(stored(accessPoint, QStringLiteral("ann")), QStringLiteral("right"));
    AccountList reread;
    reread.loadAccounts(path);
    QCOMPARE(reread.accounts().size(), 1);
    QCOMPARE(reread.accounts().first()->accountID(), added->accountID());

    // A second account of the same address and user leaves the listed one's
    // password alone until its own refresh proves its password.
    runWizard(QStringLiteral("other"));
    QCOMPARE(stored(accessPoint, QStringLiteral("ann")), QStringLiteral("right"));
    finish(RefreshEnd::failed(QStringLiteral("Incorrect username or password.")));
    QCOMPARE(stored(accessPoint, QStringLiteral("ann")), QStringLiteral("right"));
    shown->button(AccountSheet::SecondButton)->click();
    runWizard(QStringLiteral("other"));
    shown->button(AccountSheet::FirstButton)->click(); // Cancel
    QCOMPARE(stored(accessPoint, QStringLiteral("ann")), QStringLiteral("right"));
    QCOMPARE(added->password(), QStringLiteral("right"));

    // A second account of the same blog is told apart; one whose blog has no
    // name keeps "Untitled".
    runWizard(QStringLiteral("right"));
    refreshing->processBlogs(blogs);
    finish(RefreshEnd());
    QCOMPARE(controller.accounts().size(), 2);
    QCOMPARE(controller.accounts().at(1)->title(), QStringLiteral("Ann & Bo 1"));
    runWizard(QStringLiteral("right"));
    refreshing->processBlogs(QVariantList{QVariantMap{
        {QStringLiteral("blogid"), QStringLiteral("2")}, {QStringLiteral("blogname"), QString()}}});
    finish(RefreshEnd());
    QCOMPARE(controller.accounts().size(), 3);
    QCOMPARE(controller.accounts().at(2)->title(), QStringLiteral("Untitled"));
    AccountController::cleanUp();
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QApplication app(argc, argv);
    tst_NewAccountWizard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_newaccountwizard.moc"
