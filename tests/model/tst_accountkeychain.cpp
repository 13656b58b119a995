#include "Account.h"
#include "KeyChain.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#undef signals
#include <gio/gio.h>

// Against a real Secret Service: gnome-keyring-daemon, unlocked, on the test's own
// session bus (the suite runs inside dbus-run-session), so no real keyring is touched.
namespace {

bool secretServiceAnswers()
{
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", "org.freedesktop.secrets"), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    g_object_unref(bus);
    return owned;
}

QString stored(const QString& label, const QString& url, const QString& user)
{
    return KeyChain::defaultKeyChain().genericPassword(QStringLiteral("%1 : %2").arg(label, url),
                                                       user);
}

int passwordNotices(Account& account, const std::function<void()>& action)
{
    QSignalSpy spy(&account, &Account::valueChanged);
    action();
    int count = 0;
    for (const auto& args : spy)
        count += args.first().toString() == QLatin1String("password");
    return count;
}

} // namespace

class AccountKeychainTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void passwordLivesInKeychain();
    void passwordsFollowAddressAndUserChanges_data();
    void passwordsFollowAddressAndUserChanges();
    void passwordSetBeforeIdentityIsWrittenLater();
    void clearingAuthPasswordRemovesOnlyItsItem();

private:
    QProcess keyring;
};

void AccountKeychainTest::initTestCase()
{
    if (secretServiceAnswers())
        return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
    }
    keyring.setProgram(QStringLiteral("gnome-keyring-daemon"));
    keyring.setArguments({QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                          QStringLiteral("--components=secrets")});
    keyring.start();
    QVERIFY2(keyring.waitForStarted(10000), "gnome-keyring-daemon could not be started");
    keyring.write("plumet-test-keyring\n");
    keyring.closeWriteChannel();
    QVERIFY2(QTest::qWaitFor(secretServiceAnswers, 15000), "no Secret Service on the bus");
}

void AccountKeychainTest::cleanupTestCase()
{
    if (keyring.state() == QProcess::NotRunning)
        return;
    keyring.terminate();
    if (!keyring.waitForFinished(5000))
        keyring.kill();
}

void AccountKeychainTest::passwordLivesInKeychain()
{
    auto account = Account::create();
    account->setUrl(QStringLiteral("https://one.test/xmlrpc.php"));
    account->setUsername(QStringLiteral("ann"));
    QCOMPARE(account->password(), QString("")); // no item: an empty password, kept
    QCOMPARE(passwordNotices(*account, [&] { account->setPassword(QStringLiteral("pw1")); }), 1);
    QCOMPARE(passwordNotices(*account, [&] { account->setPassword(QStringLiteral("pw1")); }), 0);
    QCOMPARE(stored("plumet", account->url(), "ann"), QStringLiteral("pw1"));

    // A fresh record (as decoded from the accounts file) reads it back.
    Account decoded;
    decoded.setUrl(account->url());
    decoded.setUsername(QStringLiteral("ann"));
    QCOMPARE(decoded.password(), QStringLiteral("pw1"));
    account->setPassword(QString());
    QCOMPARE(stored("plumet", account->url(), "ann"), QString(""));
}

void AccountKeychainTest::passwordsFollowAddressAndUserChanges_data()
{
    QTest::addColumn<bool>("changeAddress");
    QTest::addColumn<bool>("changeUser");
    QTest::newRow("address") << true << false;
    QTest::newRow("user name") << false << true;
    QTest::newRow("both") << true << true;
}

void AccountKeychainTest::passwordsFollowAddressAndUserChanges()
{
    QFETCH(bool, changeAddress);
    QFETCH(bool, changeUser);
    const QString oldUrl = QStringLiteral("https://move.test/a/xmlrpc.php");
    const QString newUrl = changeAddress ? QStringLiteral("https://moved.test/xmlrpc.php") : oldUrl;
    const QString newUser = changeUser ? QStringLiteral("bea") : QStringLiteral("bob");
    {
        auto account = Account::create();
        account->setUrl(oldUrl);
        account->setUsername(QStringLiteral("bob"));
        account->setAuthUsername(QStringLiteral("gate"));
        account->setPassword(QStringLiteral("login-secret"));
        account->setAuthPassword(QStringLiteral("gate-secret"));
    }
    // A later session: the passwords are only in the keychain.
    auto account = Account::create();
    account->setUrl(oldUrl);
    account->setUsername(QStringLiteral("bob"));
    account->setAuthUsername(QStringLiteral("gate"));
    if (changeAddress)
        account->setUrl(newUrl);
    if (changeUser)
        account->setUsername(newUser);

    QCOMPARE(stored("plumet", newUrl, newUser), QStringLiteral("login-secret"));
    QCOMPARE(stored("plumet(auth)", newUrl, "gate"), QStringLiteral("gate-secret"));
    QCOMPARE(stored("plumet", oldUrl, "bob"), QString("")); // moved, not copied
    if (changeAddress)
        QCOMPARE(stored("plumet(auth)", oldUrl, "gate"), QString(""));

    Account later;
    later.setUrl(newUrl);
    later.setUsername(newUser);
    later.setAuthUsername(QStringLiteral("gate"));
    QCOMPARE(later.password(), QStringLiteral("login-secret"));
    QCOMPARE(later.authPassword(), QStringLiteral("gate-secret"));
    later.setPassword(QString());
    later.setAuthPassword(QString());
}

void AccountKeychainTest::passwordSetBeforeIdentityIsWrittenLater()
{
    auto account = Account::create();
    account->setPassword(QStringLiteral("typed-first")); // the wizard asks for it early
    account->setUrl(QStringLiteral("https://early.test/xmlrpc.php"));
    QCOMPARE(stored("plumet", account->url(), "carl"), QString(""));
    account->setUsername(QStringLiteral("carl"));
    QCOMPARE(stored("plumet", account->url(), "carl"), QStringLiteral("typed-first"));

    // Clearing the user name and typing another one keeps the password.
    account->setUsername(QString());
    account->setUsername(QStringLiteral("cora"));
    QCOMPARE(stored("plumet", account->url(), "cora"), QStringLiteral("typed-first"));
    QCOMPARE(stored("plumet", account->url(), "carl"), QString(""));
    account->setPassword(QString());
}

void AccountKeychainTest::clearingAuthPasswordRemovesOnlyItsItem()
{
    auto account = Account::create();
    account->setUrl(QStringLiteral("https://auth.test/"));
    account->setUsername(QStringLiteral("dan"));
    account->setAuthUsername(QStringLiteral("dan"));
    account->setPassword(QStringLiteral("login"));
    account->setAuthPassword(QStringLiteral("auth"));
    account->setAuthPassword(QString());
    QVERIFY(account->authPassword().isEmpty());
    QCOMPARE(stored("plumet(auth)", account->url(), "dan"), QString(""));
    QCOMPARE(account->password(), QStringLiteral("login"));
    QCOMPARE(stored("plumet", account->url(), "dan"), QStringLiteral("login"));
    account->setPassword(QString());
}

QTEST_GUILESS_MAIN(AccountKeychainTest)
#include "tst_accountkeychain.moc"
