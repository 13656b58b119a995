#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <csignal>
#include <sys/types.h>

namespace plumet::test {

// Runs this test program again as a child with `variable` = `value` in its
// environment, waits until it prints "ready", lets it go on for `delayMs`,
// then kills it with SIGKILL: for the tests that a kill at any moment leaves
// a whole file. A failed check ends the calling test (QTest::currentTestFailed).
inline void killChildWhenReady(const char* variable, const QString& value, int delayMs)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(variable), value);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("ready") ||
                                 child.state() != QProcess::Running,
                             20000);
    QCOMPARE(child.state(), QProcess::Running);
    QTest::qWait(delayMs);
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
}

} // namespace plumet::test
