#include "Account.h"
#include "AccountController.h"
#include "AccountList.h"
#include "AccountSheet.h"
#include "AccountsWindow.h"
#include "AppControl.h"
#include "BlogController.h"
#include "ScreenshotSaver.h"
#include "TestHttpServer.h"
#include "TestSecretService.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using plumet::test::TestHttpServer;
using Response = TestHttpServer::Response;

// The program's very first start, from an empty support folder: the
// new-account wizard alone, then the main window with the account it made.
namespace {

QList<QWidget*> visibleWindows()
{
    QList<QWidget*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if (widget->isVisible() && type != Qt::ToolTip && type != Qt::Popup)
            shown << widget;
    }
    return shown;
}

QString describe(const QList<QWidget*>& windows)
{
    QStringList names;
    for (const QWidget* window : windows)
        names << QStringLiteral("%1 \"%2\"")
                     .arg(QLatin1String(window->metaObject()->className()), window->windowTitle());
    return names.join(QStringLiteral(", "));
}

// The screen as the user would see it: each window shown, at its place, in
// stacking order, over an empty desktop.
void saveScreen(const QString& name)
{
    const QString folder = qEnvironmentVariable("PLUMET_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QImage picture(screen.size(), QImage::Format_RGB32);
    picture.fill(QColor(0x30, 0x38, 0x48));
    QPainter painter(&picture);
    for (QWidget* window : visibleWindows())
        painter.drawPixmap(window->geometry().topLeft() - screen.topLeft(), window->grab());
    painter.end();
    picture.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace

class tst_AppFirstRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void theWizardComesAloneAndOnScreen();
    void theWizardSaysWhatItFoundBeforeTheLogin();
    void theAccountIsNamedAfterItsBlogAndTheMainWindowFollows();

private:
    plumet::test::TestKeyring m_keyring;
    TestHttpServer m_site;
    std::unique_ptr<AppControl> m_control;
    AccountSheet* m_sheet = nullptr;
};

void tst_AppFirstRun::initTestCase()
{
    QString error;
    QVERIFY2(m_keyring.start(&error), qPrintable(error));
    // Nothing of an earlier run: no support folder, no preferences.
    const QString home = QDir::homePath();
    QVERIFY2(home.contains(QLatin1String("test-home")), qPrintable(home));
    for (const QString& folder :
         {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/plumet3"),
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
              QStringLiteral("/plumet")}) {
        QVERIFY(folder.startsWith(home));
        QDir(folder).removeRecursively();
    }

    m_site.setHandler([this](const TestHttpServer::Request& request) {
        if (request.target == "/")
            return Response::ok("<html><head><title>Garden</title><link rel=\"EditURI\" "
                                "type=\"application/rsd+xml\" href=\"/xmlrpc.php?rsd\"></head>"
                                "<body></body></html>",
                                "text/html");
        if (request.target == "/xmlrpc.php?rsd")
            return Response::ok("<?xml version=\"1.0\"?><rsd version=\"1.0\"><service>"
                                "<engineName>WordPress</engineName><apis>"
                                "<api name=\"WordPress\" blogID=\"1\" preferred=\"true\" "
                                "apiLink=\"" +
                                    m_site.url(QStringLiteral("/xmlrpc.php")).toEncoded() +
                                    "\"/></apis></service></rsd>",
                                "text/xml");
        return Response::withStatus(404, "missing");
    });
    QVERIFY(m_site.listen());

    AppControl::initialize();
    QVERIFY(!QFile::exists(AccountList::defaultPath()));
    // No update check over the network from a test.
    UserDefaults::sharedInstance().setValue(QStringLiteral("versionCheck"), 0);
    // The first refresh lists one blog, as the server would.
    AccountRefreshRoad road;
    road.start = [](Account& account, AccountRefreshRoad::Done done) {
        account.processBlogs(QVariantList{
            QVariantMap{{QStringLiteral("blogid"), QStringLiteral("1")},
                        {QStringLiteral("blogname"), QStringLiteral("Notes from the Garden")}}});
        QTimer::singleShot(0, [done = std::move(done)] { done(RefreshEnd()); });
        return true;
    };
    road.cancel = [](Account&) {};
    road.watch = [](Account&, QObject*, AccountRefreshRoad::Progress) {};
    AccountController::sharedInstance().setRefreshRoad(road);

    m_control = std::make_unique<AppControl>();
    m_control->setQuitFunction([] {});
    QSignalSpy finished(m_control.get(), &AppControl::launchFinished);
    m_control->applicationDidFinishLaunching();
    // The first start's flash plays before the accounts are in.
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 15000);
    m_sheet = AccountController::sharedInstance().sheet();
    QVERIFY(m_sheet);
}

