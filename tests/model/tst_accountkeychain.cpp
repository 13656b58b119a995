#include "Account.h"
#include "KeyChain.h"
#include "TestSecretService.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

// Against a real Secret Service on a session bus of this test's own.
namespace {

// What the keychain holds once every call asked for has ended.
QString stored(const QString& label, const QString& url, const QString& user)
{
    QTest::qWaitFor([] { return KeyChain::sharedInstance().pendingCalls() == 0; }, 15000);
    return KeyChain::sharedInstance().genericPassword(QStringLiteral("%1 : %2").arg(label, url),
                                                      user);
}

// The account once its passwords are read from the keychain.
Account& loaded(Account& account)
{
    bool ready = false;
    QObject waiter;
    account.loadPasswords(&waiter, [&ready] { ready = true; });
    QTest::qWaitFor([&ready] { return ready; }, 15000);
    return account;
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

class tst_AccountKeychain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void passwordLivesInKeychain();
    void passwordsFollowAddressAndUserChanges_data();
    void passwordsFollowAddressAndUserChanges();
    void passwordSetBeforeIdentityIsWrittenLater();
    void clearingAuthPasswordRemovesOnlyItsItem();
    void sharedItemStaysForTheOtherAccount();
    void heldPasswordsWaitUntilStored();

private:
    plumet::test::TestKeyring keyring;
};

void tst_AccountKeychain::initTestCase()
{
    QString error;
    QVERIFY2(keyring.start(&error), qPrintable(error));
}

void tst_AccountKeychain::passwordLivesInKeychain()
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
    QCOMPARE(loaded(decoded).password(), QStringLiteral("pw1"));
    // The getters read no keychain: a record nobody asked to load knows no password.
    Account unread;
    unread.setUrl(account->url());
    unread.setUsername(QStringLiteral("ann"));
    QCOMPARE(unread.password(), QString(""));
    QCOMPARE(unread.authPassword(), QString(""));
    QCOMPARE(KeyChain::sharedInstance().pendingCalls(), 0);
    QVERIFY(!unread.passwordsLoaded());
    account->setPassword(QString());
    QCOMPARE(stored("plumet", account->url(), "ann"), QString(""));
}

void tst_AccountKeychain::passwordsFollowAddressAndUserChanges_data()
{
    QTest::addColumn<bool>("changeAddress");
    QTest::addColumn<bool>("changeUser");
    QTest::newRow("address") << true << false;
    QTest::newRow("user name") << false << true;
    QTest::newRow("both") << true << true;
}

void tst_AccountKeychain::passwordsFollowAddressAndUserChanges()
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
    QCOMPARE(loaded(later).password(), QStringLiteral("login-secret"));
    QCOMPARE(loaded(later).authPassword(), QStringLiteral("gate-secret"));
    later.setPassword(QString());
    later.setAuthPassword(QString());
}

void tst_AccountKeychain::passwordSetBeforeIdentityIsWrittenLater()
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

void tst_AccountKeychain::clearingAuthPasswordRemovesOnlyItsItem()
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

void tst_AccountKeychain::sharedItemStaysForTheOtherAccount()
{
    // Two accounts of one address and user (say, two plug-ins for one server) read one
    // login item and one authentication item.
    const QString shared = QStringLiteral("https://shared.test/xmlrpc.php");
    const QString moved = QStringLiteral("https://new.shared.test/xmlrpc.php");
    auto first = Account::create();
    auto second = Account::create();
    for (const auto& account : {first, second}) {
        account->setUrl(shared);
        account->setUsername(QStringLiteral("eve"));
        account->setAuthUsername(QStringLiteral("gate"));
    }
    first->setPassword(QStringLiteral("together"));
    first->setAuthPassword(QStringLiteral("gate-pass"));
    QCOMPARE(loaded(*second).password(), QStringLiteral("together"));

    // One moves to a new address: its passwords go along, the other's stay.
    first->setUrl(moved);
    QCOMPARE(stored("plumet", moved, "eve"), QStringLiteral("together"));
    QCOMPARE(stored("plumet", shared, "eve"), QStringLiteral("together"));
    QCOMPARE(stored("plumet(auth)", shared, "gate"), QStringLiteral("gate-pass"));
    Account afterRestart;
    afterRestart.setUrl(shared);
    afterRestart.setUsername(QStringLiteral("eve"));
    QCOMPARE(loaded(afterRestart).password(), QStringLiteral("together"));

    // Once no account reads the old item, a move takes it away.
    first.reset();
    afterRestart.setUsername(QStringLiteral("walt"));
    second->setUrl(moved);
    QCOMPARE(stored("plumet", shared, "eve"), QString(""));
    QCOMPARE(stored("plumet(auth)", shared, "gate"), QString(""));
    QCOMPARE(stored("plumet", moved, "eve"), QStringLiteral("together"));
    second->setPassword(QString());
    second->setAuthPassword(QString());
    afterRestart.setPassword(QString());
}

void tst_AccountKeychain::heldPasswordsWaitUntilStored()
{
    // A listed account, and a new one of the same address and user whose
    // password is not yet proved.
    const QString url = QStringLiteral("https://held.test/xmlrpc.php");
    auto listed = Account::create();
    listed->setUrl(url);
    listed->setUsername(QStringLiteral("ann"));
    listed->setPassword(QStringLiteral("proved"));

    auto fresh = Account::create();
    fresh->holdPasswords();
    fresh->setUrl(url);
    fresh->setUsername(QStringLiteral("ann"));
    fresh->setPassword(QStringLiteral("typed"));
    fresh->setAuthUsername(QStringLiteral("gate"));
    fresh->setAuthPassword(QStringLiteral("gate-typed"));
    QCOMPARE(fresh->password(), QStringLiteral("typed"));
    QCOMPARE(fresh->authPassword(), QStringLiteral("gate-typed"));
    QCOMPARE(stored("plumet", url, "ann"), QStringLiteral("proved"));
    QCOMPARE(stored("plumet(auth)", url, "gate"), QString(""));

    // Dropped unproved: nothing of it stays.
    fresh.reset();
    QCOMPARE(stored("plumet", url, "ann"), QStringLiteral("proved"));
    QCOMPARE(stored("plumet(auth)", url, "gate"), QString(""));

    // Stored once proved, then written as any account's.
    auto proved = Account::create();
    proved->holdPasswords();
    proved->setUrl(url);
    proved->setUsername(QStringLiteral("ann"));
    proved->setPassword(QStringLiteral("new"));
    proved->setAuthUsername(QStringLiteral("gate"));
    proved->setAuthPassword(QStringLiteral("gate-new"));
    proved->storeHeldPasswords();
    QCOMPARE(stored("plumet", url, "ann"), QStringLiteral("new"));
    QCOMPARE(stored("plumet(auth)", url, "gate"), QStringLiteral("gate-new"));
    proved->setPassword(QStringLiteral("later"));
    QCOMPARE(stored("plumet", url, "ann"), QStringLiteral("later"));
    proved->removePasswords();
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_AccountKeychain)
#include "tst_accountkeychain.moc"
