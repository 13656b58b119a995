#pragma once

#include <QProcess>
#include <QString>

// A real Secret Service for keychain tests: gnome-keyring-daemon, unlocked, on a
// session bus of the test's own, so no real keyring is ever touched.
namespace plumet::test {

// True when something owns org.freedesktop.secrets on the session bus.
bool secretServiceAnswers();

// Starts the keyring daemon unless a Secret Service already answers, and stops
// it again when destroyed.
class TestKeyring {
public:
    TestKeyring() = default;
    ~TestKeyring();
    TestKeyring(const TestKeyring&) = delete;
    TestKeyring& operator=(const TestKeyring&) = delete;

    // False with the reason when no Secret Service answers within 15 s.
    bool start(QString* error);

private:
    QProcess daemon;
};

// Runs `argv` again under dbus-run-session unless this process already is that
// run; returns only in the run on the private bus.
void ensurePrivateSessionBus(int argc, char** argv);

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
