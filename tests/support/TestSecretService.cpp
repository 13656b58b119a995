#include "TestSecretService.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

#undef signals
#include <gio/gio.h>

namespace plumet::test {

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

namespace {

// The process that owns `name` on the session bus; 0 when nobody does.
qint64 ownerOf(const char* name)
{
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return 0;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "GetConnectionUnixProcessID", g_variant_new("(s)", name), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
    guint32 pid = 0;
    if (reply) {
        g_variant_get(reply, "(u)", &pid);
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    g_object_unref(bus);
    return pid;
}

bool privateBus = false;

} // namespace

TestKeyring::~TestKeyring()
{
    if (daemon.state() == QProcess::NotRunning)
        return;
    daemon.terminate();
    if (!daemon.waitForFinished(5000))
        daemon.kill();
}

bool TestKeyring::start(QString* error)
{
    // On a shared bus two tests would take each other's keyring, and lose it
    // when the other ends.
    if (!onPrivateSessionBus()) {
        *error = QStringLiteral("not on a session bus of the test's own: start the test with "
                                "PLUMET_SECRET_SERVICE_TEST_MAIN or ensurePrivateSessionBus()");
        return false;
    }
    if (daemon.state() != QProcess::NotRunning)
        return true;
    if (secretServiceAnswers()) {
        *error = QStringLiteral("something else owns the Secret Service on the test's bus");
        return false;
    }
    // Without it the daemon keeps its keyrings in the home folder.
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) {
        *error = QStringLiteral("XDG_DATA_HOME is not set");
        return false;
    }
    // The daemon keeps its control socket there and insists on a private folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
    }
    // Every run starts with an empty keyring: items an earlier, interrupted run
    // left in the test's own home would otherwise answer for this one. Only
    // ever a keyring below a test home of the build tree.
    if (data.contains(QLatin1String("/test-home/")))
        QDir(data + QStringLiteral("/keyrings")).removeRecursively();
    daemon.setProgram(QStringLiteral("gnome-keyring-daemon"));
    daemon.setArguments({QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                         QStringLiteral("--components=secrets")});
    daemon.start();
    if (!daemon.waitForStarted(10000)) {
        *error = QStringLiteral("gnome-keyring-daemon could not be started");
        return false;
    }
    // The unlock password arrives on standard input.
    daemon.write("plumet-test-keyring\n");
    daemon.closeWriteChannel();
    const auto ownerOrEnd = [this] {
        return daemon.state() == QProcess::NotRunning || ownerOf("org.freedesktop.secrets") != 0;
    };
    if (!QTest::qWaitFor(ownerOrEnd, 15000)) {
        *error = QStringLiteral("no Secret Service on the bus");
        return false;
    }
    if (daemon.state() == QProcess::NotRunning) {
        *error = QStringLiteral("gnome-keyring-daemon ended: ") +
                 QString::fromLocal8Bit(daemon.readAllStandardError()).trimmed();
        return false;
    }
    if (ownerOf("org.freedesktop.secrets") != daemon.processId()) {
        *error = QStringLiteral("the Secret Service on the bus is not the test's own daemon");
        return false;
    }
    return true;
}

bool onPrivateSessionBus()
{
    return privateBus;
}

void ensurePrivateSessionBus(int argc, char** argv)
{
    // The process that asked for the bus is dbus-run-session, the parent of
    // this run; a marker inherited from anywhere else is not this test's bus.
    const QByteArray marker = qgetenv("PLUMET_KEYCHAIN_TEST_BUS");
    if (!marker.isEmpty() && marker == QByteArray::number(getppid())) {
        privateBus = true;
        return;
    }
    setenv("PLUMET_KEYCHAIN_TEST_BUS", QByteArray::number(getpid()).constData(), 1);
    static char config[] = "--config-file=" PLUMET_TEST_BUS_CONFIG;
    std::vector<char*> arguments{const_cast<char*>("dbus-run-session"), config,
                                 const_cast<char*>("--")};
    static char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    arguments.push_back(length > 0 ? self : argv[0]);
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    execvp("dbus-run-session", arguments.data());
    perror("dbus-run-session");
    std::exit(1);
}

} // namespace plumet::test
