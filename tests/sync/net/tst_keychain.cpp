#include "KeyChain.h"
#include "TestSecretService.h"

#include <QDir>
#include <QTest>
#include <QTimer>

// Runs against a real Secret Service on a session bus of this test's own.

class tst_KeyChain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void storesReadsReplacesAndDeletes_data();
    void storesReadsReplacesAndDeletes();
    void addressIsPartOfTheService();
    void emptyServiceOrAccountDoesNothing();
    void asynchronousCallsRoundTrip_data();
    void asynchronousCallsRoundTrip();
    void loopTurnsWhileALookupWaits();
    void callsEndInTheOrderAsked();
    void noAnswerOnceTheContextIsGone();

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

namespace {

// Runs one asynchronous call to its end; the result, or nothing when no answer came.
std::optional<KeyChain::Result> await(const std::function<void(QObject*, KeyChain::Done)>& call)
{
    QObject context;
    std::optional<KeyChain::Result> answer;
    call(&context, [&answer](const KeyChain::Result& result) { answer = result; });
    if (answer) // answered inside the call
        return KeyChain::Result{false, {}, QStringLiteral("answered inside the call")};
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 15000))
        return std::nullopt;
    return answer;
}

} // namespace

void tst_KeyChain::asynchronousCallsRoundTrip_data()
{
    storesReadsReplacesAndDeletes_data();
}

void tst_KeyChain::asynchronousCallsRoundTrip()
{
    QFETCH(QString, address);
    QFETCH(QString, account);
    QFETCH(QString, password);
    KeyChain& keyChain = KeyChain::sharedInstance();
    const QString service = KeyChain::serviceForAddress(address);
    const auto lookup = [&](QObject* context, KeyChain::Done done) {
        keyChain.lookup(service, account, context, std::move(done));
    };

    auto stored = await([&](QObject* context, KeyChain::Done done) {
        keyChain.store(password, service, account, context, std::move(done));
    });
    QVERIFY(stored);
    QVERIFY2(stored->ok, qPrintable(stored->error));
    // Items stay as the synchronous calls wrote and read them.
    QCOMPARE(keyChain.genericPassword(service, account), password);
    auto found = await(lookup);
    QVERIFY(found && found->ok);
    QCOMPARE(found->password, password);

    auto removed = await([&](QObject* context, KeyChain::Done done) {
        keyChain.remove(service, account, context, std::move(done));
    });
    QVERIFY(removed && removed->ok);
    found = await(lookup);
    QVERIFY(found && found->ok);
    QVERIFY(found->password.isEmpty() && !found->password.isNull());
    QVERIFY(keyChain.genericPassword(service, account).isEmpty());

    // An empty password removes the item, as the synchronous call does.
    QVERIFY(keyChain.setGenericPassword(password, service, account));
    QVERIFY(await([&](QObject* context, KeyChain::Done done) {
        keyChain.store(QString(), service, account, context, std::move(done));
    }));
    QVERIFY(keyChain.genericPassword(service, account).isEmpty());
}

void tst_KeyChain::loopTurnsWhileALookupWaits()
{
    KeyChain& keyChain = KeyChain::sharedInstance();
    const QString service = KeyChain::serviceForAddress(QStringLiteral("https://loop.test/"));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("turning"), service, QStringLiteral("me")));
    int ticks = 0;
    QTimer timer;
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    QObject context;
    int ticksAtAnswer = -1;
    QString answer;
    keyChain.lookup(service, QStringLiteral("me"), &context, [&](const KeyChain::Result& result) {
        ticksAtAnswer = ticks;
        answer = result.password;
    });
    timer.start();
    QTRY_VERIFY_WITH_TIMEOUT(ticksAtAnswer >= 0, 15000);
    // The timer fired while the keyring was being asked: the call never held the loop.
    QVERIFY2(ticksAtAnswer > 0, "the lookup blocked the event loop");
    QCOMPARE(answer, QStringLiteral("turning"));
    QVERIFY(keyChain.removeGenericPassword(service, QStringLiteral("me")));
}

void tst_KeyChain::callsEndInTheOrderAsked()
{
    KeyChain& keyChain = KeyChain::sharedInstance();
    const QString service = KeyChain::serviceForAddress(QStringLiteral("https://order.test/"));
    const QString account = QStringLiteral("me");
    QObject context;
    QStringList seen;
    const auto record = [&seen](const QString& what) {
        return [&seen, what](const KeyChain::Result& result) {
            seen << what + QLatin1Char('=') + (result.ok ? result.password : result.error);
        };
    };
    // Asked without waiting between: each reads what the one before it left.
    keyChain.store(QStringLiteral("one"), service, account, &context, record(QStringLiteral("s1")));
    keyChain.lookup(service, account, &context, record(QStringLiteral("l1")));
    keyChain.store(QStringLiteral("two"), service, account, &context, record(QStringLiteral("s2")));
    keyChain.lookup(service, account, &context, record(QStringLiteral("l2")));
    keyChain.remove(service, account, &context, record(QStringLiteral("r")));
    keyChain.lookup(service, account, &context, record(QStringLiteral("l3")));
    QVERIFY(seen.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 6, 15000);
    QCOMPARE(seen, QStringList({"s1=", "l1=one", "s2=", "l2=two", "r=", "l3="}));
    QCOMPARE(keyChain.pendingCalls(), 0);
}

void tst_KeyChain::noAnswerOnceTheContextIsGone()
{
    KeyChain& keyChain = KeyChain::sharedInstance();
    const QString service = KeyChain::serviceForAddress(QStringLiteral("https://gone.test/"));
    bool answered = false;
    auto context = std::make_unique<QObject>();
    keyChain.store(QStringLiteral("kept"), service, QStringLiteral("me"), context.get(),
                   [&answered](const KeyChain::Result&) { answered = true; });
    keyChain.lookup(service, QStringLiteral("me"), context.get(),
                    [&answered](const KeyChain::Result&) { answered = true; });
    context.reset();
    QTRY_COMPARE_WITH_TIMEOUT(keyChain.pendingCalls(), 0, 15000);
    QVERIFY(!answered);
    // The store still happened: a caller that went away loses nothing it asked for.
    QCOMPARE(keyChain.genericPassword(service, QStringLiteral("me")), QStringLiteral("kept"));
    QVERIFY(keyChain.removeGenericPassword(service, QStringLiteral("me")));
}

PLUMET_SECRET_SERVICE_TEST_MAIN(tst_KeyChain)

#include "tst_keychain.moc"
