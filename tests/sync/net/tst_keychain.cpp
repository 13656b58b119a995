#include "KeyChain.h"
#include "TestSecretService.h"

#include <QDir>
#include <QTest>

// Runs against a real Secret Service on a session bus of this test's own.

class tst_KeyChain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void storesReadsReplacesAndDeletes_data();
    void storesReadsReplacesAndDeletes();
    void addressIsPartOfTheService();
    void emptyServiceOrAccountDoesNothing();

private:
    plumet::test::TestKeyring keyring;
};

void tst_KeyChain::initTestCase()
{
    QString error;
    QVERIFY2(keyring.start(&error), qPrintable(error));
}

void tst_KeyChain::storesReadsReplacesAndDeletes_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::newRow("ascii") << "https://blog.test/xmlrpc.php"
                           << "writer"
                           << "s3cret";
    QTest::newRow("non-ascii everywhere") << "https://blög.test/ключ"
                                          << "Zoë"
                                          << "pässwörd 日本 ☃";
    QTest::newRow("symbols") << "http://b.test/"
                             << "a@b.c"
                             << "R#6m9 \"quoted\" & <tag>";
}

void tst_KeyChain::storesReadsReplacesAndDeletes()
{
    QFETCH(QString, address);
    QFETCH(QString, account);
    QFETCH(QString, password);
    KeyChain& keyChain = KeyChain::sharedInstance();
    const QString service = KeyChain::serviceForAddress(address);
    QString error;
    QVERIFY2(keyChain.setGenericPassword(password, service, account, &error), qPrintable(error));
    QCOMPARE(keyChain.genericPassword(service, account), password);

    QVERIFY(keyChain.setGenericPassword(QStringLiteral("second"), service, account));
    QCOMPARE(keyChain.genericPassword(service, account), QStringLiteral("second"));

    // Storing an empty password removes the item.
    QVERIFY(keyChain.setGenericPassword(QString(), service, account));
    const QString gone = keyChain.genericPassword(service, account);
    QVERIFY(gone.isEmpty() && !gone.isNull());

    QVERIFY(keyChain.setGenericPassword(password, service, account));
    QVERIFY(keyChain.removeGenericPassword(service, account));
    QVERIFY(keyChain.genericPassword(service, account).isEmpty());
}

void tst_KeyChain::addressIsPartOfTheService()
{
    KeyChain& keyChain = KeyChain::sharedInstance();
    const QString first = KeyChain::serviceForAddress(QStringLiteral("https://one.test/"));
    const QString second = KeyChain::serviceForAddress(QStringLiteral("https://two.test/"));
    const QString login = KeyChain::authServiceForAddress(QStringLiteral("https://one.test/"));
    QCOMPARE(first, QStringLiteral("plumet : https://one.test/"));
    QCOMPARE(login, QStringLiteral("plumet(auth) : https://one.test/"));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("p1"), first, QStringLiteral("same")));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("p2"), second, QStringLiteral("same")));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("p3"), login, QStringLiteral("same")));
    QCOMPARE(keyChain.genericPassword(first, QStringLiteral("same")), QStringLiteral("p1"));
    QCOMPARE(keyChain.genericPassword(second, QStringLiteral("same")), QStringLiteral("p2"));
    QCOMPARE(keyChain.genericPassword(login, QStringLiteral("same")), QStringLiteral("p3"));
    for (const QString& service : {first, second, login})
        QVERIFY(keyChain.removeGenericPassword(service, QStringLiteral("same")));
}

void tst_KeyChain::emptyServiceOrAccountDoesNothing()
{
    KeyChain& keyChain = KeyChain::sharedInstance();
    const QString service = KeyChain::serviceForAddress(QStringLiteral("https://e.test/"));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("kept"), service, QStringLiteral("me")));
    QVERIFY(keyChain.setGenericPassword(QString(), service, QString()));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("x"), QString(), QStringLiteral("me")));
    QCOMPARE(keyChain.genericPassword(QString(), QStringLiteral("me")), QString(QLatin1String("")));
    QCOMPARE(keyChain.genericPassword(service, QStringLiteral("me")), QStringLiteral("kept"));
    QVERIFY(keyChain.removeGenericPassword(service, QStringLiteral("me")));
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_KeyChain)

#include "tst_keychain.moc"
