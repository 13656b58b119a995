#include "KeyChain.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <cstdlib>
#include <unistd.h>

#undef signals
#include <gio/gio.h>

// Runs against a real Secret Service: gnome-keyring-daemon, unlocked, on a
// session bus of this test's own, so no real keyring is ever touched.
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

} // namespace

class TestKeyChain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void storesReadsReplacesAndDeletes_data();
    void storesReadsReplacesAndDeletes();
    void addressIsPartOfTheService();
    void emptyServiceOrAccountDoesNothing();

private:
    QProcess keyring;
};

void TestKeyChain::initTestCase()
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

void TestKeyChain::cleanupTestCase()
{
    if (keyring.state() == QProcess::NotRunning)
        return;
    keyring.terminate();
    if (!keyring.waitForFinished(5000))
        keyring.kill();
}

void TestKeyChain::storesReadsReplacesAndDeletes_data()
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

void TestKeyChain::storesReadsReplacesAndDeletes()
{
    QFETCH(QString, address);
    QFETCH(QString, account);
    QFETCH(QString, password);
    KeyChain& keyChain = KeyChain::defaultKeyChain();
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

void TestKeyChain::addressIsPartOfTheService()
{
    KeyChain& keyChain = KeyChain::defaultKeyChain();
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

void TestKeyChain::emptyServiceOrAccountDoesNothing()
{
    KeyChain& keyChain = KeyChain::defaultKeyChain();
    const QString service = KeyChain::serviceForAddress(QStringLiteral("https://e.test/"));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("kept"), service, QStringLiteral("me")));
    QVERIFY(keyChain.setGenericPassword(QString(), service, QString()));
    QVERIFY(keyChain.setGenericPassword(QStringLiteral("x"), QString(), QStringLiteral("me")));
    QCOMPARE(keyChain.genericPassword(QString(), QStringLiteral("me")), QString(QLatin1String("")));
    QCOMPARE(keyChain.genericPassword(service, QStringLiteral("me")), QStringLiteral("kept"));
    QVERIFY(keyChain.removeGenericPassword(service, QStringLiteral("me")));
}

// A bus of our own: re-run this program under dbus-run-session unless this
// already is that run.
int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("PLUMET_KEYCHAIN_TEST_BUS")) {
        setenv("PLUMET_KEYCHAIN_TEST_BUS", "1", 1);
        std::vector<char*> arguments{const_cast<char*>("dbus-run-session"),
                                     const_cast<char*>("--")};
        static char self[4096] = {};
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        arguments.push_back(length > 0 ? self : argv[0]);
        for (int i = 1; i < argc; ++i)
            arguments.push_back(argv[i]);
        arguments.push_back(nullptr);
        execvp("dbus-run-session", arguments.data());
        perror("dbus-run-session");
        return 1;
    }
    QCoreApplication app(argc, argv);
    TestKeyChain test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keychain.moc"
