#include "TestSecretService.h"

#include <QProcess>
#include <QTest>
#include <cstdio>

#undef signals
#include <gio/gio.h>

// The keychain tests' own Secret Service: on a bus of the test's own that
// starts nothing by activation, and never one somebody else started.
namespace {

GDBusConnection* sessionBus()
{
    return g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
}

// A second connection to the test's bus, as another process would have.
GDBusConnection* otherConnection()
{
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!address)
        return nullptr;
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address,
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    g_free(address);
    return connection;
}

QString runSelf(const QStringList& arguments, int* exitCode)
{
    QProcess self;
    self.start(QCoreApplication::applicationFilePath(), arguments);
    if (!self.waitForFinished(60000))
        return QStringLiteral("did not end");
    *exitCode = self.exitCode();
    return QString::fromLocal8Bit(self.readAllStandardOutput()).trimmed();
}

} // namespace

class tst_TestKeyring : public QObject {
    Q_OBJECT
private slots:
    void busStartsNoServiceByActivation_data();
    void busStartsNoServiceByActivation();
    void startsADaemonOfItsOwnAndStopsIt();
    void refusesASecretServiceItDidNotStart();
    void refusesABusItWasNotGiven();
    void aChildTestGetsABusOfItsOwn();
};

void tst_TestKeyring::busStartsNoServiceByActivation_data()
{
    // The desktop's keyring and its password prompts all have service files.
    QTest::addColumn<QString>("name");
    QTest::newRow("secrets") << "org.freedesktop.secrets";
    QTest::newRow("keyring") << "org.gnome.keyring";
    QTest::newRow("prompter") << "org.gnome.keyring.SystemPrompter";
}

void tst_TestKeyring::busStartsNoServiceByActivation()
{
    QFETCH(QString, name);
    GDBusConnection* bus = sessionBus();
    QVERIFY(bus);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, name.toUtf8().constData(), "/", "org.freedesktop.DBus.Peer", "Ping", nullptr, nullptr,
        G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &error);
    if (reply)
        g_variant_unref(reply);
    QVERIFY(!reply);
    gchar* remote = g_dbus_error_get_remote_error(error);
    const QString errorName = QString::fromUtf8(remote);
    g_free(remote);
    g_clear_error(&error);
    g_object_unref(bus);
    QCOMPARE(errorName, QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"));
}

void tst_TestKeyring::startsADaemonOfItsOwnAndStopsIt()
{
    for (int round = 0; round < 2; ++round) {
        {
            plumet::test::TestKeyring keyring;
            QString error;
            QVERIFY2(keyring.start(&error), qPrintable(error));
            QVERIFY(plumet::test::secretServiceAnswers());
        }
        // Gone with its keyring, so a later one starts afresh.
        QTRY_VERIFY_WITH_TIMEOUT(!plumet::test::secretServiceAnswers(), 10000);
    }
}

void tst_TestKeyring::refusesASecretServiceItDidNotStart()
{
    GDBusConnection* other = otherConnection();
    QVERIFY(other);
    GVariant* reply = g_dbus_connection_call_sync(
        other, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", "org.freedesktop.secrets", 4u /* do not queue */),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr);
    QVERIFY(reply);
    guint32 answer = 0;
    g_variant_get(reply, "(u)", &answer);
    g_variant_unref(reply);
    QCOMPARE(answer, 1u); // the primary owner

    plumet::test::TestKeyring keyring;
    QString error;
    const bool started = keyring.start(&error);
    const bool stillOwned = plumet::test::secretServiceAnswers();
    g_dbus_connection_close_sync(other, nullptr, nullptr);
    g_object_unref(other);
    QVERIFY(!started);
    QVERIFY2(error.contains(QLatin1String("something else owns")), qPrintable(error));
    QVERIFY(stillOwned);
}

void tst_TestKeyring::refusesABusItWasNotGiven()
{
    // The child shares this test's bus instead of asking for one of its own.
    int exitCode = -1;
    const QString said = runSelf({QStringLiteral("--keyring-on-this-bus")}, &exitCode);
    QCOMPARE(exitCode, 1);
    QVERIFY2(said.contains(QLatin1String("not on a session bus of the test's own")),
             qPrintable(said));
    QVERIFY(!plumet::test::secretServiceAnswers());
}

void tst_TestKeyring::aChildTestGetsABusOfItsOwn()
{
    // It inherits this run's bus and its marker, and still asks for its own.
    int exitCode = -1;
    const QString childBus = runSelf({QStringLiteral("--print-bus")}, &exitCode);
    QCOMPARE(exitCode, 0);
    QVERIFY(!childBus.isEmpty());
    QVERIFY(childBus != qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
}

int main(int argc, char** argv)
{
    // Child runs of the tests above.
    if (argc == 2 && qstrcmp(argv[1], "--keyring-on-this-bus") == 0) {
        QCoreApplication app(argc, argv);
        plumet::test::TestKeyring keyring;
        QString error;
        const bool started = keyring.start(&error);
        std::printf("%s\n", started ? "started" : qPrintable(error));
        return started ? 0 : 1;
    }
    plumet::test::ensurePrivateSessionBus(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--print-bus") == 0) {
        std::printf("%s\n", qgetenv("DBUS_SESSION_BUS_ADDRESS").constData());
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_TestKeyring test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_testkeyring.moc"
