#pragma once

#include <QProcess>
#include <QString>

// A real Secret Service for keychain tests: gnome-keyring-daemon, unlocked, on a
// session bus of the test's own, so no real keyring is ever touched.
namespace plumet::test {

// True when something owns org.freedesktop.secrets on the session bus.
bool secretServiceAnswers();

// Starts a keyring daemon of its own on the test's own bus, and stops it again
// when destroyed. It never takes a Secret Service it did not start for its own.
class TestKeyring {
public:
    TestKeyring() = default;
    ~TestKeyring();
    TestKeyring(const TestKeyring&) = delete;
    TestKeyring& operator=(const TestKeyring&) = delete;

    // False with the reason when the test is not on a bus of its own (see
    // ensurePrivateSessionBus), when something else owns the Secret Service
    // there, or when the daemon does not answer within 15 s.
    bool start(QString* error);

private:
    QProcess daemon;
};

// Runs `argv` again under dbus-run-session, on a bus that starts no service by
// activation, unless this process already is that run; returns only in the run
// on the private bus.
void ensurePrivateSessionBus(int argc, char** argv);

// Whether ensurePrivateSessionBus() put this process on a bus of its own.
bool onPrivateSessionBus();

} // namespace plumet::test

// main() for a keychain test class: a private bus, then the tests.
#define PLUMET_SECRET_SERVICE_TEST_MAIN(TestClass)                                                 \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        plumet::test::ensurePrivateSessionBus(argc, argv);                                         \
        QCoreApplication app(argc, argv);                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// The same for a test class that shows widgets, set up as QTEST_MAIN does.
#define PLUMET_SECRET_SERVICE_WIDGETS_TEST_MAIN(TestClass)                                         \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        plumet::test::ensurePrivateSessionBus(argc, argv);                                         \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