void tst_AppFirstRun::cleanupTestCase()
{
    m_control.reset();
}

void tst_AppFirstRun::theWizardComesAloneAndOnScreen()
{
    QTRY_VERIFY(m_sheet->isVisible());
    // One window, not the main window and the accounts window behind it.
    QTRY_VERIFY2(visibleWindows() == QList<QWidget*>{m_sheet},
                 qPrintable(describe(visibleWindows())));
    QVERIFY(!m_control->blogController()->isVisible());
    QVERIFY(!AccountController::sharedInstance().window()->isVisible());
    QCOMPARE(m_sheet->windowTitle(), QStringLiteral("New Account"));
    QCOMPARE(m_sheet->currentPage(), AccountSheet::Page::Address);
    const QRect screen = m_sheet->screen()->availableGeometry();
    QVERIFY2(screen.contains(m_sheet->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4 on a screen of %5x%6")
                            .arg(m_sheet->frameGeometry().x())
                            .arg(m_sheet->frameGeometry().y())
                            .arg(m_sheet->frameGeometry().width())
                            .arg(m_sheet->frameGeometry().height())
                            .arg(screen.width())
                            .arg(screen.height())));
    // In the middle, where the eye looks first (give or take its frame).
    const QPoint offCentre = m_sheet->frameGeometry().center() - screen.center();
    QVERIFY2(offCentre.manhattanLength() <= 16,
             qPrintable(QStringLiteral("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    // In front, the keys going to the address.
    QTRY_COMPARE(QApplication::activeWindow(), m_sheet);
    QCOMPARE(QApplication::focusWidget(), m_sheet->addressField());
    saveScreen(QStringLiteral("first-start"));
}

void tst_AppFirstRun::theWizardSaysWhatItFoundBeforeTheLogin()
{
    QTest::keyClicks(m_sheet->addressField(), m_site.url().toString());
    m_sheet->button(AccountSheet::FirstButton)->click();
    QVERIFY(QTest::qWaitFor(
        [&] { return m_sheet->currentPage() == AccountSheet::Page::Authentication; }, 15000));
    QCOMPARE(m_sheet->foundHeadingField()->text(), QStringLiteral("plumet found your blog:"));
    QCOMPARE(m_sheet->foundSystemField()->text(), QStringLiteral("WordPress"));
    QCOMPARE(m_sheet->foundAccessPointField()->text().remove(QChar(0x200B)),
             m_site.url(QStringLiteral("/xmlrpc.php")).toString());
    QVERIFY(m_sheet->foundSystemField()->isVisible());
    QVERIFY(m_sheet->foundAccessPointField()->isVisible());
    QVERIFY2(visibleWindows() == QList<QWidget*>{m_sheet}, qPrintable(describe(visibleWindows())));
    plumet::test::saveScreenshot(m_sheet, QStringLiteral("wizard-found"));
    saveScreen(QStringLiteral("first-start-found"));
}

void tst_AppFirstRun::theAccountIsNamedAfterItsBlogAndTheMainWindowFollows()
{
    m_sheet->userField()->setText(QStringLiteral("ann"));
    m_sheet->passwordField()->setText(QStringLiteral("secret"));
    m_sheet->button(AccountSheet::FirstButton)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!m_sheet->isVisible(), 15000);
    const QList<AccountPtr> accounts = AccountController::sharedInstance().accounts();
    QCOMPARE(accounts.size(), 1);
    QCOMPARE(accounts.first()->title(), QStringLiteral("Notes from the Garden"));
    QCOMPARE(accounts.first()->pluginKey(), QStringLiteral("Wordpress"));
    // Now the main window, alone, with the account in its outline.
    BlogController* window = m_control->blogController();
    QTRY_VERIFY(window->isVisible());
    QTRY_VERIFY2(visibleWindows() == QList<QWidget*>{window},
                 qPrintable(describe(visibleWindows())));
    QVERIFY(window->screen()->availableGeometry().intersects(window->frameGeometry()));
    AccountList reread;
    reread.loadAccounts(AccountList::defaultPath());
    QCOMPARE(reread.accounts().size(), 1);
    QCOMPARE(reread.accounts().first()->title(), QStringLiteral("Notes from the Garden"));
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("plumet"));
    QApplication::setOrganizationName(QStringLiteral("plumet"));
    tst_AppFirstRun test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appfirstrun.moc"
