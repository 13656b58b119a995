#include "Account.h"
#include "AccountController.h"
#include "AccountList.h"
#include "AccountSheet.h"
#include "AccountsTableModel.h"
#include "AccountsWindow.h"
#include "Blog.h"
#include "JobRoads.h"
#include "KeyChain.h"
#include "NewAccountWizard.h"
#include "PluginManager.h"
#include "ScreenshotSaver.h"
#include "TestSecretService.h"
#include "WordPressServer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace plumet::test;

// The new-account wizard against a real WordPress: its home page names the
// RSD document, whose preferred API gives the access point.
class tst_AccountWizardPeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void wrongPasswordCreatesNothing();
    void addsAWordPressAccountByItsAddress();

private:
    // Runs the wizard from the blog's home address to the end of the new
    // account's first refresh.
    void addAccount(const QString& password);

    plumet::test::TestKeyring keyring;
    WordPressServer server;
};

void tst_AccountWizardPeer::initTestCase()
{
    QString error;
    QVERIFY2(keyring.start(&error), qPrintable(error));
    // The program's own registry: the wizard names the system by it.
    PluginManager& drivers = PluginManager::sharedInstance();
    drivers.setBuiltInFolder(QStringLiteral(PLUMET_PLUGIN_FOLDER));
    drivers.setUserFolder(QString());
    drivers.loadPlugins();
    JobRoads::install();
    QVERIFY2(server.start(), qPrintable(server.problem()));
    // The site comes without a theme, and so with a blank home page: a
    // smallest theme writes the page head, where WordPress names its RSD.
    QString output;
    QVERIFY2(server.runInWordPress(QStringLiteral(R"(
        $folder = get_theme_root() . '/peer';
        wp_mkdir_p($folder);
        file_put_contents($folder . '/style.css', "/*\nTheme Name: Peer\n*/\n");
        file_put_contents($folder . '/index.php',
            '<!DOCTYPE html><html><head><?php wp_head(); ?></head><body></body></html>');
        update_option('template', 'peer');
        update_option('stylesheet', 'peer');
        echo get_option('stylesheet');
    )"),
                                   &output),
             qPrintable(server.problem()));
    QCOMPARE(output.trimmed(), QStringLiteral("peer"));
}

void tst_AccountWizardPeer::cleanupTestCase()
{
    AccountController::cleanUp();
}

void tst_AccountWizardPeer::addAccount(const QString& password)
{
    AccountController& controller = AccountController::sharedInstance();
    controller.showWindow();
    controller.configureAccount();
    AccountSheet* sheet = controller.sheet();
    // The WordPress row is the first, chosen from the start.
    QTest::keyClicks(sheet->addressField(), server.siteUrl().toString());
    sheet->button(AccountSheet::FirstButton)->click();
    QVERIFY2(QTest::qWaitFor([&] { return sheet->currentPage() != AccountSheet::Page::Progress; },
                             30000),
             qPrintable(server.logs()));
    QVERIFY2(sheet->currentPage() == AccountSheet::Page::Authentication,
             qPrintable(sheet->errorField()->text()));
    NewAccountWizard* wizard = controller.wizard();
    QCOMPARE(wizard->dummy().url(), server.xmlrpcUrl().toString());
    QCOMPARE(wizard->dummy().pluginKey(), QStringLiteral("Wordpress"));
    // Said before the login: the system by its own name, and where the login goes.
    QCOMPARE(sheet->foundHeadingField()->text(), QStringLiteral("plumet found your blog:"));
    QCOMPARE(sheet->foundSystemField()->text(), QStringLiteral("WordPress"));
    QCOMPARE(sheet->foundAccessPointField()->text().remove(QChar(0x200B)),
             server.xmlrpcUrl().toString());
    saveScreenshot(sheet, QStringLiteral("peer-wizard-authentication"));

    sheet->userField()->setText(server.username());
    sheet->passwordField()->setText(password);
    sheet->button(AccountSheet::FirstButton)->click();
    QVERIFY(QTest::qWaitFor(
        [&] { return !sheet->isVisible() || sheet->currentPage() == AccountSheet::Page::Error; },
        60000));
}

void tst_AccountWizardPeer::wrongPasswordCreatesNothing()
{
    addAccount(QStringLiteral("not the password"));
    AccountController& controller = AccountController::sharedInstance();
    AccountSheet* sheet = controller.sheet();
    QCOMPARE(sheet->currentPage(), AccountSheet::Page::Error);
    // WordPress's own words.
    QVERIFY2(sheet->errorField()->text().contains(QStringLiteral("password"), Qt::CaseInsensitive),
             qPrintable(sheet->errorField()->text()));
    saveScreenshot(sheet, QStringLiteral("peer-wizard-wrong-password"));
    QVERIFY(controller.accounts().isEmpty());
    QCOMPARE(KeyChain::sharedInstance().genericPassword(
                 KeyChain::serviceForAddress(server.xmlrpcUrl().toString()), server.username()),
             QString());
    sheet->button(AccountSheet::SecondButton)->click();
    QVERIFY(!sheet->isVisible());
}

void tst_AccountWizardPeer::addsAWordPressAccountByItsAddress()
{
    addAccount(server.password());
    AccountController& controller = AccountController::sharedInstance();
    QVERIFY2(!controller.sheet()->isVisible(),
             qPrintable(controller.sheet()->errorField()->text()));
    QCOMPARE(controller.accounts().size(), 1);
    const AccountPtr account = controller.accounts().first();
    QCOMPARE(account->url(), server.xmlrpcUrl().toString());
    QCOMPARE(account->blogs().size(), 1);
    QCOMPARE(account->blogs().first()->displayName(), server.blogTitle());
    // Named after the blog, as WordPress calls it.
    QCOMPARE(account->title(), server.blogTitle());
    QCOMPARE(controller.tableModel()->index(0, AccountsTableModel::SystemColumn).data().toString(),
             QStringLiteral("WordPress"));
    // The categories came with the refresh.
    QVERIFY(
        QTest::qWaitFor([&] { return !account->blogs().first()->categories().isEmpty(); }, 30000));
    QCOMPARE(controller.tableAccount(), account.get());
    saveScreenshot(controller.window(), QStringLiteral("peer-accounts-window"));

    // Saved, password in the keychain and not in the file.
    AccountList reread;
    reread.loadAccounts(controller.accountsPath());
    QCOMPARE(reread.accounts().size(), 1);
    QCOMPARE(reread.accounts().first()->blogs().size(), 1);
    // The keychain answers later; the account says when it has read it.
    bool read = false;
    QObject waiter;
    reread.accounts().first()->loadPasswords(&waiter, [&read] { read = true; });
    QTRY_VERIFY_WITH_TIMEOUT(read, 15000);
    QCOMPARE(reread.accounts().first()->password(), server.password());
}

int main(int argc, char** argv)
{
    plumet::test::ensurePrivateSessionBus(argc, argv);
    QApplication app(argc, argv);
    tst_AccountWizardPeer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accountwizardpeer.moc"
